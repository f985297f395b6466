#include "run/texts.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "support/golden.h"

namespace vantorel {

namespace {

TEST(LengthReport, FollowsWhatWasSaidWithEveryFileAndItsLength) {
  auto report = [](const Disc& disc, TotalTime total) {
    std::string out = "said before\n";
    AppendLengthReport(&out, disc, total);
    return out;
  };
  Disc disc;
  disc.files.push_back({{1, "a.wav"}, {}, {}});
  disc.files.push_back({{3, "b b.WAV"}, {}, {}});
  disc.files[0].wav.length = {12, 3, 7};
  disc.files[1].wav.length = {0, 59, 74};
  EXPECT_EQ(report(disc, {13, 2}), "said before\n" + kReportHeader +
                                       "1\ta.wav\t\t12:3:7\n"
                                       "2\tb b.WAV\t\t0:59:74\n"
                                       "\nTotal Time:  13 min : 2 sec\n");
  EXPECT_EQ(report({}, {}), "said before\n" + kEmptyReport);
}

TEST(TrackView, ATimeWiderThanItsColumnPushesTheRestOn) {
  Disc disc;
  disc.files.push_back({{1, "long.wav"}, {}, 0, 1});
  const uint64_t hundred_minutes = 100 * 60 * 75;
  DiscLayout layout{{{0, 0, 0, hundred_minutes}}, hundred_minutes};
  std::string out;
  AppendTrackView(&out, disc, layout);
  EXPECT_EQ(out,
            "\nTrack  Starts in file  Starts on disc  Pregap    Length    File\n"
            "    1  00:00:00        00:00:00        00:00:00  100:00:00  long.wav\n"
            "\nDisc length: 100:00:00\n");
}

// What is said of a WAV line that cannot be opened, by what the line holds.
TEST(FindingLines, WavLineNotOpened) {
  const std::string cannot =
      ": No such file or directory; check the name, relative to the "
      "working directory";
  struct Case {
    int line;
    std::string text, hint, trimmed = "";
  } cases[] = {
      {1, "Benefit CD for the Roxy - burn friday!!",
       "; the first line is always a WAV file's name: if it is a note, move it to the end of the "
       "list as \"# Benefit CD for the Roxy - burn friday!!\""},
      {1, "# for friday",
       "; the first line is always a WAV file's name: move this note to the "
       "end of the list"},
      {1, "Song.Wav", ""},
      {2, "Benefit CD", ""},
      // The name without its blanks opens, as the run found.
      {3, "a.wav ",
       "; the name ends in 1 space that the file's name lacks: write the line as "
       "\"a.wav\"",
       "a.wav"},
      {1, "Title\t\t",
       "; the name ends in 2 tabs that the file's name lacks: write the line as "
       "\"Title\"",
       "Title"},
      {3, "a.wav \t",
       "; the name ends in 2 blanks that the file's name lacks: write the line as "
       "\"a.wav\"",
       "a.wav"},
  };
  for (const Case& c : cases) {
    Finding f = {.kind = FindingKind::kWavNotOpened,
                 .line = c.line,
                 .subject = c.text,
                 .other = c.trimmed,
                 .error = ENOENT};
    EXPECT_EQ(FindingLines({&f, 1}, {"l.txt", ""}), "vantorel: l.txt:" + std::to_string(c.line) +
                                                        ": error: cannot open \"" + c.text + "\"" +
                                                        cannot + c.hint + "\n");
  }
}

}  // namespace

}  // namespace vantorel
