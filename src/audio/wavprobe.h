// The WAV header probe: finds the format and data blocks of a RIFF WAVE file by their tags and
// reads the sample rate and the number of sample frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vantorel {

// Tags are searched for at even positions from 2 up to and including this one.
constexpr size_t kSearchLimit = 15000;
// Enough of a file's head for every field the probe can reach: bits per sample of a format tag
// found at kSearchLimit ends 24 bytes further on.
constexpr size_t kHeadBytes = kSearchLimit + 24;

uint32_t Assem2(uint8_t b0, uint8_t b1);
uint32_t Assem4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

enum class ProbeStatus { kOk, kNoData, kUnsupported };

// Format codes of the format block.
constexpr uint32_t kFormatPcm = 1;
constexpr uint32_t kFormatExtensible = 0xFFFE;

struct HeaderFacts {
  ProbeStatus status = ProbeStatus::kOk;
  bool format_found = false;
  uint32_t sample_rate = 0;
  uint32_t sample_frames = 0;
  // What a CD burner asks of the file besides its length.
  uint32_t format = 0;      // The format code.
  uint32_t sub_format = 0;  // For an extensible format block, the code of its sub-format.
  uint32_t channels = 0;
  uint32_t bits_per_sample = 0;
  uint32_t data_size = 0;   // In bytes, as the header declares it.
  uint64_t data_start = 0;  // Where the sample data begins, just after the data block's size.
};

// The first even position from 2 to kSearchLimit at which the len bytes of tag stand whole within
// head, or 0.
size_t FindTag(std::span<const uint8_t> head, const char* tag, size_t len);

// Probes the first bytes of a file, which may be fewer than kHeadBytes for a short file. Bytes
// the file does not have match no tag and read as zero in a field.
HeaderFacts ProbeHeader(std::span<const uint8_t> head);

}  // namespace vantorel
