// The track list: classifying the lines of the user's list into the track table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "tracklist/track_table.h"

namespace vantorel {

// The largest list the tool reads, in bytes.
constexpr size_t kMaxListBytes = 1024 * 1024;

// Cuts the list text into lines (any run of CR and LF ends a line; a NUL byte ends the text; a
// UTF-8 byte order mark at the start is skipped), fills the table with them, notes in a row in
// one slot, and returns the count of slots. The first line is a WAV file's name whatever it holds.
int ClassifyTrackList(std::string_view list_text, TrackTable* table);

// What a line of the list after the first is read as: a WAV file's name where it holds ".wav" or
// ".WAV"; else a CD-TEXT line where it starts with TITLE, PERFORMER, DISC TITLE or DISC PERFORMER
// followed by a space or a tab; else a split or pregap line by its first letter; else nothing.
LineKind KindOf(std::string_view line);

// The raw text of a CD-TEXT line: what follows its keyword and the blank after it.
std::string_view CdTextOf(std::string_view line);

// Whether c is a decimal digit.
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether c is a blank: a space or a tab.
inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The text without the blanks at either end.
std::string_view TrimBlanks(std::string_view text);

// The text without the blanks at its end.
std::string_view TrimTrailingBlanks(std::string_view text);

// The kind a line would be read as with its first letter a capital, where that letter is s or p:
// a split or a pregap line; kNone otherwise.
LineKind KindWithCapital(std::string_view line);

// The next line of text at or after *pos, which it moves past the line; empty when the text has
// no more lines. Any run of CR and LF ends a line, so a line is never empty.
std::string_view NextLine(std::string_view text, size_t* pos);

// Whether a line holds ".wav" or ".WAV" anywhere or, with any_case, ".wav" in any mixture of
// capital and small letters.
bool HoldsWav(std::string_view line, bool any_case);

// Whether a line names a WAV file.
inline bool NamesWav(std::string_view line) {
  return HoldsWav(line, false);
}

// Whether a line holds ".wav" in any mixture of capital and small letters.
inline bool ContainsWavAnyCase(std::string_view line) {
  return HoldsWav(line, true);
}

// The time text of a split or pregap line: everything from its third character on.
std::string_view TimeTextOf(std::string_view line);

// A split line's time text cut in two: the time, and the track's title where text follows the
// time past one or more blanks. The text is cut only where the first word is written as a time,
// as a burner or an audio editor writes it, even one that cannot be read ("66:80"), and the whole
// does not read as one; otherwise all of it is the time.
struct SplitText {
  std::string_view time;
  std::string_view title;
};
SplitText CutSplitLine(std::string_view line);

// CD frames in a cue sheet time: minutes:seconds:frames in one or two digits each, with seconds
// below 60 and frames below a second's worth, blanks around it allowed, as a burner reads it.
// Nothing when the text is not such a time.
std::optional<uint32_t> ReadCueTime(std::string_view time);

// The CD frames a time written as audio editors write it may mean: seconds with a decimal fraction
// after a point or a comma, under minutes and hours ("4:12.5", "252.5", "1:04:12.5"); hours,
// minutes and seconds with letters ("17m02s", "0 h 17 m 2.5 s"); hours:minutes:seconds:frames
// ("0:12:55:10"); and minutes:seconds ("17:02"), which cdrdao reads as seconds:frames. A part of
// a frame is dropped. Every field under another is below 60, frames below a second's worth, and
// the time below 100 minutes, as a cue sheet's time must be. Blanks around it are allowed.
struct TimeReadings {
  int count = 0;  // 0 when the text is no such time.
  // As the editor means it; then, for minutes:seconds, as cdrdao reads it, where that differs.
  uint32_t frames[2] = {};
};
TimeReadings ReadEditorTime(std::string_view time);

// The CD frames of hours:minutes:seconds, one or two digits each, with minutes and seconds below
// 60, as a time past an hour is written where a cue sheet would give minutes:seconds:frames; the
// time below 100 minutes. Nothing when the text is no such time.
std::optional<uint32_t> ReadHoursTime(std::string_view time);

}  // namespace vantorel
