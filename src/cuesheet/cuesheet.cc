#include "cuesheet/cuesheet.h"

#include <cstdio>
#include <string_view>

#include "tracklist/tracklist.h"

namespace {

void AppendTrack(std::string* out, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.2i", number);
  *out += "  TRACK ";
  *out += digits;
  *out += " AUDIO\n";
}

void AppendIndex(std::string* out, std::string_view time) {
  *out += "    INDEX 01 ";
  *out += time;
  *out += '\n';
}

// A pregap line counts only directly after the line that opened a track, the one at slot i.
// Returns whether there was one to write, and so whether it is used up.
bool AppendPregapAfter(const TrackTable& table, int line_count, int i, std::string* out) {
  if (i + 1 >= line_count || table.has_pregap[i + 1] != 1) return false;
  *out += "    PREGAP ";
  *out += TimeText(table.text[i + 1]);
  *out += '\n';
  return true;
}

}  // namespace

CueSheet BuildCueSheet(const TrackTable& table, int line_count) {
  CueSheet cue;
  int track_number = 1;
  for (int i = 0; i < line_count; ++i) {
    std::string_view index;
    if (table.is_wav[i] == 1) {
      cue.text += "FILE \"";
      cue.text += table.text[i];
      cue.text += "\" WAVE\n";
      index = "00:00:00";
    } else if (table.kind[i] == LineKind::kSplit) {
      index = TimeText(table.text[i]);
    } else {
      continue;
    }
    AppendTrack(&cue.text, track_number++);
    if (AppendPregapAfter(table, line_count, i, &cue.text)) ++i;
    AppendIndex(&cue.text, index);
  }
  cue.tracks = track_number - 1;
  return cue;
}
