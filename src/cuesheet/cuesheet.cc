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

// A title or performer with text to write, quoted, after indent.
void AppendText(std::string* out, std::string_view indent, std::string_view command,
                const CdText& text) {
  if (text.text.empty) return;
  out->append(indent).append(command).append(" \"").append(text.text.text).append("\"\n");
}

// A FILE line's name: the list's, after the "." directory written in front of it, if any.
struct SheetName {
  std::string_view dot;
  std::string_view name;
};

// Whether a FILE line gives text as its name.
bool Gives(SheetName line, std::string_view text) {
  return text.size() == line.dot.size() + line.name.size() && text.starts_with(line.dot) &&
         text.substr(line.dot.size()) == line.name;
}

}  // namespace

std::string BuildCueSheet(const Disc& disc, const DiscLayout& layout) {
  // Room for every line, so that the sheet is written into one buffer.
  size_t room = 0;
  for (const DiscFile& file : disc.files) {
    room += file.entry.text.size() + 15;
    for (const Track& track : TracksOf(disc, file)) {
      room += 48 + track.start.size() + track.pregap.text.size() +
              TitleOf(disc, track).text.text.size() + PerformerOf(disc, track).text.text.size();
    }
  }
  std::string text;
  text.reserve(room);
  int track_number = 1;
  // The disc's texts stand before the first FILE line; cdrdao takes a text between a FILE line
  // and its TRACK for the track before.
  AppendText(&text, "", "TITLE", disc.title);
  AppendText(&text, "", "PERFORMER", disc.performer);
  // cdrdao ends a track where the next starts when the next FILE line gives the same text, so a
  // file named again right after a split in it would end its last track at 00:00:00, which
  // cdrdao refuses. Such a name is written with a "." directory in front, ./ or /., which names
  // the same file by another text.
  SheetName before = {};
  bool before_split = false;
  for (const DiscFile& file : disc.files) {
    SheetName name = {"", file.entry.text};
    if (before_split && Gives(before, name.name)) {
      name.dot = name.name.starts_with('/') ? "/." : "./";
    }
    text.append("FILE \"").append(name.dot).append(name.name).append("\" WAVE\n");
    before = name;
    before_split = file.track_count > 1;
    for (const Track& track : TracksOf(disc, file)) {
      const TrackPlace& place = layout.tracks[static_cast<size_t>(&track - disc.tracks.data())];
      AppendTrack(&text, track_number++);
      AppendText(&text, "    ", "TITLE", TitleOf(disc, track));
      AppendText(&text, "    ", "PERFORMER", PerformerOf(disc, track));
      if (track.pregap.number != 0) {
        text.append("    PREGAP ").append(TimeTextOf(track.pregap.text)) += '\n';
      }
      text.append("    INDEX 01 ");
      if (place.as_meant && place.in_file) {
        text.append(CueTimeText(*place.in_file));
      } else {
        text.append(track.start);
      }
      text += '\n';
    }
  }
  return text;
}

}  // namespace vantorel
