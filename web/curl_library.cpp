#include "web/curl_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace qv::web {

namespace {

[[noreturn]] void CannotLoad(const char* what) {
  std::fprintf(stderr, "cannot load libcurl: %s\n", what);
  std::_Exit(127);
}

template <typename Function>
void Resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  if (function == nullptr) CannotLoad(name);
}

CurlLibrary Load() {
  void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) CannotLoad(dlerror());
  CurlLibrary c{};
  Resolve(library, "curl_global_init", c.global_init);
  Resolve(library, "curl_easy_init", c.easy_init);
  Resolve(library, "curl_easy_setopt", c.easy_setopt);
  Resolve(library, "curl_easy_cleanup", c.easy_cleanup);
  Resolve(library, "curl_easy_strerror", c.easy_strerror);
  Resolve(library, "curl_multi_init", c.multi_init);
  Resolve(library, "curl_multi_setopt", c.multi_setopt);
  Resolve(library, "curl_multi_add_handle", c.multi_add_handle);
  Resolve(library, "curl_multi_remove_handle", c.multi_remove_handle);
  Resolve(library, "curl_multi_perform", c.multi_perform);
  Resolve(library, "curl_multi_info_read", c.multi_info_read);
  Resolve(library, "curl_multi_poll", c.multi_poll);
  Resolve(library, "curl_multi_wakeup", c.multi_wakeup);
  Resolve(library, "curl_multi_cleanup", c.multi_cleanup);
  Resolve(library, "curl_share_init", c.share_init);
  Resolve(library, "curl_share_setopt", c.share_setopt);
  Resolve(library, "curl_slist_append", c.slist_append);
  Resolve(library, "curl_slist_free_all", c.slist_free_all);
  Resolve(library, "curl_url", c.url);
  Resolve(library, "curl_url_set", c.url_set);
  Resolve(library, "curl_url_get", c.url_get);
  Resolve(library, "curl_url_cleanup", c.url_cleanup);
  Resolve(library, "curl_free", c.free);
  Resolve(library, "curl_getdate", c.getdate);
  // Never unloaded: handles may live until the process ends.
  c.global_init(CURL_GLOBAL_DEFAULT);
  return c;
}

}  // namespace

const CurlLibrary& LibCurl() {
  static const CurlLibrary library = Load();
  return library;
}

}  // namespace qv::web
