// The track table: one slot per line of the list, as the list reader classifies it. The disc is
// built from it; no later phase reads it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vantorel {

// What a line of the list is read as.
enum class LineKind : uint8_t {
  kNone = 0,  // Ignored.
  kSplit = 1,
  kPregap = 2,
  kWav = 3,  // A WAV file's name.
  // CD-TEXT: the title or performer of the track opened above, or of the disc.
  kTitle = 4,
  kPerformer = 5,
  kDiscTitle = 6,
  kDiscPerformer = 7,
  // What a ripped disc carries beside its audio: the gap before the track opened above, its ISRC
  // and its flags, and the disc's catalog number.
  kGap = 8,
  kIsrc = 9,
  kFlags = 10,
  kCatalog = 11,
};

// A line of the list, numbered as an editor numbers it: blank lines count, and a line ends at LF,
// CR LF or a lone CR. Number 0 is no line.
struct ListLine {
  int number = 0;
  std::string_view text;
};

// The columns run in parallel, in the order of the lines, one slot for every line of the list
// but notes in a row: of a run of ignored lines that start with #, only the last has a slot, since
// nothing but which line comes last among them counts. The text views point into the list text,
// which must outlive the table.
struct TrackTable {
  std::vector<std::string_view> text;
  std::vector<LineKind> kind;
  // The line's number, as an editor numbers it: blank lines count, and a line ends at LF, CR LF
  // or a lone CR.
  std::vector<int> number;
  // The line that holds the list's first NUL byte, after which nothing is read; 0 where none does.
  int nul_line = 0;
};

}  // namespace vantorel
