// The track list: classifying the lines of the user's list into the track table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "tracklist/times.h"
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
// followed by a space or a tab; else a split or pregap line by its first letter; else a gap line
// where it starts with G and a blank or a digit; else an ISRC, FLAGS or CATALOG line where it
// starts with that keyword and a blank; else nothing.
LineKind KindOf(std::string_view line);

// Whether a line of kind is a G, ISRC, FLAGS or CATALOG line.
inline bool IsMarkKind(LineKind kind) {
  return kind == LineKind::kGap || kind == LineKind::kIsrc || kind == LineKind::kFlags ||
         kind == LineKind::kCatalog;
}

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

// The kind a line would be read as with its first letter a capital, where that letter is s or p,
// or g and a blank or a digit after it: a split, a pregap or a gap line; kNone otherwise.
LineKind KindWithCapital(std::string_view line);

// The kind a line would be read as with its keyword in capitals, where it starts with ISRC, FLAGS
// or CATALOG written in other letters and a blank; kNone otherwise.
LineKind KeywordInOtherCase(std::string_view line);

// The code of an ISRC or CATALOG line, or the words of a FLAGS line, its keyword in any case: what
// follows the keyword and the blank after it, without the blanks at either end.
std::string_view CodeOf(std::string_view line);

// Whether a code is an ISRC as cdrdao takes it: 5 capital letters or digits, then 7 digits.
bool IsIsrc(std::string_view code);

// Whether a code is a catalog number (EAN or UPC) as cdrdao takes it: 13 digits.
bool IsCatalog(std::string_view code);

// Whether a code is all zeros, which rippers write for none and a burner burns as a code.
bool IsZeros(std::string_view code);

// The flags a FLAGS line can give, as bits: digital copy permitted, four channels, pre-emphasis.
enum FlagBit : uint8_t { kFlagDcp = 1, kFlagFourChannels = 2, kFlagPreEmphasis = 4 };

// The flags the words of a FLAGS line give, each word one of DCP, 4CH and PRE in any case, and
// whether every word is one of them in capitals, given once.
struct Flags {
  uint8_t bits = 0;
  bool as_written = true;
};
Flags ReadFlags(std::string_view words);

// The words that give flags, as the sheet writes them: DCP, 4CH and PRE in that order.
std::string FlagWords(uint8_t bits);

// What an ISRC, CATALOG or FLAGS line of kind, its keyword in any case, surely means, as the line
// to write for it: its keyword in capitals, and an ISRC or a catalog number without blanks or
// hyphens, in capitals, a UPC of 12 digits as the EAN of 13 that starts with 0, or the flags among
// its words. Empty where it means nothing sure, or a code of zeros.
std::string CodeLineToWrite(LineKind kind, std::string_view line);

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

// How a split line gives its time.
enum class SplitForm : uint8_t {
  kPlain,   // After the letter and one character more, as the sheet carries it.
  kPasted,  // As a tracklist pasted from the web writes it, which the sheet carries as meant.
};

// A split line's time text cut from its title: the time, and the track's title where text
// follows the time past one or more blanks. The text is cut only where the first word is written
// as a time, as a burner or an audio editor writes it, even one that cannot be read ("66:80"),
// and the whole does not read as one; otherwise all of it is the time. A line whose time is
// written as a pasted tracklist writes it (SplitForm::kPasted; see ReadPastedTime) gives that
// time and the title beside it.
struct SplitText {
  std::string_view time;
  std::string_view title;
  SplitForm form = SplitForm::kPlain;
  bool at_end = false;  // Pasted with its time at the end (see PastedTime).
};
SplitText CutSplitLine(std::string_view line);

// The time and title of a split line as its writer meant them: where a digit stands right after
// its letter, which the sheet skips, from that digit on; otherwise as CutSplitLine gives them.
SplitText MeantSplit(std::string_view line);

// Whether a line after a file's, of no other kind, is a split written as a pasted tracklist
// writes one but without its S ("04:32 Artist - Title").
bool IsSplitWithoutLetter(std::string_view line);

}  // namespace vantorel
