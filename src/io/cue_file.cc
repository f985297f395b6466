#include "io/cue_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

CueFileWrite Failed(int error) {
  return {error, Guard::kNone};
}

// Follows symbolic links from path to the name of the file they end at, which need not exist yet.
int ResolveLinks(std::string path, std::string* resolved) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *resolved = path;
      return 0;
    }
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) == target.size()) return ENAMETOOLONG;
    target.resize(static_cast<size_t>(n));
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

// Opens a new temporary file beside target. Its mode is 0666 less the umask, as open gives it.
// Its name is short, so that a target whose name is as long as a name may be still has room.
int OpenTemporary(const std::string& target, std::string* temp_name) {
  std::string dir = DirectoryOf(target);
  std::string stem = (dir == "/" ? "" : dir) + "/.vantorel-" + std::to_string(getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp_name = stem + std::to_string(attempt) + ".tmp";
    int fd = open(temp_name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

CueFileWrite WriteDirectly(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return Failed(errno);
  return Failed(CloseKeeping(fd, WriteAll(fd, text)));
}

CueFileWrite ReplaceFile(const std::string& path, std::string_view text,
                         const struct stat* existing) {
  std::string temp;
  int fd = OpenTemporary(path, &temp);
  if (fd < 0) return Failed(errno);
  int error = 0;
  if (existing != nullptr) {
    // The new file takes the place of the old one, so it keeps the old one's mode and owner.
    if (fchmod(fd, existing->st_mode & 07777) != 0) {
      error = errno;
    } else if (fchown(fd, existing->st_uid, existing->st_gid) != 0 && errno != EPERM) {
      error = errno;
    }
  }
  if (error == 0) error = WriteAll(fd, text);
  error = CloseKeeping(fd, error);
  if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) unlink(temp.c_str());
  return Failed(error);
}

Guard GuardOf(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.id == FileId{st.st_dev, st.st_ino}) return g.guard;
  }
  return Guard::kNone;
}

// The descriptor that names such as /dev/stdout and /dev/fd/3 stand for, or -1. Opening them
// anew would start a new file description at offset 0 and overwrite what is already written
// there, so these are written through the descriptor the tool already has.
int NamedDescriptor(const std::string& name) {
  if (name == "/dev/stdin") return 0;
  if (name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    std::string_view rest(name);
    if (!rest.starts_with(prefix)) continue;
    rest.remove_prefix(std::strlen(prefix));
    if (rest.empty() || rest.size() > 6 || rest.find_first_not_of("0123456789") != rest.npos) {
      return -1;
    }
    return std::stoi(std::string(rest));
  }
  return -1;
}

}  // namespace

CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded) {
  struct stat st;
  int fd = NamedDescriptor(name);
  if (fd >= 0) {
    if (fstat(fd, &st) != 0) return Failed(errno);
    if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
    return Failed(WriteAll(fd, text));
  }
  std::string path;
  if (int error = ResolveLinks(name, &path); error != 0) return Failed(error);

  if (stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return Failed(errno);
    return ReplaceFile(path, text, nullptr);
  }
  if (Guard g = GuardOf(st, guarded); g != Guard::kNone) return {0, g};
  if (S_ISREG(st.st_mode)) return ReplaceFile(path, text, &st);
  return WriteDirectly(path, text);
}
