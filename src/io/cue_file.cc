#include "io/cue_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>

namespace vantorel {

namespace {

constexpr int kOpenFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC;
// The links a name may lead through, as the kernel counts them.
constexpr int kMaxLinks = 40;

Guard GuardOf(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.id == IdOf(st)) return g.guard;
  }
  return Guard::kNone;
}

// Every signal whose default action ends the process, held back while a file may be left empty
// or half written.
struct EndingSignals {
  sigset_t previous;
  bool held = false;
};

void Hold(EndingSignals* signals) {
  if (signals->held) return;
  sigset_t ending;
  sigfillset(&ending);
  // These stop the process, let it go on, or are ignored unless caught; none ends it.
  for (int other : {SIGCHLD, SIGCONT, SIGURG, SIGWINCH, SIGTSTP, SIGTTIN, SIGTTOU}) {
    sigdelset(&ending, other);
  }
  sigprocmask(SIG_BLOCK, &ending, &signals->previous);
  signals->held = true;
}

// Lets them in again: one that came meanwhile ends the tool now.
void Release(EndingSignals* signals) {
  if (!signals->held) return;
  sigprocmask(SIG_SETMASK, &signals->previous, nullptr);
  signals->held = false;
}

// The file status flags of fd when it is open for writing, or -1. A closed standard descriptor
// holds a stand-in that is not (see ReserveClosedStandardDescriptors).
int WritableFlags(int fd) {
  int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY ? flags : -1;
}

// The descriptor open for writing that a name such as /dev/fd/3 spells out, or -1. The user who
// names one has opened it for the tool, perhaps to append, and means the sheet to go through it.
int NamedDescriptor(std::string_view name) {
  std::string path;
  for (char c : name) {
    if (c != '/' || !path.ends_with('/')) path += c;
  }
  int fd = -1;
  const char* const standard[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
  for (int i = 0; i < 3; ++i) {
    if (path == standard[i]) fd = i;
  }
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(prefix)) continue;
    // Only the number as the kernel spells it names a descriptor: /dev/fd/03 and /dev/fd/-0
    // name no file at all.
    std::string_view number = std::string_view(path).substr(prefix.size());
    bool spelled = !number.empty() && number[0] >= '0' && number[0] <= '9' &&
                   (number[0] != '0' || number.size() == 1);
    const char* end = number.data() + number.size();
    if (!spelled || std::from_chars(number.data(), end, fd).ptr != end) fd = -1;
  }
  return fd >= 0 && WritableFlags(fd) >= 0 ? fd : -1;
}

// Writes text through fd, which is open for writing with flags on the file st, after what is
// already there. A regular file not opened to append is cut where the text ends, so that no
// old tail follows it.
int WriteThrough(int fd, int flags, const struct stat& st, std::string_view text) {
  int error = WriteAll(fd, text);
  if (error != 0 || !S_ISREG(st.st_mode) || (flags & O_APPEND) != 0) return error;
  off_t end = lseek(fd, 0, SEEK_CUR);
  return end >= 0 && ftruncate(fd, end) == 0 ? 0 : errno;
}

// A name in a directory: dir is AT_FDCWD, or an O_PATH descriptor of the directory's own that
// no later rename of a directory on the way to it changes.
struct Entry {
  int dir = AT_FDCWD;
  std::string name;
};

void CloseDir(Entry* at) {
  if (at->dir >= 0) close(at->dir);
  at->dir = AT_FDCWD;
}

// Points *at at what path names relative to at->dir: the directory part is opened, links on the
// way followed by the kernel, and the last part is the name in it.
int Locate(const std::string& path, Entry* at) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    at->name = path;
    return 0;
  }
  int dir = openat(at->dir, path.substr(0, slash + 1).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return errno;
  CloseDir(at);
  at->dir = dir;
  at->name = path.substr(slash + 1);
  return 0;
}

// The file the cue file was opened on, and the entry it was found at.
struct Target {
  int fd = -1;
  bool made = false;  // This call made it, and the open that made it is the one that opened it.
  Entry at;
  std::string path;  // The path to the entry, as the name and the links followed spell it.
};

// Opens what already exists at path relative to dir into *fd; a link there is followed by the
// kernel where follow says so, and is otherwise ELOOP. The open has O_CREAT, as `cat >` opens,
// since the kernel guards files and FIFOs in sticky directories on such opens alone; so that it
// never waits, it has O_NONBLOCK too, with the ending signals held, as for any open that may make
// a file; they stay held when it opens one, for the caller to let in unless the open made it. A
// file it makes, where the name was freed a moment before, gets no mode bits, which tells it from
// any file that was there. A FIFO without a reader is then opened again without O_CREAT, with the
// signals let in, so that one of them ends the wait as it ends cat's.
int OpenExisting(int dir, const char* path, bool follow, bool may_make, EndingSignals* signals,
                 int* fd) {
  int flags = kOpenFlags | O_NONBLOCK | (follow ? 0 : O_NOFOLLOW);
  if (may_make) {
    Hold(signals);
    flags |= O_CREAT;
  }
  *fd = openat(dir, path, flags, 0);
  // Writes wait again: O_NONBLOCK is the only status flag the open set.
  if (*fd >= 0) return fcntl(*fd, F_SETFL, 0) == 0 ? 0 : CloseKeeping(*fd, errno);
  int error = errno;
  Release(signals);
  if (error != ENXIO) return error;
  *fd = openat(dir, path, flags & ~(O_CREAT | O_NONBLOCK));
  return *fd >= 0 ? 0 : errno;
}

// Whether OpenExisting made the file open on fd itself, where the file was stood a moment
// before: one it made has no mode bits, is this user's and is empty. Such a file gets the mode
// the exclusive create gives.
bool MadeByTheOpen(int fd, const struct stat& was) {
  struct stat now;
  if (fstat(fd, &now) != 0 || IdOf(now) == IdOf(was) || !S_ISREG(now.st_mode) ||
      (now.st_mode & 07777) != 0 || now.st_uid != geteuid() || now.st_size != 0) {
    return false;
  }
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  return true;
}

// Whether dir is in /proc, whose links to open files and directories name them in words of
// their own ("pipe:[7]"): only the kernel follows those. No file can be made there.
bool InProc(int dir) {
  struct statfs fs;
  return (dir == AT_FDCWD ? statfs(".", &fs) : fstatfs(dir, &fs)) == 0 &&
         fs.f_type == PROC_SUPER_MAGIC;
}

// Reads the link at into *body, one level, as the kernel follows it. The kernel's own
// resolution first says whether the link may be followed at all (fs.protected_symlinks) and
// whether the links from it loop. ENOENT or EINVAL: it is no longer there, or no link.
int ReadLink(const Entry& at, std::string* body) {
  int target = openat(at.dir, at.name.c_str(), O_PATH | O_CLOEXEC);
  if (target >= 0) {
    close(target);
  } else if (errno != ENOENT) {
    return errno;
  }
  body->assign(PATH_MAX, '\0');
  ssize_t n = readlinkat(at.dir, at.name.c_str(), body->data(), body->size());
  if (n < 0) return errno;
  if (static_cast<size_t>(n) == body->size()) return ENAMETOOLONG;
  body->resize(static_cast<size_t>(n));
  return 0;
}

// Opens the file called name as `cat > name` opens it, into *t, making it if may_make. Links are
// followed one at a time: where the name, or what a link names, is no file yet, the file is made
// there with an exclusive create, relative to its directory's descriptor, so that t->made is
// true only of the file that this call made. The ending signals are held over every open that
// may make a file; no such open waits.
int Open(const std::string& name, bool may_make, EndingSignals* signals, Target* t) {
  std::string path = name;  // Relative to t->at.dir.
  t->path = name;
  for (int turns = 0; turns <= kMaxLinks; ++turns) {
    // No open makes a file at a name that ends in /, . or ..: the kernel says why.
    std::string_view last = std::string_view(path).substr(path.rfind('/') + 1);
    if (last.empty() || last == "." || last == "..") {
      return OpenExisting(t->at.dir, path.c_str(), false, may_make, signals, &t->fd);
    }
    if (int error = Locate(path, &t->at); error != 0) return error;
    path = t->at.name;
    const char* entry = path.c_str();
    if (may_make) {
      Hold(signals);
      t->fd = openat(t->at.dir, entry, kOpenFlags | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
      if (t->fd >= 0) {
        t->made = true;
        return 0;
      }
      if (errno != EEXIST) return errno;
    }
    // What is there, held open while it is opened for writing, so that no file made meanwhile
    // can have its inode's number. One that is gone already is made anew.
    int there = openat(t->at.dir, entry, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (there < 0) {
      if (errno == ENOENT && may_make) continue;
      return errno;
    }
    struct stat was;
    int error = fstat(there, &was) == 0 ? 0 : errno;
    if (error == 0 && !S_ISLNK(was.st_mode)) {
      error = OpenExisting(t->at.dir, entry, false, may_make, signals, &t->fd);
      if (error == 0 && may_make) t->made = MadeByTheOpen(t->fd, was);
    } else if (error == 0) {
      error = ELOOP;
    }
    close(there);
    if (error != ELOOP) return error;
    if (InProc(t->at.dir)) return OpenExisting(t->at.dir, entry, true, may_make, signals, &t->fd);
    // A link: what it names is opened next, relative to its directory. One that is gone or no
    // link any more is looked at again.
    std::string body;
    error = ReadLink(t->at, &body);
    if (error == ENOENT || error == EINVAL) continue;
    if (error != 0) return error;
    path = body;
    t->path = body.starts_with('/') ? body : t->path.substr(0, t->path.rfind('/') + 1) + body;
  }
  return ELOOP;
}

// Opens as Open does, and lets the ending signals in again unless this call made the file.
int OpenByName(const std::string& name, bool may_make, EndingSignals* signals, Target* t) {
  int error = Open(name, may_make, signals, t);
  if (!t->made) Release(signals);
  return error;
}

// Takes an exclusive lock on fd, so that runs take turns; false when another program held it
// longer than a run should wait.
bool Lock(int fd) {
  for (int tries = 0; tries < 40; ++tries) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return true;
    struct timespec pause = {0, 50'000'000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

// Reserves room for size bytes without changing the file's length. File systems that cannot
// reserve, and sandboxes that deny the call, are no reason to give up.
int Reserve(int fd, size_t size) {
  while (size > 0 && fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0) {
    if (errno == EOPNOTSUPP || errno == ENOSYS || errno == EPERM) return 0;
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Rewrites the locked regular file fd to hold text alone, with the ending signals held from the
// first change until the caller has closed it.
int Rewrite(int fd, std::string_view text, EndingSignals* signals) {
  if (int error = Reserve(fd, text.size()); error != 0) return error;
  Hold(signals);
  int error = WriteAll(fd, text);
  if (error == 0 && ftruncate(fd, static_cast<off_t>(text.size())) != 0) error = errno;
  return error;
}

// Removes the file this run made, open on fd as id, from the entry it was made at, through its
// directory's descriptor and only while the entry is still that file: a directory renamed or
// replaced by a link on the way to it, or a link flipped, changes nothing. A file that stays is
// named in result->left by the path it was made at.
void RemoveMade(const Target& t, FileId id, CueFileWrite* result) {
  struct stat st;
  const char* entry = t.at.name.c_str();
  if (fstatat(t.at.dir, entry, &st, AT_SYMLINK_NOFOLLOW) == 0 && IdOf(st) == id) {
    if (unlinkat(t.at.dir, entry, 0) == 0) return;
    result->not_removed = errno;
    result->left = t.path;
    return;
  }
  // Another file has the name now, or none: whoever moved this one away has it, and nothing is
  // removed. One that nobody removed stays where it is.
  if (fstat(t.fd, &st) == 0 && st.st_nlink == 0) return;
  result->left = t.path;
}

// Opens the cue file by its name into *t and writes it; *again when it should be opened anew.
CueFileWrite WriteByName(const std::string& name, std::string_view text,
                         const std::vector<GuardedFile>& guarded, bool too_large, bool may_retry,
                         EndingSignals* signals, Target* t, bool* again) {
  *again = false;
  int error = OpenByName(name, !too_large, signals, t);
  if (error != 0) return {too_large && error == ENOENT ? EFBIG : error};
  struct stat st;
  if (fstat(t->fd, &st) != 0) return {CloseKeeping(t->fd, errno)};
  if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {CloseKeeping(t->fd, 0), g};
  // Opening that file anew would start at its beginning, over what the tool has written there.
  for (int held : {1, 2}) {
    struct stat held_st;
    if (fstat(held, &held_st) != 0 || IdOf(held_st) != IdOf(st)) continue;
    if (int flags = WritableFlags(held); flags >= 0) {
      return {CloseKeeping(t->fd, WriteThrough(held, flags, held_st, text))};
    }
  }
  if (!S_ISREG(st.st_mode)) return {CloseKeeping(t->fd, WriteAll(t->fd, text))};

  CueFileWrite result;
  result.unlocked = !Lock(t->fd);
  struct stat locked;
  if (fstat(t->fd, &locked) != 0) return {CloseKeeping(t->fd, errno)};
  // Removed or replaced while this run waited: the sheet belongs to whatever has the name now.
  if (locked.st_nlink == 0 && may_retry) {
    close(t->fd);
    *again = true;
    return result;
  }
  // Another run wrote the file this one made before this one had it locked; it is theirs. A
  // rename or a new link changes no file's time of change of its bytes.
  if (locked.st_size != 0 || locked.st_mtim.tv_sec != st.st_mtim.tv_sec ||
      locked.st_mtim.tv_nsec != st.st_mtim.tv_nsec) {
    t->made = false;
  }
  error = too_large ? EFBIG : Rewrite(t->fd, text, signals);
  // A file this run made goes again, while it is still locked.
  if (error != 0 && t->made) RemoveMade(*t, IdOf(st), &result);
  result.error = CloseKeeping(t->fd, error);
  return result;
}

CueFileWrite WriteCue(const std::string& name, std::string_view text,
                      const std::vector<GuardedFile>& guarded, EndingSignals* signals) {
  struct stat st;
  if (int fd = NamedDescriptor(name); fd >= 0) {
    if (fstat(fd, &st) != 0) return {errno};
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
    int flags = WritableFlags(fd);
    // Standard output and error carry the tool's own text too, so the sheet follows it there.
    // A regular file on any other descriptor, not opened to append, is opened anew by its name
    // below, as `cat > /dev/fd/3` opens it, and rewritten like any other.
    if (fd == 1 || fd == 2 || !S_ISREG(st.st_mode) || (flags & O_APPEND) != 0) {
      return {WriteThrough(fd, flags, st, text)};
    }
  }
  // Refused without being opened, so that a FIFO or a read-only list gets the right message.
  if (stat(name.c_str(), &st) == 0) {
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
  }
  struct rlimit limit;
  bool too_large = getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                   text.size() > limit.rlim_cur;
  for (int attempt = 0;; ++attempt) {
    Target target;
    bool again = false;
    CueFileWrite result =
        WriteByName(name, text, guarded, too_large, attempt < 3, signals, &target, &again);
    CloseDir(&target.at);
    if (!again) return result;
  }
}

}  // namespace

CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded) {
  EndingSignals signals;
  CueFileWrite result = WriteCue(name, text, guarded, &signals);
  // The line that names a file this run made and left is said before a signal may end the tool.
  if (result.left.empty()) Release(&signals);
  return result;
}

}  // namespace vantorel
