#include "disc/cdtext.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "encoding.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// The text is held in the entry itself, so that the table needs no relocation when the program
// is loaded, and its pages are read only by a run that writes a character outside ASCII.
struct Replacement {
  char32_t code;
  char ascii[4];
};

// What each character outside ASCII with an ASCII form is written as, in the order of the code
// points. Every letter of Latin-1 and Latin Extended-A is here; a character that is not is written
// as `?`.
constexpr Replacement kReplacements[] = {
    {0x00A0, " "},  {0x00A1, "!"},  {0x00A6, "|"},   {0x00A9, "(C)"}, {0x00AA, "a"},
    {0x00AB, "'"},  {0x00AD, ""},   {0x00AE, "(R)"}, {0x00B1, "+/-"}, {0x00B2, "2"},
    {0x00B3, "3"},  {0x00B4, "'"},  {0x00B5, "u"},   {0x00B7, "."},   {0x00B9, "1"},
    {0x00BA, "o"},  {0x00BB, "'"},  {0x00BC, "1/4"}, {0x00BD, "1/2"}, {0x00BE, "3/4"},
    {0x00BF, "?"},  {0x00C0, "A"},  {0x00C1, "A"},   {0x00C2, "A"},   {0x00C3, "A"},
    {0x00C4, "A"},  {0x00C5, "A"},  {0x00C6, "AE"},  {0x00C7, "C"},   {0x00C8, "E"},
    {0x00C9, "E"},  {0x00CA, "E"},  {0x00CB, "E"},   {0x00CC, "I"},   {0x00CD, "I"},
    {0x00CE, "I"},  {0x00CF, "I"},  {0x00D0, "D"},   {0x00D1, "N"},   {0x00D2, "O"},
    {0x00D3, "O"},  {0x00D4, "O"},  {0x00D5, "O"},   {0x00D6, "O"},   {0x00D7, "x"},
    {0x00D8, "O"},  {0x00D9, "U"},  {0x00DA, "U"},   {0x00DB, "U"},   {0x00DC, "U"},
    {0x00DD, "Y"},  {0x00DE, "TH"}, {0x00DF, "ss"},  {0x00E0, "a"},   {0x00E1, "a"},
    {0x00E2, "a"},  {0x00E3, "a"},  {0x00E4, "a"},   {0x00E5, "a"},   {0x00E6, "ae"},
    {0x00E7, "c"},  {0x00E8, "e"},  {0x00E9, "e"},   {0x00EA, "e"},   {0x00EB, "e"},
    {0x00EC, "i"},  {0x00ED, "i"},  {0x00EE, "i"},   {0x00EF, "i"},   {0x00F0, "d"},
    {0x00F1, "n"},  {0x00F2, "o"},  {0x00F3, "o"},   {0x00F4, "o"},   {0x00F5, "o"},
    {0x00F6, "o"},  {0x00F7, "/"},  {0x00F8, "o"},   {0x00F9, "u"},   {0x00FA, "u"},
    {0x00FB, "u"},  {0x00FC, "u"},  {0x00FD, "y"},   {0x00FE, "th"},  {0x00FF, "y"},
    {0x0100, "A"},  {0x0101, "a"},  {0x0102, "A"},   {0x0103, "a"},   {0x0104, "A"},
    {0x0105, "a"},  {0x0106, "C"},  {0x0107, "c"},   {0x0108, "C"},   {0x0109, "c"},
    {0x010A, "C"},  {0x010B, "c"},  {0x010C, "C"},   {0x010D, "c"},   {0x010E, "D"},
    {0x010F, "d"},  {0x0110, "D"},  {0x0111, "d"},   {0x0112, "E"},   {0x0113, "e"},
    {0x0114, "E"},  {0x0115, "e"},  {0x0116, "E"},   {0x0117, "e"},   {0x0118, "E"},
    {0x0119, "e"},  {0x011A, "E"},  {0x011B, "e"},   {0x011C, "G"},   {0x011D, "g"},
    {0x011E, "G"},  {0x011F, "g"},  {0x0120, "G"},   {0x0121, "g"},   {0x0122, "G"},
    {0x0123, "g"},  {0x0124, "H"},  {0x0125, "h"},   {0x0126, "H"},   {0x0127, "h"},
    {0x0128, "I"},  {0x0129, "i"},  {0x012A, "I"},   {0x012B, "i"},   {0x012C, "I"},
    {0x012D, "i"},  {0x012E, "I"},  {0x012F, "i"},   {0x0130, "I"},   {0x0131, "i"},
    {0x0132, "IJ"}, {0x0133, "ij"}, {0x0134, "J"},   {0x0135, "j"},   {0x0136, "K"},
    {0x0137, "k"},  {0x0138, "k"},  {0x0139, "L"},   {0x013A, "l"},   {0x013B, "L"},
    {0x013C, "l"},  {0x013D, "L"},  {0x013E, "l"},   {0x013F, "L"},   {0x0140, "l"},
    {0x0141, "L"},  {0x0142, "l"},  {0x0143, "N"},   {0x0144, "n"},   {0x0145, "N"},
    {0x0146, "n"},  {0x0147, "N"},  {0x0148, "n"},   {0x0149, "'n"},  {0x014A, "N"},
    {0x014B, "n"},  {0x014C, "O"},  {0x014D, "o"},   {0x014E, "O"},   {0x014F, "o"},
    {0x0150, "O"},  {0x0151, "o"},  {0x0152, "OE"},  {0x0153, "oe"},  {0x0154, "R"},
    {0x0155, "r"},  {0x0156, "R"},  {0x0157, "r"},   {0x0158, "R"},   {0x0159, "r"},
    {0x015A, "S"},  {0x015B, "s"},  {0x015C, "S"},   {0x015D, "s"},   {0x015E, "S"},
    {0x015F, "s"},  {0x0160, "S"},  {0x0161, "s"},   {0x0162, "T"},   {0x0163, "t"},
    {0x0164, "T"},  {0x0165, "t"},  {0x0166, "T"},   {0x0167, "t"},   {0x0168, "U"},
    {0x0169, "u"},  {0x016A, "U"},  {0x016B, "u"},   {0x016C, "U"},   {0x016D, "u"},
    {0x016E, "U"},  {0x016F, "u"},  {0x0170, "U"},   {0x0171, "u"},   {0x0172, "U"},
    {0x0173, "u"},  {0x0174, "W"},  {0x0175, "w"},   {0x0176, "Y"},   {0x0177, "y"},
    {0x0178, "Y"},  {0x0179, "Z"},  {0x017A, "z"},   {0x017B, "Z"},   {0x017C, "z"},
    {0x017D, "Z"},  {0x017E, "z"},  {0x017F, "s"},   {0x0192, "f"},   {0x0218, "S"},
    {0x0219, "s"},  {0x021A, "T"},  {0x021B, "t"},   {0x02C6, "^"},   {0x02DC, "~"},
    {0x2002, " "},  {0x2003, " "},  {0x2004, " "},   {0x2005, " "},   {0x2006, " "},
    {0x2007, " "},  {0x2008, " "},  {0x2009, " "},   {0x200A, " "},   {0x2010, "-"},
    {0x2011, "-"},  {0x2012, "-"},  {0x2013, "-"},   {0x2014, "-"},   {0x2015, "-"},
    {0x2018, "'"},  {0x2019, "'"},  {0x201A, "'"},   {0x201B, "'"},   {0x201C, "'"},
    {0x201D, "'"},  {0x201E, "'"},  {0x201F, "'"},   {0x2026, "..."}, {0x202F, " "},
    {0x2032, "'"},  {0x2033, "'"},  {0x2039, "'"},   {0x203A, "'"},   {0x2212, "-"},
};

static_assert(std::ranges::is_sorted(kReplacements, {}, &Replacement::code) &&
                  std::ranges::adjacent_find(kReplacements, {}, &Replacement::code) ==
                      std::ranges::end(kReplacements),
              "the replacements are looked up by halving: each code point once, in order");

// Appends what code is written as; returns false where it has no ASCII form and is written as
// `?`.
bool AppendAscii(char32_t code, std::string* out) {
  if (code == '"') {
    *out += '\'';
  } else if (code == '\\') {
    *out += '/';
  } else if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
    *out += ' ';
  } else if (code < 0x7F) {
    *out += static_cast<char>(code);
  } else if (code >= 0x0300 && code < 0x0370) {
    // A combining accent: the letter it sits on is already written.
  } else {
    const Replacement* found =
        std::ranges::lower_bound(kReplacements, code, {}, &Replacement::code);
    bool known = found != std::ranges::end(kReplacements) && found->code == code;
    out->append(known ? found->ascii : "?");
    return known;
  }
  return true;
}

}  // namespace

SheetText ToSheetText(std::string_view raw) {
  SheetText result;
  std::string_view written = TrimBlanks(raw);
  // Wholly in double quotes: one at each end and none between.
  if (written.size() >= 2 && written.front() == '"' && written.back() == '"' &&
      written.substr(1, written.size() - 2).find('"') == written.npos) {
    written = written.substr(1, written.size() - 2);
  }

  std::string& text = result.text;
  text.reserve(written.size());
  // Where the first character without an ASCII form stands in text.
  size_t first_lost = text.npos;
  ForEachChar(written, [&text, &first_lost](char32_t code) {
    size_t at = text.size();
    if (!AppendAscii(code, &text) && first_lost == text.npos) first_lost = at;
  });

  // Blanks are spaces by now. The cut can leave one at the end, which goes too.
  auto trim = [&text, &first_lost] {
    size_t lead = std::min(text.find_first_not_of(' '), text.size());
    text.erase(0, lead);
    text.erase(text.find_last_not_of(' ') + 1);
    // The blanks cut from the start all stood before the lost character.
    if (first_lost != text.npos) first_lost -= lead;
  };
  trim();
  if (text.size() > kMaxCdTextChars) {
    text.resize(kMaxCdTextChars);
    trim();
  }
  result.changed = text != written;
  result.empty = text.empty();
  result.lost = first_lost < text.size();
  return result;
}

size_t CountCdTextPacks(CdTextPair disc, std::span<const CdTextPair> tracks) {
  constexpr size_t kPackBytes = 12;
  constexpr size_t kSizePacks = 3;
  size_t packs = 0;
  for (std::string_view CdTextPair::*kind : {&CdTextPair::title, &CdTextPair::performer}) {
    bool any = !(disc.*kind).empty();
    size_t bytes = (disc.*kind).size() + 1;
    for (const CdTextPair& track : tracks) {
      any = any || !(track.*kind).empty();
      bytes += (track.*kind).size() + 1;
    }
    if (any) packs += (bytes + kPackBytes - 1) / kPackBytes;
  }
  return packs == 0 ? 0 : packs + kSizePacks;
}

PerformerShare DiscPerformerShare(CdTextPair disc, std::span<const CdTextPair> tracks) {
  PerformerShare share;
  if (disc.performer.empty()) return share;
  std::vector<CdTextPair> without(tracks.begin(), tracks.end());
  for (CdTextPair& track : without) {
    if (track.performer != disc.performer) continue;
    track.performer = {};
    ++share.tracks;
  }
  share.packs = CountCdTextPacks(disc, tracks) - CountCdTextPacks(disc, without);
  return share;
}

}  // namespace vantorel
