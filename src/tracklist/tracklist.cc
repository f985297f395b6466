#include "tracklist/tracklist.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "cd.h"
#include "tracklist/times.h"

namespace vantorel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  return TrimTrailingBlanks(text.substr(std::min(text.find_first_not_of(" \t"), text.size())));
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  return text.substr(0, text.find_last_not_of(" \t") + 1);
}

namespace {

// Whether a line starts with letter and a blank or a digit, as a gap line does.
bool StartsAsGap(std::string_view line, char letter) {
  return line.size() > 1 && line[0] == letter && (IsBlank(line[1]) || IsDigit(line[1]));
}

// The keywords of the lines of codes and flags, each with the blank that must follow it. The
// words are held in the entries, so that the table needs no relocating when the program is
// loaded.
constexpr struct {
  char keyword[8];
  LineKind kind;
} kCodeKeywords[] = {
    {"ISRC", LineKind::kIsrc}, {"FLAGS", LineKind::kFlags}, {"CATALOG", LineKind::kCatalog}};

char Capital(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The kind of code line a line starts as, its keyword in capitals or, with any_case, in any case;
// kNone for none. Kept out of the list reader's loop, which seldom needs it.
[[gnu::noinline]] LineKind CodeKeywordOf(std::string_view line, bool any_case) {
  for (const auto& k : kCodeKeywords) {
    const size_t n = std::char_traits<char>::length(k.keyword);
    if (line.size() <= n || !IsBlank(line[n])) continue;
    bool same = true;
    for (size_t i = 0; i < n && same; ++i) {
      same = (any_case ? Capital(line[i]) : line[i]) == k.keyword[i];
    }
    if (same) return k.kind;
  }
  return LineKind::kNone;
}

}  // namespace

LineKind KindWithCapital(std::string_view line) {
  return line.starts_with('s')    ? LineKind::kSplit
         : line.starts_with('p')  ? LineKind::kPregap
         : StartsAsGap(line, 'g') ? LineKind::kGap
                                  : LineKind::kNone;
}

LineKind KeywordInOtherCase(std::string_view line) {
  return CodeKeywordOf(line, false) == LineKind::kNone ? CodeKeywordOf(line, true)
                                                       : LineKind::kNone;
}

std::string_view CodeOf(std::string_view line) {
  const size_t blank = line.find_first_of(" \t");
  return blank == line.npos ? std::string_view() : TrimBlanks(line.substr(blank));
}

bool IsIsrc(std::string_view code) {
  if (code.size() != 12) return false;
  for (size_t i = 0; i < code.size(); ++i) {
    const bool letter = i < 5 && code[i] >= 'A' && code[i] <= 'Z';
    if (!letter && !IsDigit(code[i])) return false;
  }
  return true;
}

bool IsCatalog(std::string_view code) {
  return code.size() == 13 && std::all_of(code.begin(), code.end(), IsDigit);
}

bool IsZeros(std::string_view code) {
  return !code.empty() && code.find_first_not_of('0') == code.npos;
}

namespace {

constexpr struct {
  char word[4];
  uint8_t bit;
} kFlagWords[] = {{"DCP", kFlagDcp}, {"4CH", kFlagFourChannels}, {"PRE", kFlagPreEmphasis}};

}  // namespace

Flags ReadFlags(std::string_view words) {
  Flags flags;
  size_t pos = 0;
  while ((pos = words.find_first_not_of(" \t", pos)) != words.npos) {
    const size_t end = std::min(words.find_first_of(" \t", pos), words.size());
    const std::string_view word = words.substr(pos, end - pos);
    pos = end;
    uint8_t bit = 0;
    for (const auto& f : kFlagWords) {
      bool same = word.size() == 3;
      for (size_t i = 0; i < word.size() && same; ++i) same = Capital(word[i]) == f.word[i];
      if (same) {
        bit = f.bit;
        flags.as_written = flags.as_written && word == f.word;
      }
    }
    flags.as_written = flags.as_written && bit != 0 && (flags.bits & bit) == 0;
    flags.bits |= bit;
  }
  return flags;
}

std::string FlagWords(uint8_t bits) {
  std::string words;
  for (const auto& f : kFlagWords) {
    if ((bits & f.bit) == 0) continue;
    if (!words.empty()) words += ' ';
    words.append(f.word);
  }
  return words;
}

std::string CodeLineToWrite(LineKind kind, std::string_view line) {
  const std::string_view code = CodeOf(line);
  if (kind == LineKind::kFlags) {
    const uint8_t bits = ReadFlags(code).bits;
    return bits == 0 ? std::string() : "FLAGS " + FlagWords(bits);
  }
  // Codes are often written in groups, as cdrdao shows an ISRC: "US ABC 12 34567".
  std::string plain;
  for (char c : code) {
    if (!IsBlank(c) && c != '-') plain += Capital(c);
  }
  if (kind == LineKind::kIsrc && IsIsrc(plain) && !IsZeros(plain)) return "ISRC " + plain;
  if (kind != LineKind::kCatalog) return {};
  if (plain.size() == 12) plain = "0" + plain;
  return IsCatalog(plain) && !IsZeros(plain) ? "CATALOG " + plain : std::string();
}

std::string_view NextLine(std::string_view text, size_t* pos) {
  size_t start = *pos;
  while (start < text.size() && IsLineEnd(text[start])) ++start;
  *pos = start;
  if (start == text.size()) return text.substr(start);
  // The line ends at its first LF or CR. memchr, which the C library fits to the processor, finds
  // the LF; a CR is then looked for only in the line before it. BENCHMARKS.md gives what this
  // saves on a long list.
  const char* from = text.data() + start;
  size_t length = text.size() - start;
  if (auto* lf = static_cast<const char*>(std::memchr(from, '\n', length)); lf != nullptr) {
    length = static_cast<size_t>(lf - from);
  }
  if (auto* cr = static_cast<const char*>(std::memchr(from, '\r', length)); cr != nullptr) {
    length = static_cast<size_t>(cr - from);
  }
  *pos = start + length;
  return text.substr(start, length);
}

bool HoldsWav(std::string_view line, bool any_case) {
  for (size_t dot = line.find('.'); dot != line.npos && line.size() - dot >= 4;
       dot = line.find('.', dot + 1)) {
    std::string_view ext = line.substr(dot + 1, 3);
    if (ext == "wav" || ext == "WAV") return true;
    if (any_case && (ext[0] | 0x20) == 'w' && (ext[1] | 0x20) == 'a' && (ext[2] | 0x20) == 'v') {
      return true;
    }
  }
  return false;
}

std::string_view TimeTextOf(std::string_view line) {
  return line.substr(std::min<size_t>(line.size(), 2));
}

namespace {

// The CD-TEXT keywords, each with the blank that must follow it.
constexpr struct {
  std::string_view keyword;
  LineKind kind;
} kCdTextKeywords[] = {{"TITLE", LineKind::kTitle},
                       {"PERFORMER", LineKind::kPerformer},
                       {"DISC TITLE", LineKind::kDiscTitle},
                       {"DISC PERFORMER", LineKind::kDiscPerformer}};

// The length of the CD-TEXT keyword a line starts with, its blank included, and its kind.
std::pair<size_t, LineKind> CdTextKeywordOf(std::string_view line) {
  if (!line.starts_with('T') && !line.starts_with('P') && !line.starts_with('D')) {
    return {0, LineKind::kNone};
  }
  for (const auto& k : kCdTextKeywords) {
    if (line.size() > k.keyword.size() && line.starts_with(k.keyword) &&
        IsBlank(line[k.keyword.size()])) {
      return {k.keyword.size() + 1, k.kind};
    }
  }
  return {0, LineKind::kNone};
}

// Whether a word is written as a time, whether or not it reads as one ("66:80"): it reads as one,
// or is digits with colons, points and commas, and starts as a time does.
bool WrittenAsTime(std::string_view word) {
  return ReadsAsTime(word) || ((IsDigit(word[0]) || word[0] == ':') &&
                               word.find_first_not_of("0123456789:.,") == word.npos);
}

}  // namespace

std::string_view CdTextOf(std::string_view line) {
  return line.substr(CdTextKeywordOf(line).first);
}

namespace {

// A split's text after its letter and the character that follows it, cut as CutSplitLine says.
SplitText CutSplitText(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == text.npos || ReadsAsTime(text)) return {text, {}};
  size_t word_end = std::min(text.find_first_of(" \t", first), text.size());
  size_t title = text.find_first_not_of(" \t", word_end);
  std::string_view word = text.substr(first, word_end - first);
  if (title != text.npos && ReadsAsTime(word))
    return {text.substr(0, word_end), text.substr(title)};
  if (std::optional<PastedTime> pasted = ReadPastedTime(text)) {
    return {pasted->time, pasted->title, SplitForm::kPasted, pasted->at_end};
  }
  if (title == text.npos || !WrittenAsTime(word)) return {text, {}};
  return {text.substr(0, word_end), text.substr(title)};
}

}  // namespace

SplitText CutSplitLine(std::string_view line) {
  return CutSplitText(TimeTextOf(line));
}

SplitText MeantSplit(std::string_view line) {
  if (line.size() >= 2 && IsDigit(line[1])) return CutSplitText(line.substr(1));
  return CutSplitLine(line);
}

bool IsSplitWithoutLetter(std::string_view line) {
  return ReadPastedTime(line).has_value();
}

namespace {

// KindOf, made part of the list reader's loop, which runs it on every line.
[[gnu::always_inline]] inline LineKind ReadKind(std::string_view line) {
  if (NamesWav(line)) return LineKind::kWav;
  if (LineKind cd_text = CdTextKeywordOf(line).second; cd_text != LineKind::kNone) return cd_text;
  switch (line.empty() ? '\0' : line[0]) {
    case 'S':
      return LineKind::kSplit;
    case 'P':
      return LineKind::kPregap;
    case 'G':
      return StartsAsGap(line, 'G') ? LineKind::kGap : LineKind::kNone;
    case 'I':
    case 'F':
    case 'C':
      return CodeKeywordOf(line, false);
    default:
      return LineKind::kNone;
  }
}

}  // namespace

LineKind KindOf(std::string_view line) {
  return ReadKind(line);
}

int ClassifyTrackList(std::string_view list_text, TrackTable* table) {
  table->text.clear();
  table->kind.clear();
  table->number.clear();
  const size_t nul = list_text.find('\0');
  std::string_view text = list_text.substr(0, nul);
  // Editors on Windows start a UTF-8 file with a byte order mark; it is not part of any name.
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  // Room for as many lines as the text can hold, so that the columns are never copied as they
  // grow; the pages the lines do not reach are never touched.
  table->text.reserve(text.size() / 2 + 1);
  table->kind.reserve(text.size() / 2 + 1);
  table->number.reserve(text.size() / 2 + 1);
  // The line's number, counted on over the line ends before it: a CR ends a line, and so does an
  // LF unless it completes a CR LF. Only line ends stand between one line and the next.
  int number = 1;
  size_t pos = 0;
  size_t counted = 0;
  for (std::string_view line; !(line = NextLine(text, &pos)).empty();) {
    for (size_t i = counted; i < pos - line.size(); ++i) {
      if (text[i] == '\r' || i == 0 || text[i - 1] != '\r') ++number;
    }
    counted = pos;
    LineKind kind = table->text.empty() ? LineKind::kWav : ReadKind(line);
    // Of notes in a row, only the last counts: it stands in the place of the others.
    if (kind == LineKind::kNone && line.starts_with('#') && table->kind.back() == kind &&
        table->text.back().starts_with('#')) {
      table->text.back() = line;
      table->number.back() = number;
      continue;
    }
    table->kind.push_back(kind);
    table->text.push_back(line);
    table->number.push_back(number);
  }
  table->nul_line = 0;
  if (nul != list_text.npos) {
    for (size_t i = counted; i < text.size(); ++i) {
      if (text[i] == '\r' || i == 0 || text[i - 1] != '\r') ++number;
    }
    table->nul_line = number;
  }
  return static_cast<int>(table->text.size());
}

}  // namespace vantorel
