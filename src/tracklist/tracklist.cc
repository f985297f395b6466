#include "tracklist/tracklist.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "cd.h"

namespace vantorel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// A number an editor writes: up to 6 digits, and after a point or a comma up to 6 more.
struct EditorNumber {
  uint32_t whole = 0;
  uint32_t fraction_frames = 0;  // The CD frames of its fraction of a second, a part dropped.
  bool has_fraction = false;
};

// Reads such a number at the start of *text and moves past it; false when there is none.
bool ReadEditorNumber(std::string_view* text, EditorNumber* n) {
  auto digits = [text](uint32_t* value) {
    size_t count = 0;
    for (; count < text->size() && IsDigit((*text)[count]); ++count) {
      *value = *value * 10 + static_cast<uint32_t>((*text)[count] - '0');
    }
    text->remove_prefix(count);
    return count;
  };
  size_t whole = digits(&n->whole);
  if (whole == 0 || whole > 6) return false;
  if (text->empty() || ((*text)[0] != '.' && (*text)[0] != ',')) return true;
  text->remove_prefix(1);
  uint32_t fraction = 0;
  size_t places = digits(&fraction);
  if (places == 0 || places > 6) return false;
  uint64_t one = 1;
  for (size_t p = 0; p < places; ++p) one *= 10;
  n->fraction_frames = static_cast<uint32_t>(uint64_t{fraction} * cd::kFramesPerSecond / one);
  n->has_fraction = true;
  return true;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  return TrimTrailingBlanks(text.substr(std::min(text.find_first_not_of(" \t"), text.size())));
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  return text.substr(0, text.find_last_not_of(" \t") + 1);
}

LineKind KindWithCapital(std::string_view line) {
  return line.starts_with('s')   ? LineKind::kSplit
         : line.starts_with('p') ? LineKind::kPregap
                                 : LineKind::kNone;
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

// Whether a text reads as a time, as a cue sheet or an audio editor writes it.
bool ReadsAsTime(std::string_view text) {
  return ReadCueTime(text) || ReadEditorTime(text).count != 0;
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

SplitText CutSplitLine(std::string_view line) {
  std::string_view text = TimeTextOf(line);
  size_t first = text.find_first_not_of(" \t");
  if (first == text.npos || ReadsAsTime(text)) return {text, {}};
  size_t word_end = std::min(text.find_first_of(" \t", first), text.size());
  size_t title = text.find_first_not_of(" \t", word_end);
  if (title == text.npos || !WrittenAsTime(text.substr(first, word_end - first))) {
    return {text, {}};
  }
  return {text.substr(0, word_end), text.substr(title)};
}

LineKind KindOf(std::string_view line) {
  if (NamesWav(line)) return LineKind::kWav;
  if (LineKind cd_text = CdTextKeywordOf(line).second; cd_text != LineKind::kNone) return cd_text;
  if (line.starts_with('S')) return LineKind::kSplit;
  if (line.starts_with('P')) return LineKind::kPregap;
  return LineKind::kNone;
}

int ClassifyTrackList(std::string_view list_text, TrackTable* table) {
  table->text.clear();
  table->kind.clear();
  table->number.clear();
  std::string_view text = list_text.substr(0, list_text.find('\0'));
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
    LineKind kind = table->text.empty() ? LineKind::kWav : KindOf(line);
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
  return static_cast<int>(table->text.size());
}

namespace {

// Three fields of one or two digits between colons, blanks around them allowed.
std::optional<std::array<uint32_t, 3>> ThreeFields(std::string_view time) {
  time = TrimBlanks(time);
  std::array<uint32_t, 3> fields = {};
  for (int f = 0; f < 3; ++f) {
    size_t digits = 0;
    while (digits < 3 && digits < time.size() && IsDigit(time[digits])) {
      fields[f] = fields[f] * 10 + static_cast<uint32_t>(time[digits] - '0');
      ++digits;
    }
    // Each field has one or two digits: cdrdao refuses a longer time as too long a string.
    if (digits == 0 || digits > 2) return std::nullopt;
    time.remove_prefix(digits);
    if (f < 2) {
      if (!time.starts_with(':')) return std::nullopt;
      time.remove_prefix(1);
    }
  }
  if (!time.empty()) return std::nullopt;
  return fields;
}

}  // namespace

std::optional<uint32_t> ReadCueTime(std::string_view time) {
  std::optional<std::array<uint32_t, 3>> f = ThreeFields(time);
  if (!f || (*f)[1] >= 60 || (*f)[2] >= cd::kFramesPerSecond) return std::nullopt;
  return ((*f)[0] * 60 + (*f)[1]) * cd::kFramesPerSecond + (*f)[2];
}

std::optional<uint32_t> ReadHoursTime(std::string_view time) {
  std::optional<std::array<uint32_t, 3>> f = ThreeFields(time);
  if (!f || (*f)[1] >= 60 || (*f)[2] >= 60) return std::nullopt;
  uint32_t minutes = (*f)[0] * 60 + (*f)[1];
  if (minutes >= 100) return std::nullopt;
  return (minutes * 60 + (*f)[2]) * cd::kFramesPerSecond;
}

TimeReadings ReadEditorTime(std::string_view time) {
  time = TrimBlanks(time);
  constexpr uint64_t kFps = cd::kFramesPerSecond;
  // A cue sheet's minutes have two digits at most.
  constexpr uint64_t kTooLong = 100 * 60 * kFps;
  // The hours, minutes and seconds the time gives, which of them it gives, and its frames.
  uint64_t hms[3] = {};
  bool given[3] = {};
  uint64_t frames = 0;
  if (time.find_first_of("hms") != time.npos) {
    // Each number has its letter after it, in the order h, m, s; only seconds have a fraction.
    for (int last = -1; !time.empty(); time = TrimBlanks(time.substr(1))) {
      EditorNumber n;
      if (!ReadEditorNumber(&time, &n)) return {};
      time = TrimBlanks(time);
      size_t unit = time.empty() ? 3 : std::string_view("hms").find(time[0]);
      if (unit > 2 || static_cast<int>(unit) <= last || (n.has_fraction && unit != 2)) return {};
      last = static_cast<int>(unit);
      hms[unit] = n.whole;
      given[unit] = true;
      frames = n.fraction_frames;
    }
  } else {
    // Up to four numbers between colons; only the last has a fraction.
    EditorNumber fields[4];
    size_t count = 0;
    for (;;) {
      if (count == 4 || !ReadEditorNumber(&time, &fields[count++])) return {};
      if (fields[count - 1].has_fraction || !time.starts_with(':')) break;
      time.remove_prefix(1);
    }
    const EditorNumber& last = fields[count - 1];
    if (!time.empty() || (last.has_fraction && count == 4)) return {};
    if (count == 2 && !last.has_fraction) {
      // Minutes:seconds, which cdrdao reads as seconds:frames.
      uint64_t a = fields[0].whole, b = fields[1].whole;
      TimeReadings readings;
      for (uint64_t f : {b < 60 ? (a * 60 + b) * kFps : kTooLong,
                         a < 60 && b < kFps ? a * kFps + b : kTooLong}) {
        if (f < kTooLong && (readings.count == 0 || readings.frames[0] != f)) {
          readings.frames[readings.count++] = static_cast<uint32_t>(f);
        }
      }
      return readings;
    }
    // [[hours:]minutes:]seconds with a fraction, or hours:minutes:seconds:frames.
    if (!last.has_fraction && count != 4) return {};
    size_t first = last.has_fraction ? 3 - count : 0;
    for (size_t f = 0; f + first < 3; ++f) {
      hms[first + f] = fields[f].whole;
      given[first + f] = true;
    }
    frames = last.has_fraction ? last.fraction_frames : last.whole;
  }
  // Each field under another is below 60, and frames below a second's worth.
  if ((given[0] && hms[1] >= 60) || ((given[0] || given[1]) && hms[2] >= 60) || frames >= kFps) {
    return {};
  }
  uint64_t total = ((hms[0] * 60 + hms[1]) * 60 + hms[2]) * kFps + frames;
  if (total >= kTooLong) return {};
  return {1, {static_cast<uint32_t>(total), 0}};
}

}  // namespace vantorel
