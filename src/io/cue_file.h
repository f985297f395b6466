// Writing the cue file: whole or not at all, and never over a file the run must keep.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "io/io.h"

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

// Writes text to the file called name. A regular file, or a name not yet taken, is replaced only
// by a complete new file: the text goes to a temporary file beside it that is renamed into place
// after a successful close. A symbolic link is followed and stays. Anything else (a device, a
// pipe) is written directly, and /dev/stdout, /dev/fd/N and the like through the descriptor
// the tool already holds. A name that is one of the guarded files is refused untouched.
CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded);
