#include "cuesheet/cuesheet.h"

#include <charconv>
#include <string_view>

namespace vantorel {

namespace {

void AppendTrack(std::string* out, int number) {
  // At least two digits, as in 01, 09 and 10.
  char digits[16] = {'0'};
  char* first = number < 10 ? digits + 1 : digits;
  char* last = std::to_chars(first, digits + sizeof digits, number).ptr;
  out->append("  TRACK ").append(digits, last).append(" AUDIO\n");
}

}  // namespace

std::string BuildCueSheet(const Disc& disc) {
  // Room for every line, so that the sheet is written into one buffer.
  size_t room = 0;
  for (const DiscFile& file : disc.files) {
    room += file.entry.text.size() + 13;
    for (const Track& track : TracksOf(disc, file)) {
      room += 48 + track.start.size() + track.pregap.text.size();
    }
  }
  std::string text;
  text.reserve(room);
  int track_number = 1;
  for (const DiscFile& file : disc.files) {
    text.append("FILE \"").append(file.entry.text).append("\" WAVE\n");
    for (const Track& track : TracksOf(disc, file)) {
      AppendTrack(&text, track_number++);
      if (track.pregap.number != 0) {
        text.append("    PREGAP ").append(TimeText(track.pregap.text)) += '\n';
      }
      text.append("    INDEX 01 ").append(track.start) += '\n';
    }
  }
  return text;
}

}  // namespace vantorel
