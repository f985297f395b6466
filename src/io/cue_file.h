// Writing the cue file: whole or not at all, and never over a file the run must keep.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/io.h"

namespace vantorel {

// Why a file must never be replaced by the cue sheet.
enum class Guard { kNone, kTrackList, kWavFile };

struct GuardedFile {
  FileId id;
  Guard guard = Guard::kNone;
};

struct CueFileWrite {
  int error = 0;                 // An errno value from the write.
  Guard refused = Guard::kNone;  // The name is one of the guarded files; nothing was touched.
  bool ok() const { return error == 0 && refused == Guard::kNone; }
};

// Writes text to the file called name, deciding by the file the name leads to, not by how it is
// spelled. A name that is one of the guarded files is refused untouched. The file the tool's
// standard output or standard error already goes to is written through that descriptor, after
// what the tool has written there. Anything else that is not a regular file (a device, a pipe)
// is written directly. A name not yet taken, a dangling symbolic link included, gets a new file
// where the links end; the links stay.
//
// An existing regular file the caller may not open for writing is refused with EACCES. One the
// caller may write is replaced only by a complete new file: the text goes to a temporary file
// beside it, which takes the old one's owner, group and mode and is renamed into place after a
// successful close. Where that replace cannot give the same result as writing the file itself
// (the directory is not writable, the file has other hard links, or its owner, group or set-id
// bits cannot be kept), the file is written in place, with room for the text reserved first
// wherever the file system can, so that a full disk is found before the old text changes.
CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded);

// Removes the temporary file of a replace that is under way, if there is one. It is safe to call
// from a signal handler, which is what it is for: a tool ended by a signal leaves no stray file.
void RemoveTemporaryCueFile();

}  // namespace vantorel
