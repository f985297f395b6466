#include "io/cue_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/temp_dir.h"

namespace {

// The file whose close fails, after it is closed, as on a file system that reports a lost write
// only then; none when its inode is 0.
vantorel::FileId failing_close;

}  // namespace

// Every close in this test program comes here, the writer's among them.
extern "C" int close(int fd) {
  struct stat st;
  bool fail = failing_close.ino != 0 && fstat(fd, &st) == 0 && vantorel::IdOf(st) == failing_close;
  long result = syscall(SYS_close, fd);
  if (result == 0 && fail) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(result);
}

namespace vantorel {

namespace {

using WriteCueFileTest = TempDirTest;

TEST_F(WriteCueFileTest, AFailedCloseIsAFailure) {
  Put("t.cue", "old");
  struct stat st;
  ASSERT_EQ(stat(Path("t.cue").c_str(), &st), 0);
  failing_close = IdOf(st);
  CueFileWrite w = WriteCueFile(Path("t.cue"), "sheet\n", {});
  failing_close = {};
  EXPECT_EQ(w.error, EIO);
}

TEST_F(WriteCueFileTest, NewAndRewrittenFiles) {
  mode_t old = umask(027);
  std::string out = Path("out.cue");
  EXPECT_TRUE(WriteCueFile(out, "new\n", {}).ok());
  EXPECT_EQ(Read("out.cue"), "new\n");
  struct stat st;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  umask(old);

  // Rewritten in place: the inode, and with it the mode, links and attributes, stay. A user
  // attribute and an access control list (a user entry, and a mask narrower than the group
  // bits) stand for everything a replace by rename would lose.
  ASSERT_EQ(chmod(out.c_str(), 0664), 0);
  ASSERT_EQ(link(out.c_str(), Path("second.cue").c_str()), 0);
  const unsigned char acl[] = {2,    0,   0,   0,   1,    0,    6,   0,
                               255,  255, 255, 255,                         // The owner.
                               2,    0,   6,   0,   0x39, 0x30, 0,   0,     // User 12345.
                               4,    0,   6,   0,   255,  255,  255, 255,   // The group.
                               0x10, 0,   4,   0,   255,  255,  255, 255,   // The mask.
                               0x20, 0,   4,   0,   255,  255,  255, 255};  // Others.
  bool attributes = setxattr(out.c_str(), "user.origin", "list", 4, 0) == 0 &&
                    setxattr(out.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_TRUE(WriteCueFile(out, "", {}).ok());
  EXPECT_EQ(Read("second.cue"), "");
  struct stat after;
  ASSERT_EQ(stat(out.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, st.st_ino);
  EXPECT_EQ(after.st_mode, st.st_mode);
  if (attributes) {
    char value[64];
    EXPECT_EQ(getxattr(out.c_str(), "user.origin", value, sizeof value), 4);
    ASSERT_EQ(getxattr(out.c_str(), "system.posix_acl_access", value, sizeof value),
              ssize_t{sizeof acl});
    EXPECT_EQ(std::memcmp(value, acl, sizeof acl), 0);
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"out.cue", "second.cue"}));
  if (!attributes) GTEST_SKIP() << "this file system takes no user attributes or ACLs";
}

TEST_F(WriteCueFileTest, SymbolicLinksAreFollowedAndKept) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  Put("sub/real.cue", "a longer old sheet");
  ASSERT_EQ(symlink("sub/real.cue", Path("link.cue").c_str()), 0);
  ASSERT_EQ(symlink("new.cue", Path("sub/dangling.cue").c_str()), 0);

  EXPECT_TRUE(WriteCueFile(Path("link.cue"), "one", {}).ok());
  EXPECT_EQ(Read("sub/real.cue"), "one");
  EXPECT_TRUE(WriteCueFile(Path("sub/dangling.cue"), "two", {}).ok());
  EXPECT_EQ(Read("sub/new.cue"), "two");
  struct stat st;
  ASSERT_EQ(lstat(Path("link.cue").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(symlink("loop.cue", Path("loop.cue").c_str()), 0);
  EXPECT_EQ(WriteCueFile(Path("loop.cue"), "x", {}).error, ELOOP);
}

TEST_F(WriteCueFileTest, DescriptorsNamedByTheUser) {
  // As with 3>>log: the sheet goes through a descriptor open for writing, after what it holds.
  // One open only for reading is opened anew by its name, as any writer would.
  struct Case {
    std::string prefix;
    int flags;
    std::string result;
  } cases[] = {
      {"/dev/fd/", O_WRONLY | O_APPEND, "before\nsheet\n"},
      {"/proc//self/fd/", O_RDWR | O_APPEND, "before\nsheet\n"},
      {"/dev/fd/", O_RDONLY, "sheet\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix + std::to_string(c.flags));
    Put("log", "before\n");
    int fd = open(Path("log").c_str(), c.flags);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(WriteCueFile(c.prefix + std::to_string(fd), "sheet\n", {}).ok());
    close(fd);
    EXPECT_EQ(Read("log"), c.result);
  }
}

TEST_F(WriteCueFileTest, FailuresLeaveEverythingAsItWas) {
  Put("plain", "keep");
  ASSERT_EQ(mkfifo(Path("list.fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/full", Path("full.cue").c_str()), 0);
  struct stat plain, fifo;
  ASSERT_EQ(stat(Path("plain").c_str(), &plain), 0);
  ASSERT_EQ(stat(Path("list.fifo").c_str(), &fifo), 0);
  std::vector<GuardedFile> guarded = {{{plain.st_dev, plain.st_ino}, Guard::kWavFile},
                                      {{fifo.st_dev, fifo.st_ino}, Guard::kTrackList}};
  int plain_fd = open(Path("plain").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(plain_fd, 0);
  // A reader, so that a FIFO opened for writing by mistake fails the test rather than hangs it.
  int fifo_reader = open(Path("list.fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fifo_reader, 0);

  // A running program, copied so that nothing else is running it.
  std::filesystem::copy_file("/bin/sleep", Path("prog"));
  int ready[2];
  ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
  pid_t prog = fork();
  if (prog == 0) {
    execl(Path("prog").c_str(), "prog", "60", nullptr);
    _exit(127);
  }
  close(ready[1]);
  char c;
  while (read(ready[0], &c, 1) > 0) {  // Its end of the pipe closes at the exec.
  }
  close(ready[0]);
  std::string prog_bytes = Read("prog");

  struct Case {
    std::string name;
    int error;
    Guard refused;
  } cases[] = {
      {Path("plain"), 0, Guard::kWavFile},
      {"/dev/fd/" + std::to_string(plain_fd), 0, Guard::kWavFile},
      {Path("list.fifo"), 0, Guard::kTrackList},
      {Path("missing/out.cue"), ENOENT, Guard::kNone},
      {Path("plain/out.cue"), ENOTDIR, Guard::kNone},
      {Path("full.cue"), ENOSPC, Guard::kNone},
      {dir_, EISDIR, Guard::kNone},
      {Path("prog"), ETXTBSY, Guard::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CueFileWrite w = WriteCueFile(c.name, "text\n", guarded);
    EXPECT_EQ(w.error, c.error);
    EXPECT_EQ(w.refused, c.refused);
  }
  kill(prog, SIGKILL);
  waitpid(prog, nullptr, 0);
  close(plain_fd);
  close(fifo_reader);
  EXPECT_EQ(Read("plain"), "keep");
  EXPECT_EQ(Read("prog"), prog_bytes);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"full.cue", "list.fifo", "plain", "prog"}));
}

}  // namespace

}  // namespace vantorel
