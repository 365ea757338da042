#include "support/loaded_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace qv {

namespace {

[[noreturn]] void CannotLoad(const char* what) {
  std::fprintf(stderr, "cannot load a library: %s\n", what);
  std::_Exit(127);
}

}  // namespace

void* LoadLibraryOrExit(const char* soname) {
  void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) CannotLoad(dlerror());
  return library;
}

void* SymbolOrExit(void* library, const char* name) {
  void* symbol = dlsym(library, name);
  if (symbol == nullptr) CannotLoad(name);
  return symbol;
}

}  // namespace qv
