// What an audio CD is, in the numbers the burners hold the cue sheet and its WAV files to. Every
// check, length and message that names one of these numbers takes it from here.
#pragma once

#include <cstdint>

namespace vantorel {

namespace cd {

// A CD counts time in frames, 75 to a second.
constexpr uint32_t kFramesPerSecond = 75;

// CD audio: 44,100 Hz, 16 bits, two channels, plain PCM, which is 588 samples a frame.
constexpr uint32_t kRate = 44100;
constexpr uint32_t kBits = 16;
constexpr uint32_t kChannels = 2;
constexpr uint32_t kSamplesPerFrame = kRate / kFramesPerSecond;

// A disc holds at most 99 tracks and 79:59:74 of audio, pregaps included, and every track lasts
// at least 4 seconds.
constexpr int kMaxTracks = 99;
constexpr uint64_t kLongestDiscFrames = (79 * 60 + 59) * kFramesPerSecond + 74;
constexpr uint32_t kShortestTrackSeconds = 4;
constexpr uint64_t kShortestTrackFrames = uint64_t{kShortestTrackSeconds} * kFramesPerSecond;

// Every disc starts with 2 seconds of silence before its first track.
constexpr uint64_t kFirstPregapFrames = 2 * kFramesPerSecond;

}  // namespace cd

}  // namespace vantorel
