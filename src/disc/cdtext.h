// CD-TEXT: the titles and performers a cue sheet gives cdrdao to burn, and the room they take on
// the disc.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vantorel {

// The longest text cdrdao takes: it refuses the whole sheet for a longer one.
constexpr size_t kMaxCdTextChars = 80;

// The most packs a CD-TEXT block holds, the limit kept. libburn refuses one more, and cdrdao
// writes corrupt CD-TEXT past 256, where its pack sequence numbers wrap.
constexpr size_t kMaxCdTextPacks = 255;
constexpr size_t kCdrdaoCorruptPacks = 257;

// A title or performer as the cue sheet carries it.
struct SheetText {
  // What to write between the sheet's double quotes: printable ASCII without `"` or `\`, with no
  // blank at either end, at most kMaxCdTextChars long.
  std::string text;
  // Whether text differs, byte for byte, from the text as the list writes it: the raw text
  // without the blanks around it, and without the pair of double quotes it is wholly in, if it
  // is (one at each end and no other).
  bool changed = false;
  // Whether a character of the text that text keeps has no ASCII form and stands in it as `?`:
  // a letter lost, as every one of a Japanese title's.
  bool lost = false;
  // Whether text is empty: there is nothing to write.
  bool empty = true;
};

// The text to write for the raw text of a title or performer line (what follows the keyword and
// its blank). The bytes are read as UTF-8 where the whole text is valid UTF-8, and otherwise as
// Latin-1, with Windows' letters and signs where Latin-1 has control characters. An accented
// letter is written as its letter, typographic quotes (single or double) and `"` as `'`, a dash
// as `-`, an ellipsis as `...`, `\` as `/`, a control character or a no-break space as a space,
// and any other character outside ASCII as one `?`.
SheetText ToSheetText(std::string_view raw);

// The texts of the disc or of one track, as written to the sheet; an empty view where there is
// none.
struct CdTextPair {
  std::string_view title;
  std::string_view performer;
};

// The packs the CD-TEXT block of a sheet takes. Each kind of text is one run of packs of 12
// bytes, holding the disc's text and then every track's, each closed by a zero byte; a kind with
// no text anywhere takes no packs, and 3 size packs close a block that holds any text. Each text
// is counted in full, even one equal to the track's before, since cdrdao writes it so.
size_t CountCdTextPacks(CdTextPair disc, std::span<const CdTextPair> tracks);

// The disc's performer as the block carries it on tracks: the tracks whose performer it is, and
// the packs it takes on them, those CountCdTextPacks counts less those it counts without it there.
struct PerformerShare {
  size_t tracks = 0;
  size_t packs = 0;
};
PerformerShare DiscPerformerShare(CdTextPair disc, std::span<const CdTextPair> tracks);

}  // namespace vantorel
