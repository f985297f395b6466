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
#include <cstdlib>

namespace vantorel {

namespace {

constexpr int kOpenFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC;

Guard GuardOf(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.id == IdOf(st)) return g.guard;
  }
  return Guard::kNone;
}

// SIGINT, SIGTERM and SIGHUP, held back while a file may be left empty or half written.
struct EndingSignals {
  sigset_t previous;
  bool held = false;
};

void Hold(EndingSignals* signals) {
  if (signals->held) return;
  sigset_t ending;
  sigemptyset(&ending);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal_number);
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

// Who made the file that was opened.
enum class Made { kNotThisRun, kByItsName, kThroughALink };

// Opens name into *fd as `cat > name` does, with O_CREAT even for a file that exists, since the
// kernel guards files and FIFOs in sticky directories on such opens alone. *made says whether
// this call made the file, also through a link that led nowhere (led_nowhere: the name, links
// followed, named no file a moment before). One that a text over the file size limit would need
// is not made. The ending signals are held from before an open that may make the file, and stay
// held when it did; an open that cannot make one may wait for a FIFO's reader, and a signal can
// end that wait.
int OpenByName(const std::string& name, bool too_large, bool led_nowhere, EndingSignals* signals,
               int* fd, Made* made) {
  *made = Made::kNotThisRun;
  if (too_large) {
    *fd = open(name.c_str(), kOpenFlags);
    return *fd >= 0 ? 0 : errno == ENOENT ? EFBIG : errno;
  }
  Hold(signals);
  *fd = open(name.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
  int error = *fd >= 0 ? 0 : errno;
  if (error == 0) *made = Made::kByItsName;
  // It exists, another run made it meanwhile, or it is a link, to a file yet to be made if the
  // name led nowhere.
  if (error == EEXIST) {
    if (!led_nowhere) Release(signals);
    *fd = open(name.c_str(), kOpenFlags | O_CREAT, 0666);
    error = *fd >= 0 ? 0 : errno;
    if (error == 0 && led_nowhere) *made = Made::kThroughALink;
  }
  if (*made == Made::kNotThisRun) Release(signals);
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

// Removes the file id that this run made, as made says, for the sheet called name, and only
// while it is still that file. A link that led the open to it is the user's and stays; what goes
// is the file it leads to, found by the C library's resolution of the name. Returns why it could
// not be removed, or 0.
int RemoveMade(const std::string& name, FileId id, Made made) {
  std::string entry = name;
  if (made == Made::kThroughALink) {
    char* resolved = realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return errno == ENOENT ? 0 : errno;
    entry = resolved;
    free(resolved);
  }
  struct stat now;
  if (lstat(entry.c_str(), &now) != 0) return errno == ENOENT ? 0 : errno;
  if (IdOf(now) != id) return 0;
  return unlink(entry.c_str()) == 0 ? 0 : errno;
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
  // A name that leads nowhere and yet exists is a link, whose target the open makes.
  bool led_nowhere = false;
  if (stat(name.c_str(), &st) == 0) {
    if (GuardOf(st, guarded) != Guard::kNone) return {0, GuardOf(st, guarded)};
  } else {
    led_nowhere = errno == ENOENT;
  }
  struct rlimit limit;
  bool too_large = getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
                   text.size() > limit.rlim_cur;
  CueFileWrite result;
  for (int attempt = 0;; ++attempt) {
    int fd = -1;
    Made made = Made::kNotThisRun;
    int error = OpenByName(name, too_large, led_nowhere, signals, &fd, &made);
    if (error != 0) return {error};
    if (fstat(fd, &st) != 0) return {CloseKeeping(fd, errno)};
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {CloseKeeping(fd, 0), g};
    // Opening that file anew would start at its beginning, over what the tool has written there.
    for (int held : {1, 2}) {
      struct stat held_st;
      if (fstat(held, &held_st) != 0 || IdOf(held_st) != IdOf(st)) continue;
      if (int flags = WritableFlags(held); flags >= 0) {
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
    // Another run wrote the file this one made before this one had it locked; it is theirs.
    if (locked.st_size != 0 || locked.st_ctim.tv_sec != st.st_ctim.tv_sec ||
        locked.st_ctim.tv_nsec != st.st_ctim.tv_nsec) {
      made = Made::kNotThisRun;
    }
    error = too_large ? EFBIG : Rewrite(fd, text, signals);
    // A file this run made goes again, while it is still locked.
    if (error != 0 && made != Made::kNotThisRun) {
      result.not_removed = RemoveMade(name, IdOf(st), made);
    }
    result.error = CloseKeeping(fd, error);
    return result;
  }
}

}  // namespace

CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded) {
  EndingSignals signals;
  CueFileWrite result = WriteCue(name, text, guarded, &signals);
  Release(&signals);
  return result;
}

}  // namespace vantorel
