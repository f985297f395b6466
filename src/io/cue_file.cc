#include "io/cue_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantorel {

namespace {

// The name of the temporary file while it exists, and empty otherwise. It changes only while
// the signals whose handler removes the file are blocked, so the handler never finds a name
// half written, nor a file without its name.
char temporary_name[4096];

CueFileWrite Failed(int error) {
  return {error, Guard::kNone};
}

sigset_t BlockEndingSignals() {
  sigset_t ending, previous;
  sigemptyset(&ending);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal_number);
  pthread_sigmask(SIG_BLOCK, &ending, &previous);
  return previous;
}

void RestoreSignals(const sigset_t& previous) {
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Reads the symbolic link called path whole, however long its text. Fails with EINVAL when path
// is not a symbolic link.
int ReadLink(const std::string& path, std::string* target) {
  target->assign(256, '\0');
  for (;;) {
    ssize_t n = readlink(path.c_str(), target->data(), target->size());
    if (n < 0) return errno;
    // Links in /proc report a size of their own that says nothing of their text, so the only
    // sign that the text was cut short is that it filled the buffer.
    if (static_cast<size_t>(n) < target->size()) {
      target->resize(static_cast<size_t>(n));
      return 0;
    }
    target->assign(target->size() * 2, '\0');
  }
}

// Follows symbolic links from path to the name of the file they end at, which need not exist yet.
int ResolveLinks(std::string path, std::string* resolved) {
  for (int hops = 0; hops < 40; ++hops) {
    std::string target;
    if (int error = ReadLink(path, &target); error != 0) {
      if (error != EINVAL && error != ENOENT) return error;
      *resolved = path;
      return 0;
    }
    if (target.empty()) return ENOENT;
    size_t slash = path.rfind('/');
    if (target[0] == '/' || slash == std::string::npos) {
      path = target;
    } else {
      path = path.substr(0, slash + 1) + target;
    }
  }
  return ELOOP;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Opens a new temporary file beside target into *fd and records its name. Its name is short, so
// that a target whose name is as long as a name may be still has room.
int OpenTemporary(const std::string& target, mode_t mode, int* fd) {
  std::string dir = DirectoryOf(target);
  std::string stem = (dir == "/" ? "" : dir) + "/.vantorel-" + std::to_string(getpid()) + "-";
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    std::string name = stem + std::to_string(attempt) + ".tmp";
    if (name.size() >= sizeof temporary_name) return ENAMETOOLONG;
    sigset_t previous = BlockEndingSignals();
    *fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    error = *fd < 0 ? errno : 0;
    if (error == 0) std::memcpy(temporary_name, name.c_str(), name.size() + 1);
    RestoreSignals(previous);
  }
  return error;
}

// Renames the temporary file over target, or removes it when install is false or the rename
// fails, and forgets its name. Returns the rename's error.
int SettleTemporary(const std::string& target, bool install) {
  sigset_t previous = BlockEndingSignals();
  int error = 0;
  if (install && rename(temporary_name, target.c_str()) != 0) error = errno;
  if (!install || error != 0) unlink(temporary_name);
  temporary_name[0] = '\0';
  RestoreSignals(previous);
  return error;
}

// Gives the new file fd the owner, group and mode of the file old it is to replace. This comes
// after the text is written and owner and group go first, since both a write and fchown clear
// set-id bits. False when any of them cannot be had: fchown fails for a caller who does not own
// the file or is not in its group, and fchmod drops a set-group-id bit it may not set without
// saying so.
bool TakeOverAttributes(int fd, const struct stat& old) {
  if (fchown(fd, old.st_uid, old.st_gid) != 0) return false;
  if (fchmod(fd, old.st_mode & 07777) != 0) return false;
  struct stat now;
  return fstat(fd, &now) == 0 && (now.st_mode & 07777) == (old.st_mode & 07777);
}

// Writes text to a temporary file beside path and renames it over path. When the new file is
// to replace old but cannot take its attributes, nothing changes and *in_place is set.
int ReplaceFile(const std::string& path, std::string_view text, const struct stat* old,
                bool* in_place) {
  // A new file gets 0666 less the umask, as open gives it. One that replaces a file is readable
  // by its owner alone until it has the old file's mode.
  int fd = -1;
  if (int error = OpenTemporary(path, old == nullptr ? 0666 : 0600, &fd); error != 0) return error;
  int error = WriteAll(fd, text);
  bool attributes_kept = error != 0 || old == nullptr || TakeOverAttributes(fd, *old);
  error = CloseKeeping(fd, error);
  if (!attributes_kept) {
    *in_place = true;
    return SettleTemporary(path, false);
  }
  int rename_error = SettleTemporary(path, error == 0);
  return error != 0 ? error : rename_error;
}

// Writes text over the existing regular file called name, as a plain writer would, but only
// once the text is known to fit: a text longer than the file size limit is refused, and room
// for it is reserved without changing the file's length. (posix_fallocate is no use here: where
// the file system cannot reserve, it writes zero bytes past the end of the old text instead.)
// Where the file system cannot reserve room at all the text is written anyway, and a full disk
// can then leave the file cut short.
int WriteInPlace(const std::string& name, std::string_view text) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      text.size() > limit.rlim_cur) {
    return EFBIG;
  }
  int fd = open(name.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  if (!text.empty()) {
    while (fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(text.size())) != 0) {
      error = errno;
      if (error != EINTR) break;
    }
    if (error == EINTR || error == EOPNOTSUPP || error == ENOSYS) error = 0;
  }
  if (error == 0) error = WriteAll(fd, text);
  if (error == 0 && ftruncate(fd, static_cast<off_t>(text.size())) != 0) error = errno;
  return CloseKeeping(fd, error);
}

int WriteDirectly(const std::string& name, std::string_view text) {
  int fd = open(name.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return errno;
  return CloseKeeping(fd, WriteAll(fd, text));
}

Guard GuardOf(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.id == FileId{st.st_dev, st.st_ino}) return g.guard;
  }
  return Guard::kNone;
}

// The descriptor that a name such as /dev/fd/3 spells out, or -1. The user who names one has
// opened it for the tool, perhaps to append, and means the sheet to go through it.
int NamedDescriptor(std::string_view name) {
  if (name == "/dev/stdin") return 0;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!name.starts_with(prefix)) continue;
    std::string_view digits = name.substr(prefix.size());
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != digits.npos) {
      return -1;
    }
    return std::stoi(std::string(digits));
  }
  return -1;
}

// The descriptor the tool holds of the file st, or -1: standard output or standard error, or the
// one the name spells out. Opening that file anew would start at its beginning, over what has
// been written there already.
int HeldDescriptor(const std::string& name, const struct stat& st) {
  for (int fd : {1, 2, NamedDescriptor(name)}) {
    if (fd < 0) continue;
    struct stat held;
    if (fstat(fd, &held) == 0 && SameFile(held, st)) return fd;
  }
  return -1;
}

// Whether a new file renamed over path gives what writing the file st itself would: path must
// still name st (the text of a link in /proc need not be the file's name), st must have no
// other names, and its directory must take new names.
bool CanReplace(const std::string& path, const struct stat& st) {
  struct stat at_path;
  if (stat(path.c_str(), &at_path) != 0 || !SameFile(at_path, st)) return false;
  if (st.st_nlink > 1) return false;
  return faccessat(AT_FDCWD, DirectoryOf(path).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

void RemoveTemporaryCueFile() {
  if (temporary_name[0] != '\0') unlink(temporary_name);
}

CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded) {
  struct stat st;
  std::string path;
  if (stat(name.c_str(), &st) != 0) {
    if (errno != ENOENT) return Failed(errno);
    if (int error = ResolveLinks(name, &path); error != 0) return Failed(error);
    return Failed(ReplaceFile(path, text, nullptr, nullptr));
  }
  if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
  if (int fd = HeldDescriptor(name, st); fd >= 0) return Failed(WriteAll(fd, text));
  if (!S_ISREG(st.st_mode)) return Failed(WriteDirectly(name, text));

  // The same test open would make, so that nothing is written that a plain writer could not.
  if (faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0) return Failed(errno);
  if (int error = ResolveLinks(name, &path); error != 0) return Failed(error);
  if (CanReplace(path, st)) {
    bool in_place = false;
    int error = ReplaceFile(path, text, &st, &in_place);
    if (!in_place) return Failed(error);
  }
  return Failed(WriteInPlace(name, text));
}

}  // namespace vantorel
