#include "io/io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <limits>

namespace vantorel {

FileId IdOf(const struct stat& st) {
  return {st.st_dev, st.st_ino};
}

bool IsFile(const char* name, FileId id) {
  struct stat st;
  return stat(name, &st) == 0 && IdOf(st) == id;
}

std::optional<FileId> IdOfFile(const char* name) {
  struct stat st;
  if (stat(name, &st) != 0) return std::nullopt;
  return IdOf(st);
}

std::optional<std::string> WorkingDirectory() {
  char path[PATH_MAX];
  if (getcwd(path, sizeof path) == nullptr) return std::nullopt;
  return std::string(path);
}

bool IsRegularFile(const char* name) {
  struct stat st;
  return stat(name, &st) == 0 && S_ISREG(st.st_mode);
}

PathKind KindOfPath(const char* name) {
  struct stat st;
  if (stat(name, &st) != 0) return PathKind::kNone;
  return S_ISREG(st.st_mode)   ? PathKind::kRegular
         : S_ISDIR(st.st_mode) ? PathKind::kDirectory
                               : PathKind::kOther;
}

bool NameIsTaken(const char* name) {
  struct stat st;
  return fstatat(AT_FDCWD, name, &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

std::optional<std::vector<size_t>> NameHashesInDirectory(const char* dir) {
  DIR* d = opendir(dir);
  if (d == nullptr) return std::nullopt;
  std::vector<size_t> names;
  errno = 0;
  while (const dirent* entry = readdir(d)) {
    names.push_back(std::hash<std::string_view>()(entry->d_name));
  }
  bool whole = errno == 0;
  // Only read: a failed close loses nothing.
  (void)closedir(d);
  if (!whole) return std::nullopt;
  std::sort(names.begin(), names.end());
  return names;
}

void ReserveClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // A descriptor of a symbolic link itself, with O_PATH: reads and writes fail on it with
    // EBADF, and opening it again through /proc/self/fd fails with ELOOP. Without /proc no name
    // leads to a descriptor, and any O_PATH descriptor will do. The open takes the lowest free
    // number, which is fd.
    if (open("/proc/self/exe", O_PATH | O_NOFOLLOW | O_CLOEXEC) < 0) {
      open("/", O_PATH | O_CLOEXEC);
    }
  }
}

int CloseKeeping(int fd, int error) {
  if (close(fd) != 0 && error == 0) return errno;
  return error;
}

int WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

namespace {

// Makes room for at least capacity bytes, keeping those read.
void MakeRoom(ReadBytes* bytes, size_t capacity) {
  if (capacity <= bytes->capacity) return;
  auto room = std::make_unique_for_overwrite<char[]>(capacity);
  if (bytes->size > 0) std::memcpy(room.get(), bytes->room.get(), bytes->size);
  bytes->room = std::move(room);
  bytes->capacity = capacity;
}

}  // namespace

ListRead ReadAll(int fd, size_t limit, ReadBytes* text) {
  text->size = 0;
  ListRead result;
  // A regular file says how large it is, so it is read into room of that size and a byte more,
  // and a read that stops at that size has found the end: the text is never moved to larger
  // room. A pipe, a file that grows while it is read, or one whose size says nothing (as in
  // /proc) is read in pieces, its room doubled as it fills.
  struct stat st;
  bool known = fstat(fd, &st) == 0;
  if (known) result.id = IdOf(st);
  bool regular = known && S_ISREG(st.st_mode);
  result.regular = regular;
  size_t expected = 0;
  if (regular) {
    result.too_large = static_cast<uint64_t>(st.st_size) > limit;
    if (result.too_large) {
      // Only enough of its head to tell what kind of file it is.
      MakeRoom(text, 4);
      ssize_t n = read(fd, text->room.get(), 4);
      text->size = n > 0 ? static_cast<size_t>(n) : 0;
      return result;
    }
    expected = static_cast<size_t>(st.st_size);
  }
  for (;;) {
    size_t have = text->size;
    size_t want = regular && have <= expected ? expected + 1 - have : 64 * 1024;
    want = std::min(want, limit + 1 - have);
    if (have + want > text->capacity) {
      MakeRoom(text, std::min(std::max(have + want, 2 * text->capacity), limit + 1));
    }
    ssize_t n = read(fd, text->room.get() + have, want);
    int err = n < 0 ? errno : 0;
    if (n > 0) text->size += static_cast<size_t>(n);
    if (err == EINTR) continue;
    result.error = err;
    result.too_large = text->size > limit;
    if (err != 0 || n == 0 || result.too_large) return result;
    if (regular && text->size == expected) return result;
  }
}

ListRead ReadWholeFile(const char* name, size_t limit, ReadBytes* text) {
  ListRead result;
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  result = ReadAll(fd, limit, text);
  result.error = CloseKeeping(fd, result.error);
  return result;
}

HeadRead ReadHead(const char* path, std::span<uint8_t> buffer) {
  HeadRead result;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  result.opened = true;
  struct stat st;
  if (fstat(fd, &st) != 0) {
    result.error = CloseKeeping(fd, errno);
    return result;
  }
  result.fd = fd;
  result.id = IdOf(st);
  result.regular = S_ISREG(st.st_mode);
  result.file_size = result.regular ? static_cast<uint64_t>(st.st_size) : 0;
  // A regular file shorter than the buffer is read in one call that asks for no more than it has.
  size_t want = buffer.size();
  if (result.regular && result.file_size < want) want = static_cast<size_t>(result.file_size);
  while (result.size < want) {
    ssize_t n = read(fd, buffer.data() + result.size, want - result.size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.error = errno;
      break;
    }
    if (n == 0) break;
    result.size += static_cast<size_t>(n);
  }
  return result;
}

int64_t ReadAt(int fd, uint64_t offset, std::span<uint8_t> buffer) {
  if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  for (;;) {
    ssize_t n = pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
    if (n >= 0) return n;
    if (errno == ESPIPE) return 0;
    if (errno != EINTR) return -errno;
  }
}

}  // namespace vantorel
