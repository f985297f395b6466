#include "cuesheet/cuesheet.h"

#include <string_view>

namespace {

void AppendTrack(std::string* out, int number) {
  *out += "  TRACK ";
  // At least two digits, as in 01, 09 and 10.
  if (number < 10) *out += '0';
  *out += std::to_string(number);
  *out += " AUDIO\n";
}

}  // namespace

std::string BuildCueSheet(const Disc& disc) {
  std::string text;
  int track_number = 1;
  for (const DiscFile& file : disc.files) {
    text += "FILE \"";
    text += file.entry.text;
    text += "\" WAVE\n";
    for (const Track& track : file.tracks) {
      AppendTrack(&text, track_number++);
      if (track.pregap.number != 0) {
        text += "    PREGAP ";
        text += TimeText(track.pregap.text);
        text += '\n';
      }
      text += "    INDEX 01 ";
      text += track.start;
      text += '\n';
    }
  }
  return text;
}
