#include "audio/lengths.h"

#include <cmath>
#include <limits>

// The arithmetic below depends on the 80-bit x87 extended format: another long double would print
// other lengths for some files.
static_assert(std::numeric_limits<long double>::digits == 64,
              "vantorel needs long double to be the 80-bit x87 extended format");

namespace {

constexpr float kSecondsPerMinute = 60.0f;
constexpr float kFramesPerSecond = 75.0f;

}  // namespace

float AddToTotal(float total_seconds, uint32_t sample_frames, uint32_t sample_rate) {
  long double f = sample_frames;
  long double r = sample_rate;
  return static_cast<float>(total_seconds + f / r);
}

Length TrackLength(uint32_t sample_frames, uint32_t sample_rate) {
  long double f = sample_frames;
  long double r = sample_rate;
  Length len;
  len.minutes = static_cast<int32_t>(std::floor(static_cast<double>(f / (kSecondsPerMinute * r))));
  // Held in 64 bits: with an absurd rate the remainder can pass the range of a 32-bit integer.
  auto remainder =
      static_cast<int64_t>(f - static_cast<long double>(len.minutes) * kSecondsPerMinute * r);

  long double rate = static_cast<float>(sample_rate);
  long double rem = static_cast<float>(remainder);
  len.seconds = static_cast<int32_t>(std::floor(static_cast<float>(remainder / rate)));
  auto leftover = static_cast<int64_t>(rem - len.seconds * rate);
  len.cd_frames = static_cast<int32_t>((leftover / rate) * kFramesPerSecond);
  return len;
}

TotalTime TotalTimeOf(float total_seconds) {
  long double total = total_seconds;
  TotalTime t;
  // The total is never negative, so truncating the quotient floors it; std::floor here would
  // make the tool load libm, which costs more than the whole run.
  t.minutes = static_cast<int64_t>(static_cast<double>(total / kSecondsPerMinute));
  t.seconds = static_cast<int64_t>(total - static_cast<long double>(t.minutes) * kSecondsPerMinute);
  return t;
}
