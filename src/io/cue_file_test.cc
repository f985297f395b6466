#include "io/cue_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "support/temp_dir.h"

namespace {

// What the writer's system calls meet in this test program, set by a case and cleared after it:
// another program at work before an open (which fails with what before_openat returns, when not
// 0), after a link is read, before the lock is taken and before room is reserved; room that cannot
// be reserved; a file whose close fails after closing it, as on a file system that reports a lost
// write only then.
struct Seams {
  vantorel::FileId failing_close;
  std::function<int(const char* path, int flags)> before_openat;
  std::function<void()> after_readlinkat, before_flock, before_fallocate;
  int fallocate_error = 0;
  bool reserved = false, held_while_reserving = false;
  // Each open for writing that may make a file must hold the signals that end the tool, and never
  // wait; one that may wait must let them in. What breaks that is said here.
  bool watching = false;
  std::vector<std::string> broken;
};
Seams seams;

bool EndingSignalsHeld() {
  sigset_t mask;
  sigprocmask(SIG_SETMASK, nullptr, &mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                SIGXCPU, SIGPWR}) {
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
  seams.reserved = true;
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

using WriteCueFileTest = TempDirTest;

// What the writer does with each kind of name, and with what another program does meanwhile:
// what the call made and cannot write is removed, through the directory it was made in, and
// nothing else; what it made and leaves is named; the ending signals are held from the first
// change of a file that was there, or the open that made one, and no open that may make a file
// waits or lets one in.
TEST_F(WriteCueFileTest, EveryKindOfName) {
  const std::string kOld = "the old sheet\n";  // Longer than the sheet, so that a tail shows.
  const std::string kWritten = "c.cue: sheet\n";
  struct Case {
    const char* what;
    std::string name = "c.cue";  // Relative to the test's directory, but for one from /.
    std::function<void()> setup = nullptr;
    int error = 0;
    std::vector<std::string> tree = {};
    int fd_flags = -1;  // c.cue is opened so on a descriptor, which {fd} in the name stands for.
    Guard guard = Guard::kNone;  // c.cue is guarded so, or where twin, a file with its inode's
    bool twin = false;           // number on another device.
    bool failing_close = false;  // c.cue's close fails.
    std::string text = "sheet\n";
    int mode = -1;  // Of the file called name afterwards, where it is looked at.
    // Whether the call makes the file it writes; by default, whether the name led to none.
    std::optional<bool> made = std::nullopt;
    std::function<int(const char*, int)> before_openat = nullptr;
    std::function<void()> after_readlinkat = nullptr, before_flock = nullptr,
                          before_fallocate = nullptr;
    int fallocate_error = 0;
    std::string left = "";  // Relative to the test's directory.
    int not_removed = 0;
  };
  auto link = [&](const char* body, const char* name) { symlink(body, Path(name).c_str()); };
  auto old = [&] { Put("c.cue", kOld); };
  auto link_to = [&](const char* body) { return [&, body] { link(body, "c.cue"); }; };
  auto remove = [&] { unlink(Path("c.cue").c_str()); };
  // At the open of name with the flags with and none of without, act, and fail with fail.
  auto on = [](const char* name, int with, int without, std::function<void()> act, int fail = 0) {
    return [=](const char* path, int flags) {
      if (path != std::string(name) || (flags & with) != with || (flags & without) != 0) return 0;
      if (act) act();
      return fail;
    };
  };
  int reader = -1;
  std::thread reading;
  std::string read_back;
  pid_t running = -1;
  bool append_only = false;
  auto fifo = [&] {
    mkfifo(Path("c.cue").c_str(), 0644);
    reader = open(Path("c.cue").c_str(), O_RDONLY | O_NONBLOCK);
  };
  Case cases[] = {
      {.what = "a new file, with the mode the umask leaves", .tree = {kWritten}, .mode = 0640},
      // In place: its inode, and with it its mode and its other names, stay.
      {.what = "an old file",
       .setup =
           [&] {
             old();
             chmod(Path("c.cue").c_str(), 0604);
             ::link(Path("c.cue").c_str(), Path("second.cue").c_str());
           },
       .tree = {kWritten, "second.cue: sheet\n"},
       .mode = 0604},
      {.what = "an empty sheet", .name = "c.cue", .setup = old, .tree = {"c.cue: "}, .text = ""},
      {"a link, followed and kept",
       "c.cue",
       link_to("real.cue"),
       0,
       {"c.cue -> real.cue", "real.cue: sheet\n"}},
      {"a dangling link, whose file is made beside it",
       "sub/c.cue",
       [&] {
         mkdir(Path("sub").c_str(), 0755);
         link("new.cue", "sub/c.cue");
       },
       0,
       {"sub/", "sub/c.cue -> new.cue", "sub/new.cue: sheet\n"}},
      {"a loop of links", "c.cue", link_to("c.cue"), ELOOP, {"c.cue -> c.cue"}},
      // As with 3>>log: the sheet goes through a descriptor open for writing, after what it holds.
      // One open otherwise is opened anew by its name, as any writer would. A number with a
      // leading zero names no file, as the kernel spells none so.
      {"a descriptor open to append",
       "/dev/fd/{fd}",
       old,
       0,
       {"c.cue: " + kOld + "sheet\n"},
       O_WRONLY | O_APPEND},
      {"a descriptor open to read and append",
       "/proc//self/fd/{fd}",
       old,
       0,
       {"c.cue: " + kOld + "sheet\n"},
       O_RDWR | O_APPEND},
      {"a descriptor open to read", "/dev/fd/{fd}", old, 0, {kWritten}, O_RDONLY},
      {"a descriptor open to read and write", "/dev/fd/{fd}", old, 0, {kWritten}, O_RDWR},
      {"a descriptor of a FIFO", "/dev/fd/{fd}", fifo, 0, {"c.cue|"}, O_WRONLY},
      {"a descriptor's number with a leading zero",
       "/dev/fd/0{fd}",
       old,
       ENOENT,
       {"c.cue: " + kOld},
       O_WRONLY | O_APPEND},
      {"a descriptor's number with zeros in /proc",
       "/proc/self/fd/00{fd}",
       old,
       ENOENT,
       {"c.cue: " + kOld},
       O_WRONLY | O_APPEND},
      {"a WAV file of the list", "c.cue", old, 0, {"c.cue: " + kOld}, -1, Guard::kWavFile},
      {"a WAV file of the list, by a descriptor",
       "/dev/fd/{fd}",
       old,
       0,
       {"c.cue: " + kOld},
       O_WRONLY | O_APPEND,
       Guard::kWavFile},
      // Refused without being opened, which would wait for a reader.
      {"the list, a FIFO", "c.cue", fifo, 0, {"c.cue|"}, -1, Guard::kTrackList},
      {"another device's file of the list's inode number",
       "c.cue",
       old,
       0,
       {kWritten},
       -1,
       Guard::kTrackList,
       true},
      {"a missing directory", "missing/c.cue", nullptr, ENOENT, {}},
      {"a file as a directory", "c.cue/c.cue", old, ENOTDIR, {"c.cue: " + kOld}},
      {"a full device", "c.cue", link_to("/dev/full"), ENOSPC, {"c.cue -> /dev/full"}},
      {"a directory", "sub", [&] { mkdir(Path("sub").c_str(), 0755); }, EISDIR, {"sub/"}},
      // The kernel makes no file at a name that ends in / or is a directory's own.
      {"a name that ends in /", "c.cue/", nullptr, EISDIR, {}},
      {"the directory's own name", ".", nullptr, EISDIR, {}},
      {"a running program",
       "c.cue",
       [&] {
         std::filesystem::copy_file("/bin/sleep", Path("c.cue"));
         int ready[2];
         pipe2(ready, O_CLOEXEC);
         if ((running = fork()) == 0) {
           execl(Path("c.cue").c_str(), "sleep", "60", nullptr);
           _exit(127);
         }
         close(ready[1]);
         char c;
         while (read(ready[0], &c, 1) > 0) {  // Its end of the pipe closes at the exec.
         }
         close(ready[0]);
       },
       ETXTBSY,
       {"c.cue: " + Slurp("/bin/sleep")}},
      {.what = "a close that fails",
       .setup = old,
       .error = EIO,
       .tree = {kWritten},
       .failing_close = true},
      {.what = "a link put at the name as it is made",
       .setup = [&] { Put("third.cue", "third's"); },
       .error = ENOSPC,
       .tree = {"c.cue -> third.cue", "third.cue: third's"},
       .made = false,
       .before_openat = on("c.cue", O_EXCL, 0, link_to("third.cue")),
       .fallocate_error = ENOSPC},
      {.what = "the link pointed elsewhere once it is read",
       .setup = link_to("made.cue"),
       .error = ENOSPC,
       .tree = {"c.cue -> third.cue", "third.cue: third's"},
       .after_readlinkat =
           [&] {
             remove();
             link("third.cue", "c.cue");
             Put("third.cue", "third's");
           },
       .fallocate_error = ENOSPC},
      {.what = "a directory on the way swapped for a link to another",
       .name = "d/c.cue",
       .setup =
           [&] {
             mkdir(Path("d").c_str(), 0755);
             mkdir(Path("other").c_str(), 0755);
             Put("other/c.cue", "third's");
           },
       .error = ENOSPC,
       .tree = {"d -> other", "d.old/", "other/", "other/c.cue: third's"},
       .before_fallocate =
           [&] {
             rename(Path("d").c_str(), Path("d.old").c_str());
             link("other", "d");
           },
       .fallocate_error = ENOSPC},
      // Before the lock, so that the rename is seen there too.
      {.what = "the file made moved away, and another given its name",
       .setup = link_to("made.cue"),
       .error = ENOSPC,
       .tree = {"c.cue -> made.cue", "made.cue: third's", "moved.cue: "},
       .before_flock =
           [&] {
             rename(Path("made.cue").c_str(), Path("moved.cue").c_str());
             Put("made.cue", "third's");
           },
       .fallocate_error = ENOSPC,
       .left = "made.cue"},
      // What another writer wrote before the lock was taken makes the file theirs.
      {.what = "the file made written by another",
       .error = ENOSPC,
       .tree = {"c.cue: theirs"},
       .before_flock = [&] { Put("c.cue", "theirs"); },
       .fallocate_error = ENOSPC},
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
       .error = ENOSPC,
       .tree = {"ao/", "ao/c.cue: "},
       .fallocate_error = ENOSPC,
       .left = "ao/c.cue",
       .not_removed = EPERM},
      // Made by the open of what was there, which is then known for a file this call made.
      {.what = "the file there removed as it is opened",
       .setup = old,
       .error = ENOSPC,
       .made = true,
       .before_openat = on("c.cue", O_CREAT, O_EXCL, remove),
       .fallocate_error = ENOSPC},
      {.what = "the file there removed as it is opened, and the sheet written",
       .setup = old,
       .tree = {kWritten},
       .mode = 0640,
       .made = true,
       .before_openat = on("c.cue", O_CREAT, O_EXCL, remove)},
      {.what = "the file there removed before it is looked at",
       .setup = old,
       .tree = {kWritten},
       .made = true,
       .before_openat = on("c.cue", O_PATH | O_NOFOLLOW, 0, remove)},
      // As fs.protected_symlinks has the kernel refuse a link of another user's in a sticky
      // directory.
      {.what = "a link the kernel will not follow",
       .setup = link_to("made.cue"),
       .error = EACCES,
       .tree = {"c.cue -> made.cue"},
       .before_openat = on("c.cue", O_PATH, O_NOFOLLOW, nullptr, EACCES)},
      {.what = "the link removed as it is followed",
       .setup = link_to("made.cue"),
       .tree = {kWritten},
       .before_openat = on("c.cue", O_PATH, O_NOFOLLOW, remove)},
      // It waits for a reader as cat does, with the signals let in.
      {.what = "a FIFO put where the link leads as it is made",
       .setup = link_to("f"),
       .tree = {"c.cue -> f", "f|"},
       .before_openat =
           [&](const char* path, int flags) {
             on("f", O_EXCL, 0, [&] { mkfifo(Path("f").c_str(), 0644); })(path, flags);
             on("f", O_WRONLY, O_NONBLOCK | O_CREAT,
                [&] { reader = open(Path("f").c_str(), O_RDONLY | O_NONBLOCK); })(path, flags);
             return 0;
           }},
      // Its reader is there first, and reads the sheet only once the pipe is full.
      {.what = "a FIFO that a sheet larger than a pipe fills",
       .setup =
           [&] {
             fifo();
             fcntl(reader, F_SETFL, 0);
             reading = std::thread([&] {
               usleep(100'000);
               char buffer[4096];
               for (ssize_t n; (n = read(reader, buffer, sizeof buffer)) > 0;) {
                 read_back.append(buffer, n);
               }
             });
           },
       .tree = {"c.cue|"},
       .text = std::string(256 * 1024, 's')},
      // File systems that cannot reserve room (exFAT, FUSE) and sandboxes that deny it.
      {.what = "room that cannot be reserved here",
       .tree = {kWritten},
       .fallocate_error = EOPNOTSUPP},
      {.what = "room reserved by no such call", .tree = {kWritten}, .fallocate_error = ENOSYS},
      {.what = "room the sandbox will not reserve", .tree = {kWritten}, .fallocate_error = EPERM},
      {.what = "no room for a new file", .error = ENOSPC, .fallocate_error = ENOSPC},
      {.what = "no room for an old file",
       .setup = old,
       .error = ENOSPC,
       .tree = {"c.cue: " + kOld},
       .fallocate_error = ENOSPC},
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
    int fd = c.fd_flags >= 0 ? open(Path("c.cue").c_str(), c.fd_flags) : -1;
    std::string name = c.name.starts_with("/") ? c.name : Path(c.name);
    if (size_t at = name.find("{fd}"); at != std::string::npos) {
      name.replace(at, 4, std::to_string(fd));
    }
    struct stat st = {};
    bool made = c.made.value_or(stat(name.c_str(), &st) != 0);
    stat(Path("c.cue").c_str(), &st);
    std::vector<GuardedFile> guarded;
    if (c.guard != Guard::kNone) guarded.push_back({{st.st_dev + c.twin, st.st_ino}, c.guard});
    if (c.failing_close) seams.failing_close = IdOf(st);
    sigset_t mask;
    sigprocmask(SIG_SETMASK, nullptr, &mask);
    mode_t umask_before = umask(027);
    seams.before_openat = c.before_openat;
    seams.after_readlinkat = c.after_readlinkat;
    seams.before_flock = c.before_flock;
    seams.before_fallocate = c.before_fallocate;
    seams.fallocate_error = c.fallocate_error;
    seams.watching = true;
    CueFileWrite w = WriteCueFile(name, c.text, guarded);
    bool held = EndingSignalsHeld();
    Seams seen = std::move(seams);
    seams = {};
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    umask(umask_before);
    if (fd >= 0) close(fd);
    if (running > 0) {
      kill(running, SIGKILL);
      waitpid(running, nullptr, 0);
      running = -1;
    }
    if (append_only) {
      int ao = open(Path("ao").c_str(), O_RDONLY | O_DIRECTORY);
      int flags = 0;
      ioctl(ao, FS_IOC_SETFLAGS, &flags);
      close(ao);
      append_only = false;
    }
    EXPECT_EQ(w.error, c.error);
    EXPECT_EQ(w.refused, c.twin ? Guard::kNone : c.guard);
    EXPECT_EQ(Tree(dir_), c.tree);
    EXPECT_EQ(w.left, c.left.empty() ? "" : Path(c.left));
    EXPECT_EQ(w.not_removed, c.not_removed);
    if (c.mode >= 0 && stat(name.c_str(), &st) == 0) {
      EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(c.mode));
    }
    // A file that was there gets its room before the signals are held; one this call made has
    // them held from the open that made it.
    if (seen.reserved) {
      EXPECT_EQ(seen.held_while_reserving, made);
    }
    // A file made and left is said before a signal may end the tool.
    EXPECT_EQ(held, !c.left.empty());
    EXPECT_EQ(seen.broken, std::vector<std::string>{});
    if (reading.joinable()) {
      reading.join();
    } else if (reader >= 0) {
      char buffer[16] = {};
      read_back.assign(buffer, std::max<ssize_t>(read(reader, buffer, sizeof buffer), 0));
    }
    if (reader >= 0) {
      EXPECT_EQ(read_back, c.guard == Guard::kNone ? c.text : "");
      close(reader);
      reader = -1;
      read_back.clear();
    }
  }
}

}  // namespace

}  // namespace vantorel
