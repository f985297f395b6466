#include "tracklist/tracklist.h"

namespace {

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Returns the next non-empty line at or after *pos and moves *pos past it, or an empty view
// when the text has no more lines.
std::string_view NextLine(std::string_view text, size_t* pos) {
  size_t start = *pos;
  while (start < text.size() && IsLineEnd(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && !IsLineEnd(text[end])) ++end;
  *pos = end;
  return text.substr(start, end - start);
}

bool NamesWav(std::string_view line) {
  return line.find(".WAV") != std::string_view::npos || line.find(".wav") != std::string_view::npos;
}

}  // namespace

std::string_view TimeText(std::string_view line) {
  return line.size() > 2 ? line.substr(2) : "";
}

Classified ClassifyTrackList(std::string_view list_text, TrackTable* table) {
  table->kind.fill(LineKind::kNone);
  table->has_pregap.fill(0);
  table->is_wav.fill(0);
  table->is_wav[0] = 1;

  std::string_view text = list_text.substr(0, list_text.find('\0'));
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
