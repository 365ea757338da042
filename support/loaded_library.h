// Libraries loaded when first needed instead of at start, so that a run
// pays only for the libraries its script uses (libcurl with its TLS,
// Kerberos and LDAP libraries, OpenSSL's libcrypto).
#pragma once

namespace qv {

// Opens `soname` (never closed). A process that cannot load it, or lacks a
// function of it, ends with status 127 and the loader's message, as it
// would have when the library was linked.
void* LoadLibraryOrExit(const char* soname);
void* SymbolOrExit(void* library, const char* name);

template <typename Function>
void ResolveOrExit(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(SymbolOrExit(library, name));
}

}  // namespace qv
