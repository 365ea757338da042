#include "host/encrypt_script.h"

#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "host/compiled_script.h"
#include "library/files/file_write.h"
#include "library/files/folder_list.h"
#include "library/files/paths.h"
#include "support/errors.h"

namespace qv::host {

namespace {

namespace fs = std::filesystem;

// The absolute folder with a trailing "/".
std::u16string FolderText(std::u16string_view dir) {
  std::u16string text = library::PathText(library::ExpandName(dir));
  if (text.empty() || text.back() != u'/') text += u'/';
  return text;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

// Links resolved as far as the path exists, for the "inside" test.
fs::path Resolved(const fs::path& path) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? path.lexically_normal() : resolved;
}

// True when `inner` is `outer` or lies below it (both resolved).
bool Inside(const fs::path& inner, const fs::path& outer) {
  auto in = inner.begin();
  for (auto out = outer.begin(); out != outer.end(); ++out, ++in) {
    if (out->empty() && std::next(out) == outer.end()) break;  // trailing "/"
    if (in == inner.end() || *in != *out) return false;
  }
  return true;
}

class FolderWalk {
 public:
  FolderWalk(const fs::path& source, const fs::path& target, int version, const CompileScriptFile& compile)
      : sourceRoot_(Resolved(source)),
        targetRoot_(target),
        resolvedTarget_(Resolved(target)),
        targetInsideSource_(Inside(resolvedTarget_, sourceRoot_)),
        version_(version),
        compile_(compile) {}

  void Walk(const fs::path& source, const fs::path& target) {
    library::ForceFolder(target, false);
    std::vector<fs::directory_entry> files, folders;
    List(source, files, folders);
    for (const fs::directory_entry& file : files) CompileFile(file.path(), target / file.path().filename());
    walking_.push_back(source);
    for (const fs::directory_entry& folder : folders) {
      fs::path into = target / folder.path().filename();
      if (Skipped(folder.path(), into)) continue;
      Walk(folder.path(), into);
    }
    walking_.pop_back();
  }

 private:
  // The *.qvs files and the sub-folders, each in listing order.
  static void List(const fs::path& source, std::vector<fs::directory_entry>& files,
                   std::vector<fs::directory_entry>& folders) {
    std::error_code ec;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind;
      if (it->is_directory(kind))
        folders.push_back(*it);
      else if (it->is_regular_file(kind) &&
               library::WildcardMatch(u"*.qvs", library::PathText(it->path().filename())))
        files.push_back(*it);
    }
  }

  void CompileFile(const fs::path& file, const fs::path& into) const {
    std::string bytes = CompiledScriptFile(compile_(file), version_);
    if (!bytes.empty()) library::ReplaceFileContent(into, bytes);
  }

  // The target tree itself, a folder already being walked (a link loop),
  // and a folder whose output would land on source files.
  bool Skipped(const fs::path& folder, const fs::path& into) const {
    if (SameFolder(folder, targetRoot_)) return true;
    for (const fs::path& open : walking_)
      if (SameFolder(folder, open)) return true;
    fs::path resolvedInto = Resolved(into);
    bool inTargetTree = targetInsideSource_ && Inside(resolvedInto, resolvedTarget_);
    return Inside(resolvedInto, sourceRoot_) && !inTargetTree;
  }

  fs::path sourceRoot_;
  fs::path targetRoot_;
  fs::path resolvedTarget_;
  bool targetInsideSource_;
  int version_;
  const CompileScriptFile& compile_;
  std::vector<fs::path> walking_;
};

}  // namespace

void EncryptScriptFolder(std::u16string_view dir, std::u16string_view targetDir, int version,
                         const CompileScriptFile& compile) {
  std::u16string source = FolderText(dir);
  std::u16string target = FolderText(targetDir);
  fs::path sourcePath = library::FsPath(source);
  fs::path targetPath = library::FsPath(target);
  if (source == target || SameFolder(sourcePath, targetPath))
    throw ScriptError(u"complie dir cant same source dir" + target);
  library::ForceFolder(targetPath, false);
  FolderWalk(sourcePath, targetPath, version, compile).Walk(sourcePath, targetPath);
}

}  // namespace qv::host
