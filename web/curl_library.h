// libcurl, loaded when the process first needs it. Linked at start, libcurl
// and the libraries it pulls in (TLS, Kerberos, LDAP, SSH, ...) took about
// a third of the start of every run, also of scripts that never download.
// Every call into libcurl goes through the table that LibCurl() returns.
#pragma once

#include <curl/curl.h>

namespace qv::web {

struct CurlLibrary {
  decltype(&::curl_global_init) global_init;
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_easy_strerror) easy_strerror;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_setopt) multi_setopt;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_wakeup) multi_wakeup;
  decltype(&::curl_multi_cleanup) multi_cleanup;
  decltype(&::curl_share_init) share_init;
  decltype(&::curl_share_setopt) share_setopt;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
  decltype(&::curl_url) url;
  decltype(&::curl_url_set) url_set;
  decltype(&::curl_url_get) url_get;
  decltype(&::curl_url_cleanup) url_cleanup;
  decltype(&::curl_free) free;
  decltype(&::curl_getdate) getdate;
};

// Loads libcurl and runs its global initialisation on the first call (from
// any thread); see LoadLibraryOrExit for a library that is missing.
const CurlLibrary& LibCurl();

}  // namespace qv::web
