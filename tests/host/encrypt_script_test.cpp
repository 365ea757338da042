// The encryptscript folder walk on real folder trees.
#include "host/encrypt_script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "host/compiled_script.h"
#include "library/files/file_read.h"
#include "library/files/paths.h"
#include "support/errors.h"
#include "support/text.h"
#include "tests/library/files/temp_folder.h"

namespace qv::host {
namespace {

namespace fs = std::filesystem;
using library::TempFolder;

void Write(const fs::path& file, const std::string& text = "A<?=1?>") {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// A compiler that names the file it compiled and fails on "bad.qvs".
struct FakeCompiler {
  std::vector<fs::path> compiled;
  CompileScriptFile Callback() {
    return [this](const fs::path& file) {
      compiled.push_back(file);
      if (file.filename() == "bad.qvs") throw ScriptError(library::PathText(file) + u":syntax-1:1");
      return u"<?xml version=\"1.0\"?><program file=\"" + library::PathText(file) + u"\"/>";
    };
  }
};

// The file the compiled script at `file` was made from; empty when there
// is none or it is not a compiled script.
std::u16string Origin(const fs::path& file) {
  std::string bytes;
  if (!library::ReadFileBytes(file, bytes)) return {};
  std::u16string il = ScriptFileSource(bytes);
  size_t at = il.find(u"file=\"");
  return at == std::u16string::npos ? u"" : il.substr(at + 6, il.find(u'"', at + 6) - at - 6);
}

std::u16string Text(const fs::path& p) { return library::PathText(p); }

// Runs in `dir` and goes back to the previous current directory.
class InFolder {
 public:
  explicit InFolder(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~InFolder() { fs::current_path(old_); }

 private:
  fs::path old_;
};

TEST(EncryptScript, MirrorsTheTree) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs");
  Write(tmp / "src/notes.txt");
  Write(tmp / "src/sub/a.qvs");
  Write(tmp / "src/sub/deeper/c.QVS");
  fs::create_directories(tmp / "src/empty");
  FakeCompiler compiler;
  for (int version = 1; version <= 3; ++version) {
    compiler.compiled.clear();
    {
      InFolder here(tmp.path());
      EncryptScriptFolder(u"src", u"out\\v" + IntToText(version), version, compiler.Callback());
    }
    fs::path out = tmp / ("out/v" + std::to_string(version));
    EXPECT_TRUE(Origin(out / "a.qvs") == Text(tmp / "src/a.qvs"));
    EXPECT_TRUE(Origin(out / "sub/a.qvs") == Text(tmp / "src/sub/a.qvs"));
    EXPECT_TRUE(Origin(out / "sub/deeper/c.QVS") == Text(tmp / "src/sub/deeper/c.QVS"));
    EXPECT_FALSE(fs::exists(out / "notes.txt"));
    EXPECT_TRUE(fs::is_directory(out / "empty"));
    EXPECT_EQ(compiler.compiled.size(), 3u);
  }
}

TEST(EncryptScript, OtherVersionsCompileButWriteNothing) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs");
  FakeCompiler compiler;
  EncryptScriptFolder(Text(tmp / "src"), Text(tmp / "out"), 4, compiler.Callback());
  EXPECT_EQ(compiler.compiled.size(), 1u);
  EXPECT_TRUE(fs::is_directory(tmp / "out"));
  EXPECT_FALSE(fs::exists(tmp / "out/a.qvs"));
}

TEST(EncryptScript, RefusesTheSourceAsTarget) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs", "original");
  fs::create_directory_symlink(tmp / "src", tmp / "link");
  const std::u16string targets[] = {Text(tmp / "src"), Text(tmp / "src/"), Text(tmp / "src/sub/..") + u"\\.",
                                    Text(tmp / "link")};
  FakeCompiler compiler;
  for (const std::u16string& target : targets) {
    try {
      EncryptScriptFolder(Text(tmp / "src"), target, 3, compiler.Callback());
      ADD_FAILURE() << "no error";
    } catch (const ScriptError& e) {
      std::u16string folder = Text(library::ExpandName(target)) + u"/";
      if (folder.ends_with(u"//")) folder.pop_back();
      EXPECT_TRUE(e.message() == u"complie dir cant same source dir" + folder);
    }
  }
  EXPECT_TRUE(compiler.compiled.empty());
  std::string kept;
  library::ReadFileBytes(tmp / "src/a.qvs", kept);
  EXPECT_EQ(kept, "original");
}

// The usual relative target "complie" lies inside the source folder; the
// walk writes there but never walks it, also on a second run.
TEST(EncryptScript, TargetInsideTheSource) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs");
  Write(tmp / "src/sub/b.qvs");
  FakeCompiler compiler;
  for (int run = 0; run < 2; ++run) {
    InFolder here(tmp / "src");
    EncryptScriptFolder(u".", u"complie", 3, compiler.Callback());
  }
  EXPECT_EQ(compiler.compiled.size(), 4u);
  EXPECT_TRUE(Origin(tmp / "src/complie/sub/b.qvs") == Text(tmp / "src/sub/b.qvs"));
  EXPECT_FALSE(fs::exists(tmp / "src/complie/complie"));
}

// A source inside the target must not have its own files replaced: the
// sub-folder src/src would be written into src itself.
TEST(EncryptScript, SourceInsideTheTarget) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs", "top");
  Write(tmp / "src/src/a.qvs", "nested");
  Write(tmp / "src/other/c.qvs");
  FakeCompiler compiler;
  EncryptScriptFolder(Text(tmp / "src"), Text(tmp.path()), 1, compiler.Callback());
  std::string top;
  library::ReadFileBytes(tmp / "src/a.qvs", top);
  EXPECT_EQ(top, "top");
  EXPECT_TRUE(Origin(tmp / "a.qvs") == Text(tmp / "src/a.qvs"));
  EXPECT_TRUE(Origin(tmp / "other/c.qvs") == Text(tmp / "src/other/c.qvs"));
}

TEST(EncryptScript, LinkLoopsEnd) {
  TempFolder tmp;
  Write(tmp / "src/sub/a.qvs");
  fs::create_directory_symlink(tmp / "src", tmp / "src/sub/up");
  FakeCompiler compiler;
  EncryptScriptFolder(Text(tmp / "src"), Text(tmp / "out"), 2, compiler.Callback());
  EXPECT_EQ(compiler.compiled.size(), 1u);
  EXPECT_TRUE(Origin(tmp / "out/sub/a.qvs") == Text(tmp / "src/sub/a.qvs"));
}

TEST(EncryptScript, FirstCompileErrorEndsTheWalk) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs");
  Write(tmp / "src/sub/bad.qvs");
  Write(tmp / "src/sub/zz/c.qvs");
  FakeCompiler compiler;
  try {
    EncryptScriptFolder(Text(tmp / "src"), Text(tmp / "out"), 3, compiler.Callback());
    ADD_FAILURE() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_TRUE(e.message() == Text(tmp / "src/sub/bad.qvs") + u":syntax-1:1");
  }
  EXPECT_TRUE(Origin(tmp / "out/a.qvs") == Text(tmp / "src/a.qvs"));
  EXPECT_FALSE(fs::exists(tmp / "out/sub/zz/c.qvs"));
}

// A target file that cannot be written is skipped; the walk goes on.
TEST(EncryptScript, UnwritableTargetIsSkipped) {
  TempFolder tmp;
  Write(tmp / "src/a.qvs");
  Write(tmp / "src/sub/b.qvs");
  fs::create_directories(tmp / "out/a.qvs");
  FakeCompiler compiler;
  EXPECT_NO_THROW(EncryptScriptFolder(Text(tmp / "src"), Text(tmp / "out"), 3, compiler.Callback()));
  EXPECT_EQ(compiler.compiled.size(), 2u);
  EXPECT_TRUE(fs::is_directory(tmp / "out/a.qvs"));
  EXPECT_TRUE(Origin(tmp / "out/sub/b.qvs") == Text(tmp / "src/sub/b.qvs"));
}

}  // namespace
}  // namespace qv::host
