// Lengths of audio in CD frames, minutes and seconds, and the total playing time, all computed
// exactly in integers: a part of a frame or of a second is dropped, never rounded.
#pragma once

#include <cstdint>
#include <span>

namespace vantorel {

// A file's length, computed in one place for the report and for every check.
struct Length {
  // As the report gives it: whole minutes, the seconds past them and the CD frames past those.
  uint64_t minutes = 0;
  uint64_t seconds = 0;
  uint64_t cd_frames = 0;
  // The whole CD frames the audio fills, at most UINT64_MAX, and what it holds of one more, in
  // units of 1 / (75 × the rate) of a second: 0 where it ends on a whole frame.
  uint64_t whole_frames = 0;
  uint64_t part_frame = 0;
};

// The length of sample_frames frames at sample_rate Hz; all zero at a rate of 0.
Length LengthOf(uint64_t sample_frames, uint32_t sample_rate);

// a + b, held at the most 64 bits hold rather than wrapped round: only a header that declares
// audio past all reason takes a length or a sum of them there.
inline uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  uint64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? UINT64_MAX : sum;
}

// The CD frames a burner gives the audio: it pads a part of a frame with silence to a whole one.
inline uint64_t BurnedFrames(const Length& length) {
  return SaturatingAdd(length.whole_frames, length.part_frame != 0 ? 1 : 0);
}

// A file's sample frames and its rate, as the total sums them.
struct SampleCount {
  uint64_t frames = 0;
  uint32_t rate = 0;
};

// The whole seconds of all the counts together, ⌊Σ frames / rate⌋, exact for any counts and any
// mix of rates; a count at a rate of 0 adds nothing.
uint64_t TotalSeconds(std::span<const SampleCount> counts);

// The total in whole minutes and the seconds past them.
struct TotalTime {
  uint64_t minutes = 0;
  uint64_t seconds = 0;
};
inline TotalTime TotalTimeOf(uint64_t total_seconds) {
  return {total_seconds / 60, total_seconds % 60};
}

}  // namespace vantorel
