// Builder fuzz target: the first byte picks the program's syntax, the rest
// is stored intermediate code. Building must report an error or succeed;
// it must never crash, whatever the elements, their order or their nesting.
// The built program is not run (damaged code may loop for ever).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/classes/class_library.h"
#include "engine/items/objects.h"
#include "engine/program/program.h"
#include "engine/syslib/sys_library.h"
#include "engine/xml/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  static constexpr std::u16string_view kSyntaxes[] = {u"Pascal", u"Basic", u"js", u"C"};
  static qv::TfsScript& global = []() -> qv::TfsScript& {
    qv::RegisterSysLibraryModule();
    qv::RegisterClassesModule();
    return qv::GlobalProgram();
  }();
  qv::TfsScript prog;
  prog.SetParent(&global);
  prog.SetSyntaxType(std::u16string(kSyntaxes[data[0] % 4]));
  qv::MemoryStream in;
  in.Write(data + 1, static_cast<int64_t>(size - 1));
  in.SetPosition(0);
  prog.SetILCode(in);
  qv::ObjectRegistry::Instance().FreeOwnedBy(prog.ObjectOwner());
  return 0;
}
