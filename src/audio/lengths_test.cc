#include "audio/lengths.h"

#include <gtest/gtest.h>

namespace vantorel {

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

TEST(Total, SinglePrecisionSum) {
  float total = 0;
  for (uint32_t frames : {18525365u, 7906942u, 8671293u}) total = AddToTotal(total, frames, 44100);
  TotalTime t = TotalTimeOf(total);
  EXPECT_EQ(t.minutes, 13);
  EXPECT_EQ(t.seconds, 15);
  t = TotalTimeOf(AddToTotal(0, 2645559, 44100));
  EXPECT_EQ(t.minutes, 0);
  EXPECT_EQ(t.seconds, 59);
}

}  // namespace

}  // namespace vantorel
