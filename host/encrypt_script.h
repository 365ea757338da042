// The folder walk of encryptscript: every *.qvs file of a folder tree is
// compiled to intermediate XML and written, as a compiled script file, to
// the same place in a target tree.
//
//   EncryptScriptFolder(u"scripts", u"complie", 3, compileOneFile);
//   // scripts/a.qvs -> complie/a.qvs, scripts/sub/b.qvs -> complie/sub/b.qvs
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace qv::host {

// The intermediate XML of one script file. A compile error is thrown as a
// ScriptError carrying the composed message; the host thread supplies the
// compiler.
using CompileScriptFile = std::function<std::u16string(const std::filesystem::path& file)>;

// Both folders are taken against the current directory ("\" reads as "/").
// Equal folders raise ScriptError("complie dir cant same source dir" +
// target folder). The target is created with its parents; the *.qvs files
// directly in the source folder are compiled first, in the order the file
// system lists them, then every sub-folder into the sub-folder of the same
// name. A version other than 1 to 3 compiles but writes nothing; a file
// that cannot be written is skipped. The first compile error ends the walk
// and propagates; files written before it stay.
//
// The walk never enters the target tree (the usual "complie" target lies
// inside the source folder), never walks a folder twice through a link
// loop, and never writes into the source tree: when the source lies inside
// the target, a sub-folder whose target would be a source folder is left
// out.
void EncryptScriptFolder(std::u16string_view dir, std::u16string_view targetDir, int version,
                         const CompileScriptFile& compile);

}  // namespace qv::host
