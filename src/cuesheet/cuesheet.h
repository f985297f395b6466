// The cue sheet: composing its text from the track table, and writing it safely to a file.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "tracklist/tracklist.h"

// A CD holds at most this many tracks.
constexpr int CD_MAX_TRACKS = 99;

struct CueSheet {
  std::string text;
  int tracks = 0;
};

// Walks the first line_count slots of the table into cue sheet text.
CueSheet BuildCueSheet(const TrackTable& table, int line_count);

// Writes all of text to fd, resuming after interruptions and partial writes; false with errno
// set when a write fails.
bool WriteAll(int fd, std::string_view text);

// A file the cue sheet must never replace, and what to call it when the user names it.
struct GuardedFile {
  dev_t dev = 0;
  ino_t ino = 0;
  const char* what = "";
};

struct CueWrite {
  bool ok = false;
  std::string message;  // The line to print, without its line end.
};

// Writes text to the file called name. A regular file, or a name not yet taken, is replaced only
// by a complete new file: the text goes to a temporary file beside it that is renamed into place
// after a successful close. A symbolic link is followed and stays. Anything else (a device, a
// pipe) is written directly, and /dev/stdout, /dev/fd/N and the like through the descriptor
// the tool already holds. A name that is one of the guarded files is refused untouched.
CueWrite WriteCueFile(const std::string& name, std::string_view text,
                      const std::vector<GuardedFile>& guarded);
