#include "engine/xml/stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

TEST(MemoryStream, ReadWriteSeekSize) {
  MemoryStream m;
  EXPECT_EQ(m.Write("hello", 5), 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Seek(-2, SeekOrigin::End), 3);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  EXPECT_EQ(m.Read(buf, 8), 0);
  m.SetPosition(7);  // past the end: the gap is filled with zeros
  m.Write("!", 1);
  EXPECT_EQ(m.Data(), std::string("hello\0\0!", 8));
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  EXPECT_EQ(m.Data(), "he");
  EXPECT_EQ(m.Seek(1, SeekOrigin::Begin), 1);
  EXPECT_EQ(m.Seek(1, SeekOrigin::Current), 2);
  EXPECT_THROW(m.Seek(-3, SeekOrigin::Current), ScriptError);
  EXPECT_THROW(m.ReadBuffer(buf, 1), ScriptError);
}

TEST(MemoryStream, CopyFrom) {
  MemoryStream src("abcdef"), dst;
  src.SetPosition(4);
  EXPECT_EQ(dst.CopyFrom(src, 0), 6);  // 0: the whole source from its start
  src.SetPosition(1);
  EXPECT_EQ(dst.CopyFrom(src, 2), 2);
  EXPECT_EQ(dst.Data(), "abcdefbc");
  EXPECT_THROW(dst.CopyFrom(src, 10), ScriptError);
}

class FileStreamTest : public ::testing::Test {
 protected:
  void TearDown() override { ::unlink(path_.c_str()); }
  // Per process: test runs of other builds may share the folder.
  std::string path_ = ::testing::TempDir() + "qv_stream_test_" + std::to_string(::getpid()) + ".bin";
  std::u16string name_ = FromUtf8(path_);
};

TEST_F(FileStreamTest, CreateWriteReopenRead) {
  {
    FileStream f(name_, FileMode::Create);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(4);
    EXPECT_EQ(f.Position(), 4);
  }
  FileStream r(name_, FileMode::OpenRead, ShareMode::DenyWrite);
  FileStream again(name_, FileMode::OpenReadWrite, ShareMode::DenyNone);  // share modes never block
  char buf[16];
  EXPECT_EQ(r.Read(buf, 16), 4);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(r.Seek(-1, SeekOrigin::End), 3);
  EXPECT_EQ(r.Write("x", 1), 0);  // opened for reading only
  EXPECT_THROW(r.WriteBuffer("x", 1), ScriptError);
}

TEST_F(FileStreamTest, BackslashesAreSlashes) {
  std::u16string name = name_;
  for (auto& c : name)
    if (c == u'/') c = u'\\';
  FileStream f(name, FileMode::Create);
  EXPECT_EQ(f.FileName(), name);
  FileStream r(name_, FileMode::OpenRead);
}

TEST_F(FileStreamTest, ErrorsNameTheFile) {
  try {
    FileStream f(u"/nonexistent-dir/x.txt", FileMode::OpenRead);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"Cannot open file \"/nonexistent-dir/x.txt\". No such file or directory");
  }
  try {
    FileStream f(u"/nonexistent-dir/x.txt", FileMode::Create);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message().rfind(u"Cannot create file \"/nonexistent-dir/x.txt\". ", 0), 0u);
  }
  EXPECT_THROW(FileStream(FromUtf8(::testing::TempDir()), FileMode::OpenRead), ScriptError);  // a folder
}

}  // namespace
}  // namespace qv
