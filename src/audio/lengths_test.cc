#include "audio/lengths.h"

#include <gtest/gtest.h>

namespace {

std::string Text(Length l) {
  return std::to_string(l.minutes) + ":" + std::to_string(l.seconds) + ":" +
         std::to_string(l.cd_frames);
}

TEST(TrackLength, KnownLengths) {
  EXPECT_EQ(Text(TrackLength(2646000, 44100)), "1:0:0");
  EXPECT_EQ(Text(TrackLength(2880000, 48000)), "1:0:0");
  EXPECT_EQ(Text(TrackLength(480000, 8000)), "1:0:0");
  EXPECT_EQ(Text(TrackLength(9062550, 44100)), "3:25:37");
  EXPECT_EQ(Text(TrackLength(0, 44100)), "0:0:0");
  EXPECT_EQ(Text(TrackLength(0xFFFFFFFFu, 44100)), "1623:11:41");
  EXPECT_EQ(Text(TrackLength(0xFFFFFFFFu, 1)), "71582788:15:0");
}

TEST(TrackLength, FramesAreTruncated) {
  EXPECT_EQ(TrackLength(22050, 44100).cd_frames, 37);
  // Two exact frame boundaries come out one short; every other one is exact.
  for (int frames = 0; frames < 75; ++frames) {
    int want = (frames == 49 || frames == 63) ? frames - 1 : frames;
    EXPECT_EQ(TrackLength(2646000 + 588u * frames, 44100).cd_frames, want) << frames;
  }
}

TEST(Total, SingleprecisionSum) {
  float total = 0;
  for (uint32_t frames : {18525365u, 7906942u, 8671293u}) total = AddToTotal(total, frames, 44100);
  TrackTable table;
  EXPECT_EQ(LengthReport(table, 0, total),
            "\nFile Lengths \t\t\tmin:sec:frames\n\n\nTotal Time:  13 min : 15 sec\n");
  EXPECT_EQ(LengthReport(table, 0, AddToTotal(0, 2645559, 44100)),
            "\nFile Lengths \t\t\tmin:sec:frames\n\n\nTotal Time:  0 min : 59 sec\n");
}

TEST(LengthReport, ListsWavEntriesOnly) {
  TrackTable table;
  Classified c = ClassifyTrackList("a.wav\nS 01:00:00\nb.wav\n", &table);
  table.sample_rate[0] = table.sample_rate[2] = 44100;
  table.sample_frames[0] = 2646000;
  table.sample_frames[2] = 9062550;
  float total = ComputeLengths(&table, c.line_count);
  EXPECT_EQ(LengthReport(table, c.line_count, total),
            "\nFile Lengths \t\t\tmin:sec:frames\n\n"
            "1\ta.wav\t\t1:0:0\n"
            "2\tb.wav\t\t3:25:37\n"
            "\nTotal Time:  4 min : 25 sec\n");
}

}  // namespace
