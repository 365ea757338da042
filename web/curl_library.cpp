#include "web/curl_library.h"

#include "support/loaded_library.h"

namespace qv::web {

namespace {

CurlLibrary Load() {
  void* library = LoadLibraryOrExit("libcurl.so.4");
  CurlLibrary c{};
  ResolveOrExit(library, "curl_global_init", c.global_init);
  ResolveOrExit(library, "curl_easy_init", c.easy_init);
  ResolveOrExit(library, "curl_easy_setopt", c.easy_setopt);
  ResolveOrExit(library, "curl_easy_cleanup", c.easy_cleanup);
  ResolveOrExit(library, "curl_easy_strerror", c.easy_strerror);
  ResolveOrExit(library, "curl_multi_init", c.multi_init);
  ResolveOrExit(library, "curl_multi_setopt", c.multi_setopt);
  ResolveOrExit(library, "curl_multi_add_handle", c.multi_add_handle);
  ResolveOrExit(library, "curl_multi_remove_handle", c.multi_remove_handle);
  ResolveOrExit(library, "curl_multi_perform", c.multi_perform);
  ResolveOrExit(library, "curl_multi_info_read", c.multi_info_read);
  ResolveOrExit(library, "curl_multi_poll", c.multi_poll);
  ResolveOrExit(library, "curl_multi_wakeup", c.multi_wakeup);
  ResolveOrExit(library, "curl_multi_cleanup", c.multi_cleanup);
  ResolveOrExit(library, "curl_share_init", c.share_init);
  ResolveOrExit(library, "curl_share_setopt", c.share_setopt);
  ResolveOrExit(library, "curl_slist_append", c.slist_append);
  ResolveOrExit(library, "curl_slist_free_all", c.slist_free_all);
  ResolveOrExit(library, "curl_url", c.url);
  ResolveOrExit(library, "curl_url_set", c.url_set);
  ResolveOrExit(library, "curl_url_get", c.url_get);
  ResolveOrExit(library, "curl_url_cleanup", c.url_cleanup);
  ResolveOrExit(library, "curl_free", c.free);
  ResolveOrExit(library, "curl_getdate", c.getdate);
  c.global_init(CURL_GLOBAL_DEFAULT);
  return c;
}

}  // namespace

const CurlLibrary& LibCurl() {
  static const CurlLibrary library = Load();
  return library;
}

}  // namespace qv::web
