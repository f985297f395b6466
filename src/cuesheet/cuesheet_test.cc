#include "cuesheet/cuesheet.h"

#include <gtest/gtest.h>

#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// The sheet of a list whose files each hold seconds of CD audio.
std::string Cue(std::string_view list, uint64_t seconds = 0) {
  TrackTable table;
  ClassifyTrackList(list, &table);
  Disc disc = BuildDisc(table);
  for (DiscFile& file : disc.files) file.wav.header = {.sample_rate = 44100};
  for (DiscFile& file : disc.files) file.wav.header.sample_frames = seconds * 44100;
  MeasureLengths(&disc);
  return BuildCueSheet(disc, LayOutDisc(disc));
}

TEST(BuildCueSheet, FilesSplitsAndPregaps) {
  EXPECT_EQ(Cue("a.wav\nS 03:00:00\nP 00:02:00\nb.WAV\nP 00:01:00\njunk line\nS 01:00:00\n"),
            "FILE \"a.wav\" WAVE\n"
            "  TRACK 01 AUDIO\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n"
            "    PREGAP 00:02:00\n"
            "    INDEX 01 03:00:00\n"
            "FILE \"b.WAV\" WAVE\n"
            "  TRACK 03 AUDIO\n"
            "    PREGAP 00:01:00\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 04 AUDIO\n"
            "    INDEX 01 01:00:00\n");
  EXPECT_EQ(Cue("one.wav"), "FILE \"one.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  // A time as a pasted tracklist writes it, and one in four fields, are given as they are meant.
  EXPECT_EQ(Cue("one.wav\nS [00:04:32] Intro\nS 0:00:04:40\n"),
            "FILE \"one.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    TITLE \"Intro\"\n    INDEX 01 04:32:00\n"
            "  TRACK 03 AUDIO\n    INDEX 01 00:04:40\n");
  EXPECT_EQ(Cue(""), "");
}

// The catalog number first; a track's flags and ISRC, and its gap as the audio before its start:
// a file's first track starts after it. Only what cdrdao takes is written.
TEST(BuildCueSheet, GapsCodesAndFlags) {
  EXPECT_EQ(Cue("a.wav\nG 00:01:00\nISRC USABC1234567\nFLAGS PRE DCP\nCATALOG 0123456789012\n"
                "S 00:10:00\nG 00:02:00\nISRC US-ABC-12-34567\nFLAGS SCMS\nb.wav\nP 00:01:00\n"
                "G 00:01:00\nS 00:05:00\nG 00:02:00\n",
                20),
            "CATALOG 0123456789012\nFILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    FLAGS DCP PRE\n"
            "    ISRC USABC1234567\n    INDEX 00 00:00:00\n    INDEX 01 00:01:00\n"
            "  TRACK 02 AUDIO\n    INDEX 00 00:08:00\n    INDEX 01 00:10:00\n"
            "FILE \"b.wav\" WAVE\n  TRACK 03 AUDIO\n    PREGAP 00:01:00\n    INDEX 01 00:00:00\n"
            "  TRACK 04 AUDIO\n    INDEX 01 00:05:00\n");
}

TEST(BuildCueSheet, SameNameAgainAfterASplit) {
  std::string cue =
      Cue("t.wav\nS 01:00:00\nt.wav\nS 01:00:00\nt.wav\n./t.wav\nS 01:00:00\n./t.wav\n"
          "t.wav\nt.wav\n/m/t.wav\nS 01:00:00\n/m/t.wav\n");
  std::string names;
  for (size_t at = cue.find("FILE \""); at != cue.npos; at = cue.find("FILE \"", at + 1)) {
    names.append(cue, at + 6, cue.find('"', at + 6) - at - 6) += ' ';
  }
  EXPECT_EQ(names, "t.wav ./t.wav t.wav ./t.wav ././t.wav t.wav t.wav /m/t.wav /./m/t.wav ");
}

TEST(BuildCueSheet, TrackNumbersAndLongTexts) {
  std::string list = "a.wav\n";
  for (int i = 0; i < 99; ++i) list += "S 0" + std::to_string(i) + "\n";
  std::string cue = Cue(list);
  EXPECT_NE(cue.find("  TRACK 09 AUDIO\n    INDEX 01 07\n  TRACK 10 AUDIO\n"), std::string::npos);
  EXPECT_NE(cue.find("  TRACK 100 AUDIO\n    INDEX 01 098\n"), std::string::npos);

  std::string name(5000, 'n');
  std::string time(300, '9');
  EXPECT_EQ(Cue(name + ".wav\nS " + time + "\nP " + time),
            "FILE \"" + name +
                ".wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                "  TRACK 02 AUDIO\n    PREGAP " +
                time + "\n    INDEX 01 " + time + "\n");
}

}  // namespace

}  // namespace vantorel
