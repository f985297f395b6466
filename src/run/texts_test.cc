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
  disc.tracks.push_back({.opened_by = {1, "long.wav"}});
  const uint64_t hundred_minutes = 100 * 60 * 75;
  DiscLayout layout{
      .tracks = {{.in_file = 0, .pregap = 0, .on_disc = 0, .length = hundred_minutes}},
      .frames = hundred_minutes};
  std::string out;
  AppendTrackView(&out, disc, layout);
  EXPECT_EQ(out,
            "\nTrack  Starts in file  Starts on disc  Pregap    Length    File\n"
            "    1  00:00:00        00:00:00        00:00:00  100:00:00  long.wav\n"
            "\nDisc length: 100:00:00\n");
}

}  // namespace

}  // namespace vantorel
