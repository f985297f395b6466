// Everything the tool does with file descriptors: reading the list and the heads of WAV files,
// writing all of a buffer, and closing with every error kept. Each call returns its own error
// as an errno value (0 when all went well), so no caller reads errno after the fact.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// Which file a descriptor or name stands for, whatever it is called.
struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileId&) const = default;
};

// The file a stat result is of.
FileId IdOf(const struct stat& st);

// Whether name is the file id stands for; false too when name cannot be looked up.
bool IsFile(const char* name, FileId id);

// The file name leads to, where it can be looked up.
std::optional<FileId> IdOfFile(const char* name);

// The working directory's path, with no link in it; none where it has none the C library can give.
std::optional<std::string> WorkingDirectory();

// Whether name leads to a regular file.
bool IsRegularFile(const char* name);

// What name leads to, without opening it: nothing that can be looked up, a regular file, a
// directory, or another kind of file (a device, a pipe, a socket), which may block a reader.
enum class PathKind : uint8_t { kNone, kRegular, kDirectory, kOther };
PathKind KindOfPath(const char* name);

// Whether a file a run makes may not be given the name: something has it, a link to nothing
// included, or the name cannot be looked up.
bool NameIsTaken(const char* name);

// The hashes (std::hash) of the names of the entries of the directory called dir, sorted; nothing
// where it cannot be read whole.
std::optional<std::vector<size_t>> NameHashesInDirectory(const char* dir);

// Bytes read from a file, in room that is not cleared before the read fills it, as a string's
// would be.
struct ReadBytes {
  std::unique_ptr<char[]> room;
  size_t capacity = 0;
  size_t size = 0;
  std::string_view view() const { return {room.get(), size}; }
};

struct ListRead {
  int error = 0;           // From opening, reading or closing the list.
  bool too_large = false;  // It holds more than the limit; *text then holds its head at least.
  bool regular = false;    // It is a regular file, which can be read again and rewritten.
  FileId id;
};

// Opens the file called name and reads it to its end, whatever kind of file it is (a pipe, a
// process substitution), into *text. More than limit bytes is too_large.
ListRead ReadWholeFile(const char* name, size_t limit, ReadBytes* text);

// Reads fd to its end into *text, stopping as soon as it is known to hold more than limit bytes.
ListRead ReadAll(int fd, size_t limit, ReadBytes* text);

struct HeadRead {
  bool opened = false;  // False: error is why the file could not be opened.
  int error = 0;
  int fd = -1;      // The file, left open for further reads, to be closed with CloseKeeping.
  size_t size = 0;  // The bytes read into the buffer.
  FileId id;
  bool regular = false;  // A regular file, whose length is file_size.
  uint64_t file_size = 0;
};

// Opens the file called path and reads at most buffer.size() bytes from its start. A FIFO is
// read as cat reads it: the open waits for its writer. The file is left open unless the open or
// its fstat failed.
HeadRead ReadHead(const char* path, std::span<uint8_t> buffer);

// Reads at most buffer.size() bytes of fd from offset, resuming after interruptions. Returns the
// count read, or a negative errno value; a file that cannot seek, such as a FIFO, has nothing to
// read there.
int64_t ReadAt(int fd, uint64_t offset, std::span<uint8_t> buffer);

// Writes all of text to fd, resuming after interruptions and partial writes.
int WriteAll(int fd, std::string_view text);

// Gives each closed standard descriptor (0, 1, 2) a stand-in, so that no file the tool opens
// takes its number, where it would be taken for standard output or error. The stand-in is as
// good as closed: a read or write on it fails with EBADF, and its names (/dev/stdin,
// /dev/fd/2) lead to no file the kernel will open. Called first thing in a run.
void ReserveClosedStandardDescriptors();

// Closes fd and returns error when it is not 0, or else the close's own error: the first error
// of an operation is the one worth reporting.
int CloseKeeping(int fd, int error);

}  // namespace vantorel
