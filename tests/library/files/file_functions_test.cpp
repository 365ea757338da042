// Wildcards, name parts and starting processes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "library/files/file_info.h"
#include "library/files/folder_list.h"
#include "library/files/paths.h"
#include "library/files/run_process.h"
#include "support/text.h"
#include "temp_folder.h"

namespace qv::library {
namespace {

TEST(Wildcard, Matches) {
  struct Row {
    std::u16string pattern, name;
    bool match;
  } rows[] = {
      {u"*", u"anything", true},
      {u"*.txt", u"a.TXT", true},
      {u"*.txt", u"a.txt.bak", false},
      {u"?.*", u"a.b", true},
      {u"?.*", u"ab.c", false},
      {u"txt", u"txt", true},
      {u"txt", u"a.txt", false},
      {u"a*b*c", u"aXXbYYc", true},
      {u"a*b*c", u"aXXbYY", false},
      {u"*中*", u"文中文", true},
      {u"", u"", true},
      {u"**?", u"", false},
  };
  for (const auto& r : rows) EXPECT_EQ(WildcardMatch(r.pattern, r.name), r.match) << r.match;
  // No exponential back-tracking.
  EXPECT_FALSE(WildcardMatch(u"*a*a*a*a*a*a*a*a*a*b", std::u16string(5000, u'a')));
}

TEST(FileNames, Parts) {
  EXPECT_EQ(FileDir(u"c:\\x\\y.txt"), u"c:/x/");
  EXPECT_EQ(FileDir(u"y.txt"), u"");
  EXPECT_EQ(FileExt(u"/a/b.tar.gz"), u".gz");
  EXPECT_EQ(FileExt(u"/a.b/c"), u"");
  EXPECT_EQ(FileName(u"/a/b/../c.txt"), u"c.txt");
  EXPECT_EQ(PathText(ExpandName(u"/a//b/./c/../d")), u"/a/b/d");
  EXPECT_EQ(RemoveFileNameChars(u"a/b:c?.txt"), u"abc.txt");
  EXPECT_EQ(RemoveFileNameChars(u"\u3000x\r\n\\y\"|<>*"), u"xy");
}

TEST(FileTimes, UnixTimeRoundsHalfToEven) {
  EXPECT_EQ(UnixTime(25569.0), 0);
  EXPECT_EQ(UnixTime(25570.5), 86400 + 43200);
  EXPECT_EQ(UnixTime(25568.0), -86400);
  EXPECT_EQ(UnixTime(0.0), -2209161600LL);
  EXPECT_EQ(LocalFileSeconds(1) % 2, 0);
}

TEST(Run, WaitsForTheWholeCommandLine) {
  TempFolder dir;
  std::string longArg(4000, 'x');
  std::u16string cmd = u"printf %s " + std::u16string(longArg.begin(), longArg.end()) + u" > '" +
                       PathText(dir / "out.txt") + u"'; exit 3";
  EXPECT_EQ(RunAndWait(cmd), 3);
  EXPECT_EQ(std::filesystem::file_size(dir / "out.txt"), longArg.size());
}

// PATH pinned to a folder of the test's own for the life of the object, so
// that whether xdg-open exists does not depend on the machine.
class PinnedPath {
 public:
  explicit PinnedPath(const std::filesystem::path& folder) {
    if (const char* p = getenv("PATH")) saved_ = p;
    setenv("PATH", folder.c_str(), 1);
  }
  ~PinnedPath() { setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

void WaitFor(const std::filesystem::path& file) {
  for (int i = 0; i < 300 && !std::filesystem::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Without xdg-open the text runs as a command, in the background.
TEST(Run, DetachedLeavesNoChildBehind) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "bin");
  for (const char* tool : {"sleep", "touch"})
    std::filesystem::create_symlink(std::string("/usr/bin/") + tool, dir / "bin" / tool);
  PinnedPath pinned(dir / "bin");
  auto marker = dir / "started";
  auto begin = std::chrono::steady_clock::now();
  EXPECT_TRUE(OpenDetached(u"sleep 2; touch '" + PathText(marker) + u"'"));
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1500));
  EXPECT_FALSE(std::filesystem::exists(marker));
  // The shell has been waited for and the program belongs to init: no
  // child of ours is left to reap.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  WaitFor(marker);
  EXPECT_TRUE(std::filesystem::exists(marker));
}

// With xdg-open the target goes to it whole, as one argument, unrun.
TEST(Run, DetachedOpensThroughXdgOpen) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "bin");
  auto opened = dir / "opened";
  {
    std::ofstream standIn(dir / "bin" / "xdg-open");
    // Written aside and moved into place, so the test never reads it half-written.
    standIn << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << opened.string() << ".part'\n"
            << "/bin/mv '" << opened.string() << ".part' '" << opened.string() << "'\n";
  }
  std::filesystem::permissions(dir / "bin" / "xdg-open", std::filesystem::perms::owner_all);
  PinnedPath pinned(dir / "bin");
  auto never = dir / "never";
  std::u16string target = u"page one.html; touch '" + PathText(never) + u"'";
  EXPECT_TRUE(OpenDetached(target));
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  WaitFor(opened);
  std::ifstream in(opened);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "1|" + ToUtf8(target));
  EXPECT_FALSE(std::filesystem::exists(never));
}

}  // namespace
}  // namespace qv::library
