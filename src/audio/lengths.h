// Track lengths in minutes, seconds and CD frames, and the total time report.
#pragma once

#include <cstdint>
#include <string>

#include "tracklist/tracklist.h"

struct Length {
  int32_t minutes = 0;
  int32_t seconds = 0;
  int32_t cd_frames = 0;
};

// The length of sample_frames frames at sample_rate Hz (which must not be 0). The figures are
// truncated at each step, in the precision each step has always had, so that they agree with
// the lengths users already know from earlier runs.
Length TrackLength(uint32_t sample_frames, uint32_t sample_rate);

// Adds a file's length in seconds to a running total held in single precision.
float AddToTotal(float total_seconds, uint32_t sample_frames, uint32_t sample_rate);

// Fills the length columns of every WAV entry below line_count and returns the total in seconds.
float ComputeLengths(TrackTable* table, int line_count);

// The listing of every WAV entry's length and the total playing time, as printed.
std::string LengthReport(const TrackTable& table, int line_count, float total_seconds);
