#include "audio/lengths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace vantorel {

namespace {

constexpr uint64_t kMost = std::numeric_limits<uint64_t>::max();

TEST(LengthOf, MinutesSecondsAndFramesTruncated) {
  struct Case {
    uint64_t frames;
    uint32_t rate;
    uint64_t minutes, seconds, cd_frames, whole_frames;
  } cases[] = {
      {2646000, 44100, 1, 0, 0, 4500},
      {2880000, 48000, 1, 0, 0, 4500},
      {480000, 8000, 1, 0, 0, 4500},
      {9062550, 44100, 3, 25, 37, 15412},
      {22050, 44100, 0, 0, 37, 37},  // Half a second: 37.5 frames.
      {28812, 44100, 0, 0, 49, 49},
      {37044, 44100, 0, 0, 63, 63},
      {0, 44100, 0, 0, 0, 0},
      {kMost, 44100, 6971558606844, 7, 32, 31372013730798557},
      {kMost, 4294967295, 71582788, 17, 0, 322122547275},
      {kMost, 1, 307445734561825860, 15, 0, kMost},  // 75 times the count passes 64 bits.
      {kMost, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frames << " at " << c.rate);
    Length l = LengthOf(c.frames, c.rate);
    EXPECT_EQ(l.minutes, c.minutes);
    EXPECT_EQ(l.seconds, c.seconds);
    EXPECT_EQ(l.cd_frames, c.cd_frames);
    EXPECT_EQ(l.whole_frames, c.whole_frames);
  }
  // Past 64 bits of frames, a padded last frame keeps the count at the most it holds.
  EXPECT_EQ(BurnedFrames(LengthOf(kMost, 2)), kMost);
}

TEST(LengthOf, EveryFrameBoundaryAtTheCdRate) {
  for (uint64_t frame = 0; frame < 75; ++frame) {
    SCOPED_TRACE(frame);
    Length on = LengthOf(2646000 + 588 * frame, 44100);
    EXPECT_EQ(on.cd_frames, frame);
    EXPECT_EQ(BurnedFrames(on), 4500 + frame);
    // A sample short of the next boundary: still this frame, and a burner pads it to the next.
    Length inside = LengthOf(2646000 + 588 * frame + 587, 44100);
    EXPECT_EQ(inside.cd_frames, frame);
    EXPECT_EQ(BurnedFrames(inside), 4501 + frame);
  }
}

TEST(TotalSeconds, ExactForAnyMixOfRates) {
  struct Case {
    std::vector<SampleCount> counts;
    uint64_t seconds;
  } cases[] = {
      {{}, 0},
      // Exactly 796 seconds, and 59.99.
      {{{18525365, 44100}, {7906942, 44100}, {8671293, 44100}}, 796},
      {{{2645559, 44100}}, 59},
      // A third, a sixth and a half: exactly one second, which no binary fraction shows.
      {{{1, 3}, {1, 6}, {1, 2}}, 1},
      {{{1, 3}, {1, 6}, {1, 2}, {kMost, 0}}, 1},
      // Within 2^-64 of a second, above and below, at prime rates.
      {{{4294967290, 4294967291}, {1, 4294967279}}, 1},
      {{{4294967278, 4294967279}, {1, 4294967291}}, 0},
      {{{kMost, 1}, {kMost, 1}}, kMost},
  };
  for (const Case& c : cases) EXPECT_EQ(TotalSeconds(c.counts), c.seconds);

  // Lists at the usual rates, against sums over their common multiple.
  const uint32_t rates[] = {8000,  11025, 16000, 22050,  32000,  44100,
                            48000, 88200, 96000, 176400, 192000, 384000};
  const unsigned __int128 common = 56448000;
  std::mt19937_64 random(20261208);
  for (int list = 0; list < 2000; ++list) {
    std::vector<SampleCount> counts(1 + random() % 128);
    unsigned __int128 scaled = 0;
    for (SampleCount& c : counts) {
      c.rate = rates[random() % std::size(rates)];
      // Often a whole number of seconds, or a half or some quarters of one, which sum to whole
      // seconds across rates.
      uint64_t part[] = {0, c.rate / 2, c.rate / 4 * (1 + random() % 3), random() % c.rate};
      c.frames = c.rate * (random() % 600) + part[random() % 4];
      scaled += c.frames * (common / c.rate);
    }
    ASSERT_EQ(TotalSeconds(counts), static_cast<uint64_t>(scaled / common)) << list;
  }
}

}  // namespace

}  // namespace vantorel
