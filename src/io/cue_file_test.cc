#include "io/cue_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/temp_dir.h"

namespace {

// What the writer's system calls meet in this test program, set by a test and cleared after it.
struct Seams {
  // The file whose close fails, after it is closed, as on a file system that reports a lost
  // write only then; none when its inode is 0.
  vantorel::FileId failing_close;
  // Another program at work while the writer is: before an open, after a link is read, before
  // the lock is taken and before room is reserved. An open fails with what before_openat
  // returns, when not 0.
  std::function<int(const char* path, int flags)> before_openat;
  std::function<void()> after_readlinkat;
  std::function<void()> before_flock;
  std::function<void()> before_fallocate;
  int fallocate_error = 0;  // Room cannot be reserved, for this reason.
  int reserving = 0;        // Times room was asked for, and whether the signals were held then.
  bool held_while_reserving = false;
  // Each open for writing is looked at: one that may make a file must hold the signals that end
  // the tool, and never wait; one that may wait must let them in. What breaks that is said here.
  bool watching = false;
  std::vector<std::string> broken;
};
Seams seams;

// Those the writer holds while a file it made may be left empty.
constexpr int kEnding[] = {SIGINT,  SIGTERM,   SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,
                           SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPWR};

bool EndingSignalsHeld() {
  sigset_t mask;
  sigprocmask(SIG_SETMASK, nullptr, &mask);
  for (int s : kEnding) {
    if (!sigismember(&mask, s)) return false;
  }
  return true;
}

}  // namespace

// Every close, openat, readlinkat, flock and fallocate in this test program comes here, the
// writer's among them.
extern "C" int close(int fd) {
  struct stat st;
  bool fail = seams.failing_close.ino != 0 && fstat(fd, &st) == 0 &&
              vantorel::IdOf(st) == seams.failing_close;
  long result = syscall(SYS_close, fd);
  if (result == 0 && fail) {
    errno = EIO;
    return -1;
  }
  return static_cast<int>(result);
}

extern "C" int openat(int dir, const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
  }
  if (seams.watching && (flags & O_ACCMODE) == O_WRONLY) {
    bool may_make = (flags & O_CREAT) != 0;
    bool may_wait = (flags & (O_NONBLOCK | O_EXCL)) == 0;
    bool held = EndingSignalsHeld();
    if ((may_make && (may_wait || !held)) || (!may_make && may_wait && held)) {
      seams.broken.push_back(std::string(path) + " opened with flags " + std::to_string(flags) +
                             (held ? ", signals held" : ", signals let in"));
    }
  }
  if (int error = seams.before_openat ? seams.before_openat(path, flags) : 0; error != 0) {
    errno = error;
    return -1;
  }
  return static_cast<int>(syscall(SYS_openat, dir, path, flags, mode));
}

extern "C" int flock(int fd, int operation) noexcept {
  if (seams.before_flock) seams.before_flock();
  return static_cast<int>(syscall(SYS_flock, fd, operation));
}

extern "C" int fallocate(int fd, int mode, off_t offset, off_t length) {
  seams.reserving++;
  seams.held_while_reserving = EndingSignalsHeld();
  if (seams.before_fallocate) seams.before_fallocate();
  if (seams.fallocate_error != 0) {
    errno = seams.fallocate_error;
    return -1;
  }
  return static_cast<int>(syscall(SYS_fallocate, fd, mode, offset, length));
}

extern "C" ssize_t readlinkat(int dir, const char* path, char* buffer, size_t size) noexcept {
  long result = syscall(SYS_readlinkat, dir, path, buffer, size);
  int error = errno;
  if (seams.after_readlinkat) seams.after_readlinkat();
  errno = error;
  return result;
}

namespace vantorel {

namespace {

using WriteCueFileTest = TempDirTest;

TEST_F(WriteCueFileTest, AFailedCloseIsAFailure) {
  Put("t.cue", "old");
  struct stat st;
  ASSERT_EQ(stat(Path("t.cue").c_str(), &st), 0);
  seams.failing_close = IdOf(st);
  CueFileWrite w = WriteCueFile(Path("t.cue"), "sheet\n", {});
  seams.failing_close = {};
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
  // One open only for reading is opened anew by its name, as any writer would. A number with a
  // leading zero names no file, as the kernel spells none so.
  struct Case {
    std::string prefix;
    int flags;
    int error;
    std::string result;
  } cases[] = {
      {"/dev/fd/", O_WRONLY | O_APPEND, 0, "before\nsheet\n"},
      {"/proc//self/fd/", O_RDWR | O_APPEND, 0, "before\nsheet\n"},
      {"/dev/fd/", O_RDONLY, 0, "sheet\n"},
      {"/dev/fd/0", O_WRONLY | O_APPEND, ENOENT, "before\n"},
      {"/proc/self/fd/00", O_WRONLY | O_APPEND, ENOENT, "before\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix + std::to_string(c.flags));
    Put("log", "before\n");
    int fd = open(Path("log").c_str(), c.flags);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(WriteCueFile(c.prefix + std::to_string(fd), "sheet\n", {}).error, c.error);
    close(fd);
    EXPECT_EQ(Read("log"), c.result);
  }
}

TEST_F(WriteCueFileTest, FailuresLeaveEverythingAsItWas) {
  Put("plain", "keep");
  Put("twin", "old");
  ASSERT_EQ(mkfifo(Path("list.fifo").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/full", Path("full.cue").c_str()), 0);
  struct stat plain, fifo, twin;
  ASSERT_EQ(stat(Path("plain").c_str(), &plain), 0);
  ASSERT_EQ(stat(Path("list.fifo").c_str(), &fifo), 0);
  ASSERT_EQ(stat(Path("twin").c_str(), &twin), 0);
  // The last stands for a file on another file system with twin's inode number: not twin.
  std::vector<GuardedFile> guarded = {{{plain.st_dev, plain.st_ino}, Guard::kWavFile},
                                      {{fifo.st_dev, fifo.st_ino}, Guard::kTrackList},
                                      {{twin.st_dev + 1, twin.st_ino}, Guard::kTrackList}};
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
      {Path("twin"), 0, Guard::kNone},
      // The kernel makes no file at a name that ends in / or is a directory's own.
      {Path("new.cue/"), EISDIR, Guard::kNone},
      {Path("."), EISDIR, Guard::kNone},
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
  EXPECT_EQ(Read("twin"), "text\n");
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"full.cue", "list.fifo", "plain", "prog", "twin"}));
}

// Every entry under dir, sorted, with what it is: "name/" a directory, "name|" a FIFO,
// "name -> body" a link and "name: bytes" a file, so that any change shows.
std::vector<std::string> Tree(const std::string& dir) {
  std::vector<std::string> tree;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    std::string name = e.path().lexically_relative(dir);
    if (e.is_symlink()) {
      tree.push_back(name + " -> " + std::filesystem::read_symlink(e.path()).string());
    } else if (e.is_directory()) {
      tree.push_back(name + "/");
    } else if (e.is_fifo()) {
      tree.push_back(name + "|");
    } else {
      tree.push_back(name + ": " + Slurp(e.path()));
    }
  }
  std::sort(tree.begin(), tree.end());
  return tree;
}

// Another program renames, links and removes while the write goes on, and room runs out or
// cannot be reserved: only what this call made is removed, through the directory it was made
// in; what it made and leaves is named; and no open that may make a file waits or lets in a
// signal that ends the tool.
TEST_F(WriteCueFileTest, WhatOthersDoMeanwhile) {
  // A sheet larger than a pipe holds.
  const std::string kLarge(256 * 1024, 's');
  struct Case {
    const char* what;
    std::string name;
    std::function<void()> setup = nullptr;
    std::function<int(const char*, int)> before_openat = nullptr;
    std::function<void()> after_readlinkat = nullptr, before_flock = nullptr,
                          before_fallocate = nullptr;
    int fallocate_error = ENOSPC;
    int error = ENOSPC;
    std::vector<std::string> tree = {};
    std::string left = "";  // Relative to the test's directory.
    int not_removed = 0;
    std::string text = "sheet\n";
    int mode = -1;  // Of the file called name afterwards, where it is looked at.
    // The file written was there: it gets its room before the signals are held. One this call
    // made has them held from the open that made it.
    bool old = false;
  };
  auto link = [&](const char* body, const char* name) { symlink(body, Path(name).c_str()); };
  // Is the open of path with flags the one asked for?
  auto is = [](const char* path, int flags, const char* name, int with, int without = 0) {
    return path == std::string(name) && (flags & with) == with && (flags & without) == 0;
  };
  int reader = -1;
  std::thread reading;
  std::string read_back;
  bool append_only = false;
  Case cases[] = {
      {.what = "a link put at the name as it is made",
       .name = "c.cue",
       .setup = [&] { Put("third.cue", "third's"); },
       .before_openat =
           [&](const char* path, int flags) {
             if (is(path, flags, "c.cue", O_EXCL)) link("third.cue", "c.cue");
             return 0;
           },
       .tree = {"c.cue -> third.cue", "third.cue: third's"},
       .old = true},
      {.what = "the link pointed elsewhere once it is read",
       .name = "c.cue",
       .setup =
           [&] {
             link("made.cue", "c.cue");
             Put("third.cue", "third's");
           },
       .after_readlinkat =
           [&] {
             unlink(Path("c.cue").c_str());
             link("third.cue", "c.cue");
           },
       .tree = {"c.cue -> third.cue", "third.cue: third's"}},
      {.what = "a directory on the way swapped for a link to another",
       .name = "d/c.cue",
       .setup =
           [&] {
             mkdir(Path("d").c_str(), 0755);
             mkdir(Path("other").c_str(), 0755);
             Put("other/c.cue", "third's");
           },
       .before_fallocate =
           [&] {
             rename(Path("d").c_str(), Path("d.old").c_str());
             link("other", "d");
           },
       .tree = {"d -> other", "d.old/", "other/", "other/c.cue: third's"}},
      // Before the lock, so that the rename is seen there too.
      {.what = "the file made moved away, and another given its name",
       .name = "c.cue",
       .setup = [&] { link("made.cue", "c.cue"); },
       .before_flock =
           [&] {
             rename(Path("made.cue").c_str(), Path("moved.cue").c_str());
             Put("made.cue", "third's");
           },
       .tree = {"c.cue -> made.cue", "made.cue: third's", "moved.cue: "},
       .left = "made.cue"},
      {.what = "the file made in a directory it cannot be removed from",
       .name = "ao/c.cue",
       .setup =
           [&] {
             mkdir(Path("ao").c_str(), 0755);
             int fd = open(Path("ao").c_str(), O_RDONLY | O_DIRECTORY);
             int flags = FS_APPEND_FL;
             append_only = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
             close(fd);
           },
       .tree = {"ao/", "ao/c.cue: "},
       .left = "ao/c.cue",
       .not_removed = EPERM},
      // Made by the open of what was there, which is then known for a file this call made.
      {.what = "the file there removed as it is opened",
       .name = "c.cue",
       .setup = [&] { Put("c.cue", "old"); },
       .before_openat =
           [&](const char* path, int flags) {
             if (is(path, flags, "c.cue", O_CREAT, O_EXCL)) unlink(Path("c.cue").c_str());
             return 0;
           },
       .tree = {}},
      {.what = "the file there removed before it is looked at",
       .name = "c.cue",
       .setup = [&] { Put("c.cue", "old"); },
       .before_openat =
           [&](const char* path, int flags) {
             if (is(path, flags, "c.cue", O_PATH | O_NOFOLLOW)) unlink(Path("c.cue").c_str());
             return 0;
           },
       .fallocate_error = 0,
       .error = 0,
       .tree = {"c.cue: sheet\n"}},
      {.what = "the file there removed as it is opened, and the sheet written",
       .name = "c.cue",
       .setup = [&] { Put("c.cue", "old"); },
       .before_openat =
           [&](const char* path, int flags) {
             if (is(path, flags, "c.cue", O_CREAT, O_EXCL)) unlink(Path("c.cue").c_str());
             return 0;
           },
       .fallocate_error = 0,
       .error = 0,
       .tree = {"c.cue: sheet\n"},
       .mode = 0640},
      // As fs.protected_symlinks has the kernel refuse a link of another user's in a sticky
      // directory.
      {.what = "a link the kernel will not follow",
       .name = "c.cue",
       .setup = [&] { link("made.cue", "c.cue"); },
       .before_openat =
           [&](const char* path, int flags) {
             return is(path, flags, "c.cue", O_PATH, O_NOFOLLOW) ? EACCES : 0;
           },
       .fallocate_error = 0,
       .error = EACCES,
       .tree = {"c.cue -> made.cue"}},
      {.what = "the link removed as it is followed",
       .name = "c.cue",
       .setup = [&] { link("made.cue", "c.cue"); },
       .before_openat =
           [&](const char* path, int flags) {
             if (is(path, flags, "c.cue", O_PATH, O_NOFOLLOW)) unlink(Path("c.cue").c_str());
             return 0;
           },
       .fallocate_error = 0,
       .error = 0,
       .tree = {"c.cue: sheet\n"}},
      // It waits for a reader as cat does, with the signals let in.
      {.what = "a FIFO put where the link leads as it is made",
       .name = "c.cue",
       .setup = [&] { link("f", "c.cue"); },
       .before_openat =
           [&](const char* path, int flags) {
             if (is(path, flags, "f", O_EXCL)) mkfifo(Path("f").c_str(), 0644);
             if (is(path, flags, "f", O_WRONLY, O_NONBLOCK | O_CREAT)) {
               reader = open(Path("f").c_str(), O_RDONLY | O_NONBLOCK);
             }
             return 0;
           },
       .error = 0,
       .tree = {"c.cue -> f", "f|"}},
      // Its reader is there first, and reads the sheet only once the pipe is full.
      {.what = "a FIFO that a sheet larger than a pipe fills",
       .name = "f",
       .setup =
           [&] {
             mkfifo(Path("f").c_str(), 0644);
             reader = open(Path("f").c_str(), O_RDONLY | O_NONBLOCK);
             fcntl(reader, F_SETFL, 0);
             reading = std::thread([&] {
               usleep(100'000);
               char buffer[4096];
               for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;) {
                 read_back.append(buffer, n);
               }
             });
           },
       .error = 0,
       .tree = {"f|"},
       .text = kLarge},
      // File systems that cannot reserve room (exFAT, FUSE) and sandboxes that deny it.
      {.what = "room that cannot be reserved here",
       .name = "n.cue",
       .fallocate_error = EOPNOTSUPP,
       .error = 0,
       .tree = {"n.cue: sheet\n"}},
      {.what = "room reserved by no such call",
       .name = "n.cue",
       .fallocate_error = ENOSYS,
       .error = 0,
       .tree = {"n.cue: sheet\n"}},
      {.what = "room the sandbox will not reserve",
       .name = "n.cue",
       .fallocate_error = EPERM,
       .error = 0,
       .tree = {"n.cue: sheet\n"}},
      {.what = "no room for a new file", .name = "n.cue"},
      {.what = "no room for an old file",
       .name = "n.cue",
       .setup = [&] { Put("n.cue", "old"); },
       .tree = {"n.cue: old"},
       .old = true},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directory(dir_);
    if (c.setup) c.setup();
    if (c.name.starts_with("ao/") && !append_only) {
      std::cout << "SKIP: " << c.what << ": no append-only directory here\n";
      continue;
    }
    sigset_t mask;
    sigprocmask(SIG_SETMASK, nullptr, &mask);
    mode_t umask_before = umask(027);
    seams.before_openat = c.before_openat;
    seams.after_readlinkat = c.after_readlinkat;
    seams.before_flock = c.before_flock;
    seams.before_fallocate = c.before_fallocate;
    seams.fallocate_error = c.fallocate_error;
    seams.watching = true;
    CueFileWrite w = WriteCueFile(Path(c.name), c.text, {});
    bool held = EndingSignalsHeld();
    std::vector<std::string> broken = seams.broken;
    if (seams.reserving > 0) {
      EXPECT_EQ(seams.held_while_reserving, !c.old);
    }
    seams = {};
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    umask(umask_before);
    if (append_only) {
      int fd = open(Path("ao").c_str(), O_RDONLY | O_DIRECTORY);
      int flags = 0;
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
      close(fd);
      append_only = false;
    }
    EXPECT_EQ(w.error, c.error);
    EXPECT_EQ(Tree(dir_), c.tree);
    EXPECT_EQ(w.left, c.left.empty() ? "" : Path(c.left));
    EXPECT_EQ(w.not_removed, c.not_removed);
    struct stat st;
    if (c.mode >= 0 && stat(Path(c.name).c_str(), &st) == 0) {
      EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(c.mode));
    }
    // A file made and left is said before a signal may end the tool.
    EXPECT_EQ(held, !c.left.empty());
    EXPECT_EQ(broken, std::vector<std::string>{});
    if (reading.joinable()) {
      reading.join();
    } else if (reader >= 0) {
      char buffer[16] = {};
      read_back.assign(buffer, std::max<ssize_t>(read(reader, buffer, sizeof buffer), 0));
    }
    if (reader >= 0) {
      EXPECT_EQ(read_back, c.text);
      close(reader);
      reader = -1;
      read_back.clear();
    }
  }
}

}  // namespace

}  // namespace vantorel
