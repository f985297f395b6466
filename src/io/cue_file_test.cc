#include "io/cue_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/temp_dir.h"

namespace vantorel {

namespace {

using WriteCueFileTest = TempDirTest;

TEST_F(WriteCueFileTest, NewAndReplacedFiles) {
  mode_t old = umask(027);
  std::string out = Path("out.cue");
  EXPECT_TRUE(WriteCueFile(out, "new\n", {}).ok());
  EXPECT_EQ(Read("out.cue"), "new\n");
  struct stat st;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  umask(old);

  chmod(out.c_str(), 0604);
  ino_t before = st.st_ino;
  EXPECT_TRUE(WriteCueFile(out, "", {}).ok());
  EXPECT_EQ(Read("out.cue"), "");
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
  EXPECT_NE(st.st_ino, before);  // Replaced whole, never rewritten in place.
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.cue"});
}

TEST_F(WriteCueFileTest, SymbolicLinksAreFollowedAndKept) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  Put("sub/real.cue", "old");
  ASSERT_EQ(symlink("sub/real.cue", Path("link.cue").c_str()), 0);
  ASSERT_EQ(symlink("real.cue", Path("sub/rel.cue").c_str()), 0);
  ASSERT_EQ(symlink("new.cue", Path("dangling.cue").c_str()), 0);

  EXPECT_TRUE(WriteCueFile(Path("link.cue"), "one", {}).ok());
  EXPECT_EQ(Read("sub/real.cue"), "one");
  EXPECT_TRUE(WriteCueFile(Path("sub/rel.cue"), "two", {}).ok());
  EXPECT_EQ(Read("sub/real.cue"), "two");
  EXPECT_TRUE(WriteCueFile(Path("dangling.cue"), "three", {}).ok());
  EXPECT_EQ(Read("new.cue"), "three");

  // The links in /proc report a size of 64 whatever the length of their text; this one is
  // reached through a link of the user's.
  std::string deep = std::string(200, 'd') + "/" + std::string(200, 'f');
  ASSERT_EQ(mkdir(Path(std::string(200, 'd')).c_str(), 0755), 0);
  Put(deep, "old");
  int fd = open(Path(deep).c_str(), O_RDONLY);
  ASSERT_GE(fd, 3);
  ASSERT_EQ(symlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), Path("proc.cue").c_str()), 0);
  EXPECT_TRUE(WriteCueFile(Path("proc.cue"), "four", {}).ok());
  close(fd);
  EXPECT_EQ(Read(deep), "four");

  struct stat st;
  ASSERT_EQ(lstat(Path("link.cue").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(symlink("loop.cue", Path("loop.cue").c_str()), 0);
  EXPECT_EQ(WriteCueFile(Path("loop.cue"), "x", {}).error, ELOOP);
}

TEST_F(WriteCueFileTest, DescriptorNamedByTheUser) {
  // As with 3>>log: the sheet goes through the descriptor, after what it holds.
  Put("log", "before\n");
  int fd = open(Path("log").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  struct stat before;
  ASSERT_EQ(fstat(fd, &before), 0);
  EXPECT_TRUE(WriteCueFile("/dev/fd/" + std::to_string(fd), "sheet\n", {}).ok());
  close(fd);
  struct stat after;
  ASSERT_EQ(stat(Path("log").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(Read("log"), "before\nsheet\n");
}

TEST_F(WriteCueFileTest, FailuresLeaveEverythingAsItWas) {
  Put("plain", "keep");
  struct stat st;
  ASSERT_EQ(stat(Path("plain").c_str(), &st), 0);
  std::vector<GuardedFile> guarded = {{{st.st_dev, st.st_ino}, Guard::kTrackList}};

  struct Case {
    std::string name;
    int error;
    Guard refused;
  } cases[] = {
      {Path("plain"), 0, Guard::kTrackList},
      {Path("missing/out.cue"), ENOENT, Guard::kNone},
      {Path("plain/out.cue"), ENOTDIR, Guard::kNone},
      {"/dev/full", ENOSPC, Guard::kNone},
      {dir_, EISDIR, Guard::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CueFileWrite w = WriteCueFile(c.name, "text\n", guarded);
    EXPECT_EQ(w.error, c.error);
    EXPECT_EQ(w.refused, c.refused);
  }
  EXPECT_EQ(Read("plain"), "keep");
  EXPECT_EQ(Entries(), std::vector<std::string>{"plain"});
}

}  // namespace

}  // namespace vantorel
