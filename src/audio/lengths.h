// Track lengths in minutes, seconds and CD frames, and the total playing time.
#pragma once

#include <cstdint>

namespace vantorel {

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

// The total in whole minutes and seconds; fractions of a second are dropped. Held in 64 bits, so
// that absurd headers summed over a long list cannot pass the range of the result.
struct TotalTime {
  int64_t minutes = 0;
  int64_t seconds = 0;
};
TotalTime TotalTimeOf(float total_seconds);

}  // namespace vantorel
