#include "disc/disc.h"

#include <gtest/gtest.h>

#include <string>

namespace vantorel {

namespace {

Disc DiscOf(std::string_view list) {
  static TrackTable table;  // Static: the disc holds views into list, as the table does.
  ClassifyTrackList(list, &table);
  return BuildDisc(table, LinesToLookUp(table));
}

std::string Numbered(const ListLine& line) {
  return std::to_string(line.number) + ":" + std::string(line.text);
}

// The disc in one line: each file with its tracks (line, start, pregap line), then the lines that
// count for nothing.
std::string Described(const Disc& disc) {
  std::string out;
  for (const DiscFile& file : disc.files) {
    out += Numbered(file.entry);
    for (const Track& t : TracksOf(disc, file)) {
      out.append(" [").append(Numbered(t.opened_by)).append(" at ").append(t.start);
      if (t.pregap.number != 0) out.append(" ").append(Numbered(t.pregap));
      out += "]";
    }
    out += " | ";
  }
  for (const StrayPregap& stray : disc.stray_pregaps) {
    out.append("stray ").append(Numbered(stray.line));
    if (stray.after_ignored.number != 0)
      out.append(" after ").append(Numbered(stray.after_ignored));
    out += " | ";
  }
  for (const ListLine& line : disc.ignored) out.append("ignored ").append(Numbered(line)) += " | ";
  for (const LineLookup& lookup : disc.lookups) {
    out.append(lookup.how == LookUp::kAsWritten ? "look up " : "spell ")
        .append(Numbered(lookup.line)) += " | ";
  }
  return out;
}

TEST(BuildDisc, FilesTracksPregapsAndLineNumbers) {
  // Lines end at LF, CR LF and a lone CR (LF CR ends two), blank lines count, a byte order mark
  // does not. A pregap belongs to the track opened on the line just above it; any other to none.
  EXPECT_EQ(
      Described(DiscOf("\xEF\xBB\xBF"
                       "a.wav\r\n\r\nP 00:02:00\rS 01:00:00\nP 00:01:00\nP 00:03:00\n"
                       "note\n\nb.WAV\nS 2\nx\n\rP 9\nS c.Wav\n# d.Wav\n")),
      "1:a.wav [1:a.wav at 00:00:00 3:P 00:02:00] [4:S 01:00:00 at 01:00:00 5:P 00:01:00] | "
      "9:b.WAV [9:b.WAV at 00:00:00] [10:S 2 at 2] [14:S c.Wav at c.Wav] | "
      "stray 6:P 00:03:00 | stray 13:P 9 after 11:x | ignored 7:note | ignored 11:x "
      "| look up 7:note | look up 10:S 2 | look up 11:x | look up 13:P 9 | spell 14:S c.Wav | ");
  EXPECT_EQ(Described(DiscOf("\n\nS\nP")), "3:S [3:S at 00:00:00 4:P] | ");
  EXPECT_EQ(Described(DiscOf("")), "");
}

}  // namespace

}  // namespace vantorel
