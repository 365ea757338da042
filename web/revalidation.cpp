#include "web/revalidation.h"

#include "web/http_response.h"

namespace qv::web {

Validators ValidatorsOf(std::u16string_view statusLine, std::u16string_view rawHeaders) {
  HttpResponse r;
  r.Process(statusLine, rawHeaders);
  return {r.Value(u"ETag"), r.Value(u"Last-Modified")};
}

ConditionalRequest::ConditionalRequest(THttpGet& http, const Validators& v) : http_(http) {
  if (!v.etag.empty()) {
    http_.AddRequestHead(u"If-None-Match", v.etag);
    ++added_;
  }
  if (!v.lastModified.empty()) {
    http_.AddRequestHead(u"If-Modified-Since", v.lastModified);
    ++added_;
  }
}

ConditionalRequest::~ConditionalRequest() {
  auto& lines = http_.Request().customHeaders;
  lines.resize(lines.size() >= added_ ? lines.size() - added_ : 0);
}

}  // namespace qv::web
