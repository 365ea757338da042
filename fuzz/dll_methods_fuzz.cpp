// Bytes as a library file image through getDllMethod's ELF reader. Seed it
// with a few small shared libraries (the test plug-in, system .so files).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/dll_methods.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view image(reinterpret_cast<const char*>(data), size);
  for (const std::u16string& name : qv::host::GetDllMethodsOfImage(image))
    if (name.empty()) std::abort();
  return 0;
}
