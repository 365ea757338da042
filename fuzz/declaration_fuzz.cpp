// Fuzzes declaration strings: parsing any text either yields a declaration
// or raises a script error, and the method made from it can be called.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/items/declaration.h"
#include "engine/items/items.h"
#include "engine/program/program.h"
#include "support/errors.h"

namespace {

qv::TfsScript& Program() {
  static qv::TfsScript* const prog = [] {
    auto* p = new qv::TfsScript();
    p->AddType(u"Integer", qv::fvtInt);
    p->AddType(u"String", qv::fvtString);
    p->AddConst(u"False", u"Integer", qv::Value::Bool(false));
    return p;
  }();
  return *prog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  try {
    qv::TfsMethodHelper m(text, Program());
    if (m.Name().empty()) abort();
    qv::CallFrame frame(m, &Program());
    for (int i = 0; i < frame.Count(); ++i) frame.Arg(i) = m.Param(i)->DefValue();
    m.Read(frame);
    m.Write(frame, qv::Value::Int(1));
  } catch (const qv::ScriptError&) {
  }
  return 0;
}
