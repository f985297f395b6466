#include "io/cue_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace vantorel {

namespace {

constexpr int kOpenFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC;

Guard GuardOf(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.id == FileId{st.st_dev, st.st_ino}) return g.guard;
  }
  return Guard::kNone;
}

// The descriptor a name such as /dev/fd/3 spells out, or -1. The user who names one has opened
// it for the tool, perhaps to append, and means the sheet to go through it.
int NamedDescriptor(std::string_view name) {
  std::string path;
  for (char c : name) {
    if (c != '/' || !path.ends_with('/')) path += c;
  }
  if (path == "/dev/stdin") return 0;
  if (path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(prefix)) continue;
    std::string_view digits = std::string_view(path).substr(prefix.size());
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != digits.npos) {
      return -1;
    }
    return std::stoi(std::string(digits));
  }
  return -1;
}

bool OpenForWriting(int fd) {
  int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

// Whether a file of size bytes is larger than the file size limit lets the tool write.
bool OverSizeLimit(size_t size) {
  struct rlimit limit;
  return getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
         size > limit.rlim_cur;
}

// Opens name into *fd as `cat > name` does, creating it with mode 0666 less the umask where it
// does not exist yet; *created says whether this call made it. A text larger than the file size
// limit allows is refused before anything is created.
int OpenByName(const std::string& name, size_t size, int* fd, bool* created) {
  *created = false;
  *fd = open(name.c_str(), kOpenFlags);
  if (*fd >= 0 || errno != ENOENT) return *fd >= 0 ? 0 : errno;
  if (OverSizeLimit(size)) return EFBIG;
  *fd = open(name.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
  *created = *fd >= 0;
  // Another run created it meanwhile, or the name is a link to a file yet to be made.
  if (*fd < 0 && errno == EEXIST) *fd = open(name.c_str(), kOpenFlags | O_CREAT, 0666);
  return *fd >= 0 ? 0 : errno;
}

// Takes an exclusive lock on fd, so that runs writing the same file take turns. Another
// program may hold a lock and never let go, so the wait is bounded; false when it ran out.
bool Lock(int fd) {
  for (int tries = 0; tries < 40; ++tries) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return true;
    struct timespec pause = {0, 50'000'000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

// Reserves room for size bytes without changing the file's length, so that a full disk or quota
// is found before the old text changes. File systems that cannot reserve, and sandboxes that
// deny the call, are no reason to give up.
int Reserve(int fd, size_t size) {
  if (size == 0) return 0;
  while (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0) {
    if (errno == EOPNOTSUPP || errno == ENOSYS || errno == EPERM) return 0;
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Rewrites the regular file fd, locked, to hold text alone. The signals that end a run wait
// until the file is closed, so that none leaves it cut short. A file this run created is
// removed again when the write fails, while it is still locked and only if name still leads to
// it, so that a failed run never takes another run's sheet with it.
int Rewrite(int fd, const std::string& name, const struct stat& st, std::string_view text,
            bool created) {
  int error = OverSizeLimit(text.size()) ? EFBIG : Reserve(fd, text.size());
  sigset_t ending, previous;
  sigemptyset(&ending);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal_number);
  sigprocmask(SIG_BLOCK, &ending, &previous);
  if (error == 0) error = WriteAll(fd, text);
  if (error == 0 && ftruncate(fd, static_cast<off_t>(text.size())) != 0) error = errno;
  struct stat now;
  if (error != 0 && created && stat(name.c_str(), &now) == 0 && now.st_dev == st.st_dev &&
      now.st_ino == st.st_ino) {
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
  if (int fd = NamedDescriptor(name); fd >= 0 && OpenForWriting(fd)) {
    if (fstat(fd, &st) != 0) return {errno};
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
    return {WriteAll(fd, text)};
  }
  // A FIFO or a read-only file that is the list must be refused without being opened.
  if (stat(name.c_str(), &st) == 0) {
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
  }
  CueFileWrite result;
  for (int attempt = 0;; ++attempt) {
    int fd = -1;
    bool created = false;
    if (int error = OpenByName(name, text.size(), &fd, &created); error != 0) return {error};
    if (fstat(fd, &st) != 0) return {CloseKeeping(fd, errno)};
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {CloseKeeping(fd, 0), g};
    // Opening that file anew would start at its beginning, over what the tool has written there.
    for (int held : {1, 2}) {
      struct stat held_st;
      if (fstat(held, &held_st) == 0 && held_st.st_dev == st.st_dev &&
          held_st.st_ino == st.st_ino) {
        return {CloseKeeping(fd, WriteAll(held, text))};
      }
    }
    if (!S_ISREG(st.st_mode)) return {CloseKeeping(fd, WriteAll(fd, text))};

    result.unlocked = !Lock(fd);
    struct stat locked;
    if (fstat(fd, &locked) != 0) return {CloseKeeping(fd, errno)};
    // Replaced or removed while this run waited: the sheet belongs in whatever has the name now.
    if (locked.st_nlink == 0 && attempt < 3) {
      close(fd);
      continue;
    }
    // Another run wrote the file this one created before this one had it locked; it is theirs.
    if (locked.st_size != 0 || locked.st_ctim.tv_nsec != st.st_ctim.tv_nsec ||
        locked.st_ctim.tv_sec != st.st_ctim.tv_sec) {
      created = false;
    }
    result.error = Rewrite(fd, name, st, text, created);
    return result;
  }
}

}  // namespace vantorel
