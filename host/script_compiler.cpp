#include "host/script_compiler.h"

#include "engine/engine.h"
#include "host/quorvint.h"
#include "library/files/file_read.h"
#include "library/files/paths.h"
#include "support/errors.h"

namespace qv::host {

std::u16string CompileScriptToIL(TQuorvint& thread, const std::filesystem::path& file) {
  TfsScript prog;
  prog.SetSyntaxType(u"js");
  prog.SetExtendedCharset(true);
  prog.Lines() = SplitLines(library::ReadTextFile(file));
  prog.SetParent(&GlobalProgram());
  prog.IncludePath().push_back(library::PathText(file.parent_path()) + u"/");
  for (const std::u16string& dir : thread.Program().IncludePath()) prog.IncludePath().push_back(dir);
  prog.SetOnGetUnit([&thread](TfsScript& sender, const std::u16string& unit, std::u16string& text) {
    thread.LoadUnit(sender, unit, text);
  });
  thread.RegisterHost(prog);
  std::u16string code;
  bool ok = false;
  try {
    ok = prog.ComplieScript(code);
  } catch (const ScriptError& e) {
    prog.SetErrorMsg(e.message());
  }
  if (ok) return code;
  std::u16string unit = library::PathText(file);
  if (!prog.ErrorUnit().empty()) unit += u"(" + prog.ErrorUnit() + u")";
  throw ScriptError(unit + u":" + prog.ErrorMsg() + u"-" + prog.ErrorPos());
}

}  // namespace qv::host
