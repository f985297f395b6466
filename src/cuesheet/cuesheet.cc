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

// A track's flags and ISRC, where the list gives them.
void AppendMarks(std::string* out, const TrackMarks& marks) {
  if (marks.flags.number != 0) {
    out->append("    FLAGS ").append(FlagWords(ReadFlags(CodeOf(marks.flags.text)).bits)) += '\n';
  }
  if (marks.isrc.number != 0) out->append("    ISRC ").append(CodeOf(marks.isrc.text)) += '\n';
}

}  // namespace

std::string BuildCueSheet(const Disc& disc, const DiscLayout& layout) {
  // Room for every line, so that the sheet is written into one buffer.
  size_t room = (disc.catalog.number != 0 ? 24 : 0) + disc.track_marks.size() * 60;
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
  if (disc.catalog.number != 0) {
    text.append("CATALOG ").append(CodeOf(disc.catalog.text)) += '\n';
  }
  AppendText(&text, "", "TITLE", disc.title);
  AppendText(&text, "", "PERFORMER", disc.performer);
  const DiscFile* before = nullptr;
  std::string_view before_dot;
  for (const DiscFile& file : disc.files) {
    std::string_view dot = SheetDotOf(before, before_dot, file);
    text.append("FILE \"").append(dot).append(file.entry.text).append("\" WAVE\n");
    before = &file;
    before_dot = dot;
    for (const Track& track : TracksOf(disc, file)) {
      const TrackPlace& place = layout.tracks[static_cast<size_t>(&track - disc.tracks.data())];
      AppendTrack(&text, track_number++);
      AppendText(&text, "    ", "TITLE", TitleOf(disc, track));
      AppendText(&text, "    ", "PERFORMER", PerformerOf(disc, track));
      // A gap is written where it ends at the track's start in its file; a file's first track
      // starts after its gap.
      uint32_t gap = 0;
      if (track.marks != kNoMarks) {
        AppendMarks(&text, disc.track_marks[track.marks]);
        gap = layout.gaps[track.marks].frames;
      }
      if (track.pregap.number != 0) {
        text.append("    PREGAP ").append(TimeTextOf(track.pregap.text)) += '\n';
      }
      if (gap != 0) text.append("    INDEX 00 ").append(CueTimeText(*place.in_file - gap)) += '\n';
      text.append("    INDEX 01 ");
      if ((place.as_meant || gap != 0) && place.in_file) {
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
