// Writing the cue file as a plain writer would, and never over a file the run must keep.
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
  bool unlocked = false;  // Another program held the file locked too long; written without it.
  // A file this call made and leaves after the failure, by the path it was made at (the name and
  // the links followed); empty for none. not_removed is why: an errno value from removing it, or 0
  // where another file has taken its name, or none has, and nothing was removed.
  std::string left = {};
  int not_removed = 0;
  bool ok() const { return error == 0 && refused == Guard::kNone; }
};

// Writes text to the file called name, opened as `cat > name` opens it: the name leads where the
// kernel would lead it, and the kernel decides whether its links may be followed and the file
// written. A name that is one of the guarded files is refused untouched. A file the tool's standard
// output or standard error already goes to, open for writing, is written through that descriptor
// after what the tool has written there; so is a name that spells one of them (/dev/stdout,
// /dev/fd/2). A name that spells another descriptor open for writing as the kernel does (/dev/fd/3,
// not /dev/fd/03) is written through it when it is open to append or is not a regular file. Any
// other file that is not regular is written directly. A regular file written through a descriptor,
// not opened to append, is cut where the text ends.
//
// Any other regular file keeps its inode, and with it its owner, mode, links and attributes: it is
// rewritten in place, under a lock, with room for the text reserved first, so that a full disk, a
// quota or the file size limit leaves the old text whole. Where the name, or a link it leads
// through, names no file, the file is made there, and removed again when the write fails, through
// its directory's descriptor and only while its name still leads to it: the call never removes a
// file it did not make, whatever another user does to the links and directories on the way. Every
// signal whose default action ends the process is held over each open that may make a file, which
// never waits, and from the open that made one, or from the first change of a file that was there,
// until the file is closed; one that came meanwhile then ends the tool. When the call leaves a file
// it made, they are still held on return, so that the caller says so first and then lets them in,
// by setting the mask it had before the call.
CueFileWrite WriteCueFile(const std::string& name, std::string_view text,
                          const std::vector<GuardedFile>& guarded);

}  // namespace vantorel
