#include "tracklist/times.h"

#include <gtest/gtest.h>

#include <string>

namespace vantorel {

namespace {

TEST(ReadEditorTime, WhatAnAudioEditorsTimeMeans) {
  auto at = [](uint32_t minutes, uint32_t seconds, uint32_t frames) {
    return (minutes * 60 + seconds) * 75 + frames;
  };
  struct Case {
    std::string time;
    int count;
    uint32_t frames[2];
  } cases[] = {
      // Seconds with a fraction, of which a part of a frame is dropped: 0.5 s is 37.5 frames.
      {"4:12.5", 1, {at(4, 12, 37)}},
      {" 252,5\t", 1, {at(4, 12, 37)}},
      {"1:04:12.999999", 1, {at(64, 12, 74)}},
      {"17m02s", 1, {at(17, 2, 0)}},
      {"0 h 17 m 2.5 s", 1, {at(17, 2, 37)}},
      {"90s", 1, {at(1, 30, 0)}},
      {"0:12:55:10", 1, {at(12, 55, 10)}},
      // Minutes:seconds, and seconds:frames as cdrdao reads it, where each can be.
      {"17:02", 2, {at(17, 2, 0), at(0, 17, 2)}},
      {"0:00", 1, {0}},
      {"17:65", 1, {at(0, 17, 65)}},
      {"99:59", 1, {at(99, 59, 0)}},
      // Seconds of 60 under minutes, minutes of 60 under hours, frames of a second, 100 minutes.
      {"1:60.5", 0, {}},
      {"0h60m", 0, {}},
      {"17m60s", 0, {}},
      {"0:0:0:75", 0, {}},
      {"100m", 0, {}},
      {"100:00", 0, {}},
      // Not such a time.
      {"00:60:00", 0, {}},
      {"12", 0, {}},
      {"", 0, {}},
      {"2m1h", 0, {}},
      {"1.5m", 0, {}},
      {"17m02", 0, {}},
      {"4:12.", 0, {}},
      {"4:12.5x", 0, {}},
      {"4:1234567", 0, {}},
      {"12.1234567", 0, {}},
      {"1:2:3:4:5", 0, {}},
      {"1:2:3:4.5", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    TimeReadings got = ReadEditorTime(c.time);
    EXPECT_EQ(got.count, c.count);
    for (int r = 0; r < c.count; ++r) EXPECT_EQ(got.frames[r], c.frames[r]);
  }
}

// How a time reads, and what its form settles for its file's other times.
TEST(ReadTime, ReadingsAndWhatTheFormSettles) {
  auto at = [](uint32_t minutes, uint32_t seconds, uint32_t frames) {
    return (minutes * 60 + seconds) * 75 + frames;
  };
  constexpr Doubt kNone = Doubt::kNone, kUnits = Doubt::kUnits, kFraction = Doubt::kFraction;
  struct Case {
    std::string time;
    bool pasted;
    Doubt doubt;
    uint32_t larger, smaller;
    Doubt settles = Doubt::kNone;
    bool settles_larger = false;
    bool four_fields = false;
  } cases[] = {
      {"03:15:00", false, kNone, at(3, 15, 0), at(3, 15, 0)},
      // Hours of one digit or two, as DJs write them; pasted, they are hours alone.
      {"0:04:32", false, kUnits, at(4, 32, 0), at(0, 4, 32)},
      {"00:04:32", false, kUnits, at(4, 32, 0), at(0, 4, 32)},
      {"01:13:10", false, kUnits, at(73, 10, 0), at(1, 13, 10)},
      {"00:04:32", true, kNone, at(4, 32, 0), at(4, 32, 0)},
      {"02:13:10", false, kNone, at(2, 13, 10), at(2, 13, 10)},
      {"00:00:00", false, kNone, 0, 0},
      // Two numbers, and those that read one way only, which settles the file's.
      {"17:02", false, kUnits, at(17, 2, 0), at(0, 17, 2)},
      {"17:02", true, kNone, at(17, 2, 0), at(17, 2, 0)},
      {"62:05", false, kNone, at(62, 5, 0), at(62, 5, 0), kUnits, true},
      {"4:65", false, kNone, at(0, 4, 65), at(0, 4, 65), kUnits, false},
      // Two digits after a point: shntool's CD frames or hundredths; other fractions settle the
      // file's as decimal, but milliseconds, which both read alike.
      {"1:33.74", false, kFraction, at(1, 33, 74), at(1, 33, 55)},
      {"1:33.00", false, kNone, at(1, 33, 0), at(1, 33, 0)},
      {"1:33.75", false, kNone, at(1, 33, 56), at(1, 33, 56), kFraction},
      {"4:12.5", false, kNone, at(4, 12, 37), at(4, 12, 37), kFraction},
      {"4:12,50", false, kNone, at(4, 12, 37), at(4, 12, 37), kFraction},
      {"252.50", false, kNone, at(4, 12, 37), at(4, 12, 37), kFraction},
      {"1:04:12.50", false, kNone, at(64, 12, 37), at(64, 12, 37), kFraction},
      {"4:12.500", false, kNone, at(4, 12, 37), at(4, 12, 37)},
      // Four fields mean what they say; they are the way to write a time that would read two ways.
      {"0:00:04:32", false, kNone, at(0, 4, 32), at(0, 4, 32), kNone, false, true},
      {"0:12:55:10", false, kNone, at(12, 55, 10), at(12, 55, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time + (c.pasted ? " pasted" : ""));
    TimeReading r = ReadTime(c.time, c.pasted);
    EXPECT_TRUE(r.readable);
    EXPECT_EQ(r.doubt, c.doubt);
    EXPECT_EQ(r.larger, c.larger);
    EXPECT_EQ(r.smaller, c.smaller);
    EXPECT_EQ(r.settles, c.settles);
    EXPECT_EQ(r.settles_larger, c.settles_larger);
    EXPECT_EQ(r.four_fields, c.four_fields);
  }
  EXPECT_FALSE(ReadTime("66:80").readable);
  EXPECT_EQ(FourFieldTimeText(at(1, 13, 10)), "0:01:13:10");
  EXPECT_EQ(FourFieldTimeText(at(73, 10, 0)), "1:13:10:00");
}

TEST(ReadPastedTime, TracklistsFromTheWeb) {
  struct Case {
    std::string text, time, title;
  } cases[] = {
      {"[00:04:32] Artist - Title", "00:04:32", "Artist - Title"},
      {"(4:32) - Artist - Title", "4:32", "Artist - Title"},
      {"04:32 Artist - Title", "04:32", "Artist - Title"},
      {"1. Artist - Title (4:32)", "4:32", "Artist - Title"},
      {"01) [1:13:10] Outro", "1:13:10", "Outro"},
      {"12. Artist - Title - [1:02:03]", "1:02:03", "Artist - Title"},
      {"4:12.5", "4:12.5", ""},
      {"[4:12.5] x", "4:12.5", "x"},
      // No time, a title in parentheses, or a time at the end with no list number.
      {"1. Artist - Title", "", ""},
      {"1. Live (1999)", "", ""},
      {"Sunrise (4:32)", "", ""},
      {"1.5 stars", "", ""},
  };
  for (const Case& c : cases) {
    std::optional<PastedTime> got = ReadPastedTime(c.text);
    EXPECT_EQ(got ? std::string(got->time) : "", c.time) << c.text;
    EXPECT_EQ(got ? std::string(got->title) : "", c.title) << c.text;
  }
}

}  // namespace

}  // namespace vantorel
