#include "cuesheet/cuesheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void AppendTrack(std::string* out, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.2i", number);
  *out += "  TRACK ";
  *out += digits;
  *out += " AUDIO\n";
}

void AppendIndex(std::string* out, std::string_view time) {
  *out += "    INDEX 01 ";
  *out += time;
  *out += '\n';
}

// A pregap line counts only directly after the line that opened a track; when it is there it is
// written and used up.
void AppendPregapAfter(const TrackTable& table, int line_count, int* i, std::string* out) {
  if (*i + 1 < line_count && table.has_pregap[*i + 1] == 1) {
    ++*i;
    *out += "    PREGAP ";
    *out += TimeText(table.text[*i]);
    *out += '\n';
  }
}

}  // namespace

CueSheet BuildCueSheet(const TrackTable& table, int line_count) {
  CueSheet cue;
  int track_number = 1;
  for (int i = 0; i < line_count; ++i) {
    if (table.is_wav[i] == 1) {
      cue.text += "FILE \"";
      cue.text += table.text[i];
      cue.text += "\" WAVE\n";
      AppendTrack(&cue.text, track_number);
      AppendPregapAfter(table, line_count, &i, &cue.text);
      AppendIndex(&cue.text, "00:00:00");
      ++track_number;
    } else if (table.kind[i] == KIND_SPLIT) {
      int split = i;
      AppendTrack(&cue.text, track_number);
      AppendPregapAfter(table, line_count, &i, &cue.text);
      AppendIndex(&cue.text, TimeText(table.text[split]));
      ++track_number;
    }
  }
  cue.tracks = track_number - 1;
  return cue;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

namespace {

CueWrite Failed(const std::string& name, const std::string& why) {
  return {false, "Cannot write cue file called " + name + ": " + why};
}

CueWrite FailedErrno(const std::string& name, int err) {
  return Failed(name, std::strerror(err));
}

// Follows symbolic links from path to the name of the file they end at, which need not exist yet.
bool ResolveLinks(std::string path, std::string* resolved) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *resolved = path;
      return true;
    }
    std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) == target.size()) {
      errno = ENAMETOOLONG;
      return false;
    }
    target.resize(static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (target[0] == '/' || slash == std::string::npos) {
      path = target;
    } else {
      path = path.substr(0, slash + 1) + target;
    }
  }
  errno = ELOOP;
  return false;
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

CueWrite WriteDirectly(const std::string& name, const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return FailedErrno(name, errno);
  bool wrote = WriteAll(fd, text);
  int err = errno;
  if (close(fd) != 0 && wrote) {
    wrote = false;
    err = errno;
  }
  if (!wrote) return FailedErrno(name, err);
  return {true, ""};
}

CueWrite ReplaceFile(const std::string& name, const std::string& path, std::string_view text,
                     const struct stat* existing) {
  std::string temp;
  int fd = OpenTemporary(path, &temp);
  if (fd < 0) return FailedErrno(name, errno);
  bool ok = true;
  if (existing != nullptr) {
    // The new file takes the place of the old one, so it keeps the old one's mode and owner.
    ok = fchmod(fd, existing->st_mode & 07777) == 0;
    if (ok && fchown(fd, existing->st_uid, existing->st_gid) != 0 && errno != EPERM) ok = false;
  }
  ok = ok && WriteAll(fd, text);
  int err = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return FailedErrno(name, err);
  }
  return {true, ""};
}

const char* GuardedAs(const struct stat& st, const std::vector<GuardedFile>& guarded) {
  for (const GuardedFile& g : guarded) {
    if (g.dev == st.st_dev && g.ino == st.st_ino) return g.what;
  }
  return nullptr;
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

CueWrite WriteCueFile(const std::string& name, std::string_view text,
                      const std::vector<GuardedFile>& guarded) {
  int fd = NamedDescriptor(name);
  if (fd >= 0) {
    struct stat st;
    if (fstat(fd, &st) != 0) return FailedErrno(name, errno);
    if (const char* what = GuardedAs(st, guarded)) return Failed(name, what);
    if (!WriteAll(fd, text)) return FailedErrno(name, errno);
    return {true, ""};
  }
  std::string path;
  if (!ResolveLinks(name, &path)) return FailedErrno(name, errno);

  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return FailedErrno(name, errno);
    return ReplaceFile(name, path, text, nullptr);
  }
  if (const char* what = GuardedAs(st, guarded)) return Failed(name, what);
  if (S_ISREG(st.st_mode)) return ReplaceFile(name, path, text, &st);
  return WriteDirectly(name, path, text);
}
