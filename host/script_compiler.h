// Compiling one script file to intermediate code for encryptscript: a fresh
// program below the GlobalProgram with the host's constants, classes and
// functions, the file's folder and the thread's include path, and the
// thread's unit loader.
#pragma once

#include <filesystem>
#include <string>

namespace qv::host {

class TQuorvint;

// The intermediate XML text of `file`. Raises ScriptError
// "unit:message-position" on a compile error, where unit is the file, or
// the file followed by "(" + unit + ")" for an error in an included unit.
std::u16string CompileScriptToIL(TQuorvint& thread, const std::filesystem::path& file);

}  // namespace qv::host
