// Replacing and appending files: failures keep the old content, appends from
// several threads never interleave or get lost.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "library/files/file_write.h"
#include "library/files/paths.h"
#include "support/text.h"
#include "temp_folder.h"

namespace qv::library {
namespace {

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(FileWrite, ReplaceWritesExactBytesAndKeepsMode) {
  TempFolder dir;
  auto file = dir / "a.bin";
  std::string bytes("\0\xFF\r\n\x80", 5);
  ASSERT_TRUE(ReplaceFileContent(file, bytes));
  EXPECT_EQ(Slurp(file), bytes);
  ::chmod(file.c_str(), 0640);
  ASSERT_TRUE(ReplaceFileContent(file, "new"));
  EXPECT_EQ(Slurp(file), "new");
  struct stat st {};
  ::stat(file.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileWrite, ReplaceThroughALinkKeepsTheLink) {
  TempFolder dir;
  ASSERT_TRUE(ReplaceFileContent(dir / "target", "old"));
  std::filesystem::create_symlink(dir / "target", dir / "link");
  ASSERT_TRUE(ReplaceFileContent(dir / "link", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
  EXPECT_EQ(Slurp(dir / "target"), "new");
}

TEST(FileWrite, FailuresReportFalseAndKeepOldContent) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "folder");
  EXPECT_FALSE(ReplaceFileContent(dir / "folder", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
  EXPECT_FALSE(AppendFileContent(dir / "folder", "x"));
  EXPECT_FALSE(WriteFileBytes(WriteMode::Overwrite, PathText(dir / "folder"), "x"));
  // A file where a folder of the name should be.
  ASSERT_TRUE(ReplaceFileContent(dir / "plain", "keep"));
  EXPECT_FALSE(WriteFileBytes(WriteMode::Overwrite, PathText(dir / "plain" / "sub.txt"), "x"));
  EXPECT_EQ(Slurp(dir / "plain"), "keep");
}

TEST(FileWrite, RelativeNamesLandInTheAppFolderWithFolders) {
  TempFolder dir;
  SetAppPath(PathText(dir.path()));
  EXPECT_TRUE(WriteFileBytes(WriteMode::Append, u"sub\\deeper/x.txt", "one"));
  EXPECT_TRUE(WriteFileBytes(WriteMode::Append, u"sub/deeper/x.txt", "two"));
  EXPECT_EQ(Slurp(dir / "sub/deeper/x.txt"), "onetwo");
  EXPECT_TRUE(WriteFileBytes(WriteMode::Overwrite, u"sub/deeper/x.txt", ""));
  EXPECT_EQ(Slurp(dir / "sub/deeper/x.txt"), "");
  SetAppPath(u"");
}

// A size limit makes the write stop part-way, as a full disk does: the
// file must keep its old length, not a torn record at its end.
TEST(FileWrite, FailedAppendLeavesTheOldLength) {
  TempFolder dir;
  auto file = dir / "log.txt";
  ASSERT_TRUE(ReplaceFileContent(file, std::string(10000, 'a')));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 40000;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool appended = AppendFileContent(file, std::string(65536, 'b'));
  bool small_ok = AppendFileContent(file, "tail");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(appended);
  EXPECT_TRUE(small_ok);
  std::string content = Slurp(file);
  EXPECT_EQ(content.size(), 10004u);
  EXPECT_EQ(content.find('b'), std::string::npos);
  EXPECT_EQ(content.substr(content.size() - 4), "tail");
}

// Eight threads append numbered lines at once; every line must arrive whole.
TEST(FileWrite, ConcurrentAppendsKeepEveryLine) {
  TempFolder dir;
  std::u16string file = PathText(dir / "log.txt");
  constexpr int kThreads = 8, kLines = 400;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) {
        std::string line = "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                           std::string(static_cast<size_t>(i % 97), 'x') + "\n";
        EXPECT_TRUE(SaveFileBytes(WriteMode::Append, file, line));
      }
    });
  for (auto& th : threads) th.join();
  std::istringstream in(Slurp(dir / "log.txt"));
  std::set<std::pair<int, int>> seen;
  std::string line;
  while (std::getline(in, line)) {
    int t = -1, i = -1;
    char xs[128] = {};
    ASSERT_GE(std::sscanf(line.c_str(), "thread %d line %d %127s", &t, &i, xs), 2) << line;
    EXPECT_EQ(line, "thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                        std::string(static_cast<size_t>(i % 97), 'x'));
    EXPECT_TRUE(seen.insert({t, i}).second) << line;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
}  // namespace qv::library
