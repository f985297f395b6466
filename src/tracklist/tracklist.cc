#include "tracklist/tracklist.h"

#include <cstring>

#include "disc/cd.h"

namespace vantorel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

std::string_view NextLine(std::string_view text, size_t* pos) {
  size_t start = *pos;
  while (start < text.size() && IsLineEnd(text[start])) ++start;
  *pos = start;
  if (start == text.size()) return text.substr(start);
  // The line ends at its first LF or CR. memchr, which the C library fits to the processor, finds
  // the LF; a CR is then looked for only in the line before it.
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

bool NamesWav(std::string_view line) {
  // A line's dots are few, so it asks memchr for each and looks at what follows it.
  const char* end = line.data() + line.size();
  for (const char* p = line.data(); end - p >= 4; ++p) {
    p = static_cast<const char*>(std::memchr(p, '.', static_cast<size_t>(end - p) - 3));
    if (p == nullptr) return false;
    if (std::memcmp(p + 1, "wav", 3) == 0 || std::memcmp(p + 1, "WAV", 3) == 0) return true;
  }
  return false;
}

bool ContainsWavAnyCase(std::string_view line) {
  // A line's dots are few, so it asks memchr for each and looks at what follows it.
  const char* end = line.data() + line.size();
  for (const char* p = line.data(); end - p >= 4; ++p) {
    p = static_cast<const char*>(std::memchr(p, '.', static_cast<size_t>(end - p) - 3));
    if (p == nullptr) return false;
    if ((p[1] | 0x20) == 'w' && (p[2] | 0x20) == 'a' && (p[3] | 0x20) == 'v') return true;
  }
  return false;
}

std::string_view TimeText(std::string_view line) {
  return line.size() > 2 ? line.substr(2) : "";
}

Classified ClassifyTrackList(std::string_view list_text, TrackTable* table) {
  table->kind.fill(LineKind::kNone);
  table->has_pregap.fill(0);
  table->is_wav.fill(0);
  table->is_wav[0] = 1;

  std::string_view text = list_text.substr(0, list_text.find('\0'));
  // Editors on Windows start a UTF-8 file with a byte order mark; it is not part of any name.
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  size_t pos = 0;
  Classified result;

  // The first line is a WAV entry whatever it holds.
  std::string_view line = NextLine(text, &pos);
  if (line.empty()) return result;
  table->text[0] = line;
  int taken = 1;

  while (!(line = NextLine(text, &pos)).empty()) {
    if (taken == kMaxLines) {
      result.lines_dropped = true;
      result.rest = text.substr(static_cast<size_t>(line.data() - text.data()));
      break;
    }
    int i = taken++;
    table->text[i] = line;
    if (line[0] == 'S') table->kind[i] = LineKind::kSplit;
    if (line[0] == 'P') {
      table->has_pregap[i] = 1;
      table->kind[i] = LineKind::kPregap;
    }
    if (NamesWav(line)) {
      table->has_pregap[i] = 0;
      table->kind[i] = LineKind::kNone;
      table->is_wav[i] = 1;
    }
  }
  result.line_count = taken;
  return result;
}

std::optional<uint32_t> CueTimeFrames(std::string_view time) {
  // A burner reads the time as a word of its own, so blanks around it do no harm.
  constexpr std::string_view kBlanks = " \t";
  size_t first = time.find_first_not_of(kBlanks);
  time = first == time.npos ? "" : time.substr(first, time.find_last_not_of(kBlanks) + 1 - first);
  uint32_t fields[3] = {};
  for (int f = 0; f < 3; ++f) {
    size_t digits = 0;
    while (digits < 3 && digits < time.size() && time[digits] >= '0' && time[digits] <= '9') {
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
  if (!time.empty() || fields[1] >= 60 || fields[2] >= cd::kFramesPerSecond) return std::nullopt;
  return (fields[0] * 60 + fields[1]) * cd::kFramesPerSecond + fields[2];
}

}  // namespace vantorel
