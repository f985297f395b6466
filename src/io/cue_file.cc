#include "io/cue_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace vantorel {

namespace {

constexpr int kOpenFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC;

Guard GuardOf(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.id == IdOf(st)) return g.guard;
  }
  return Guard::kNone;
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
    const char* end = path.data() + path.size();
    if (std::from_chars(path.data() + prefix.size(), end, fd).ptr != end) fd = -1;
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

// Opens name into *fd as `cat > name` does, with O_CREAT even for a file that exists, since the
// kernel guards files and FIFOs in sticky directories on such opens alone. *created says whether
// this call made the file; one that a text over the file size limit would need is not made.
int OpenByName(const std::string& name, bool too_large, int* fd, bool* created) {
  if (too_large) {
    *fd = open(name.c_str(), kOpenFlags);
    return *fd >= 0 ? 0 : errno == ENOENT ? EFBIG : errno;
  }
  *fd = open(name.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
  *created = *fd >= 0;
  // It exists, another run made it meanwhile, or it is a link to a file yet to be made.
  if (*fd < 0 && errno == EEXIST) *fd = open(name.c_str(), kOpenFlags | O_CREAT, 0666);
  return *fd >= 0 ? 0 : errno;
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

// Rewrites the locked regular file fd, st, to hold text alone, with the ending signals held
// until it is closed. A file this run created goes again when that fails, while it is still
// locked and only if name still leads to it.
int Rewrite(int fd, const std::string& name, const struct stat& st, std::string_view text,
            bool created) {
  int error = Reserve(fd, text.size());
  sigset_t ending, previous;
  sigemptyset(&ending);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal_number);
  sigprocmask(SIG_BLOCK, &ending, &previous);
  if (error == 0) error = WriteAll(fd, text);
  if (error == 0 && ftruncate(fd, static_cast<off_t>(text.size())) != 0) error = errno;
  struct stat now;
  if (error != 0 && created && stat(name.c_str(), &now) == 0 && IdOf(now) == IdOf(st)) {
    unlink(name.c_str());
  }
  error = CloseKeeping(fd, error);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return error;
}

}  // namespace

CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded) {
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
  if (stat(name.c_str(), &st) == 0 && GuardOf(st, guarded) != Guard::kNone) {
    return {0, GuardOf(st, guarded)};
  }
  struct rlimit limit;
  bool too_large = getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                   text.size() > limit.rlim_cur;
  CueFileWrite result;
  for (int attempt = 0;; ++attempt) {
    int fd = -1;
    bool created = false;
    if (int error = OpenByName(name, too_large, &fd, &created); error != 0) return {error};
    if (fstat(fd, &st) != 0) return {CloseKeeping(fd, errno)};
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {CloseKeeping(fd, 0), g};
    // Opening that file anew would start at its beginning, over what the tool has written there.
    for (int held : {1, 2}) {
      struct stat held_st;
      int flags = WritableFlags(held);
      if (flags >= 0 && fstat(held, &held_st) == 0 && IdOf(held_st) == IdOf(st)) {
        return {CloseKeeping(fd, WriteThrough(held, flags, held_st, text))};
      }
    }
    if (!S_ISREG(st.st_mode)) return {CloseKeeping(fd, WriteAll(fd, text))};

    result.unlocked = !Lock(fd);
    struct stat locked;
    if (fstat(fd, &locked) != 0) return {CloseKeeping(fd, errno)};
    // Removed or replaced while this run waited: the sheet belongs to whatever has the name now.
    if (locked.st_nlink == 0 && attempt < 3) {
      close(fd);
      continue;
    }
    // Another run wrote the file this one created before this one had it locked; it is theirs.
    created = created && locked.st_size == 0 && locked.st_ctim.tv_sec == st.st_ctim.tv_sec &&
              locked.st_ctim.tv_nsec == st.st_ctim.tv_nsec;
    result.error = too_large ? CloseKeeping(fd, EFBIG) : Rewrite(fd, name, st, text, created);
    return result;
  }
}

}  // namespace vantorel
