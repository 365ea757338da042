// Revalidating a cached page: an entry whose response named a validator
// (ETag or Last-Modified) is only reused after the server, asked whether
// the page changed since (If-None-Match, If-Modified-Since), answers 304.
// An entry without validators is reused without asking, as before.
//
//   Validators v = ValidatorsOf(entry.statusLine, entry.rawHeaders);
//   ConditionalRequest ask(http, v);   // the lines go with the next request
//   http.Perform(HttpMethod::Get, url);
//   if (http.Response().responseCode == 304) reuse(entry);
#pragma once

#include <string>
#include <string_view>

#include "web/http_get.h"

namespace qv::web {

struct Validators {
  std::u16string etag;
  std::u16string lastModified;
  bool Any() const { return !etag.empty() || !lastModified.empty(); }
};

Validators ValidatorsOf(std::u16string_view statusLine, std::u16string_view rawHeaders);

// Adds the conditional header lines to the client's request for its
// lifetime, so they never become part of a cache entry's request headers.
class ConditionalRequest {
 public:
  ConditionalRequest(THttpGet& http, const Validators& v);
  ~ConditionalRequest();
  ConditionalRequest(const ConditionalRequest&) = delete;
  ConditionalRequest& operator=(const ConditionalRequest&) = delete;

 private:
  THttpGet& http_;
  size_t added_ = 0;
};

}  // namespace qv::web
