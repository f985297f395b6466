#include "audio/wavprobe.h"

#include <cstring>

uint32_t Assem2(uint8_t b0, uint8_t b1) {
  return b0 + 256u * b1;
}

uint32_t Assem4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return b0 + (uint32_t{b1} << 8) + (uint32_t{b2} << 16) + (uint32_t{b3} << 24);
}

namespace {

using Head = std::span<const uint8_t>;

uint8_t ByteAt(Head h, size_t pos) {
  return pos < h.size() ? h[pos] : 0;
}

uint32_t Field2(Head h, size_t pos) {
  return Assem2(ByteAt(h, pos), ByteAt(h, pos + 1));
}

uint32_t Field4(Head h, size_t pos) {
  return Assem4(ByteAt(h, pos), ByteAt(h, pos + 1), ByteAt(h, pos + 2), ByteAt(h, pos + 3));
}

// The first even position from 2 to kSearchLimit where tag stands whole, or 0.
size_t FindTag(Head h, const char* tag, size_t len) {
  for (size_t pos = 2; pos <= kSearchLimit && pos + len <= h.size(); pos += 2) {
    if (std::memcmp(h.data() + pos, tag, len) == 0) return pos;
  }
  return 0;
}

}  // namespace

HeaderFacts ProbeHeader(Head h) {
  HeaderFacts facts;
  // Only "fmt" is compared: the fourth byte of the tag, a space, is not.
  size_t fmt = FindTag(h, "fmt", 3);
  facts.format_found = fmt != 0;
  if (!facts.format_found) fmt = kSearchLimit;

  facts.format = Field2(h, fmt + 8);
  // An extensible block gives the real format code as the first field of its sub-format.
  if (facts.format == kFormatExtensible) facts.sub_format = Field2(h, fmt + 32);
  facts.channels = Field2(h, fmt + 10);
  facts.bits_per_sample = Field2(h, fmt + 22);
  facts.sample_rate = Field4(h, fmt + 12);

  size_t data = FindTag(h, "data", 4);
  if (data == 0) {
    facts.status = ProbeStatus::kNoData;
    return facts;
  }
  facts.data_size = Field4(h, data + 4);
  facts.data_start = data + 8;
  uint32_t block = facts.channels * (facts.bits_per_sample / 8);
  if (block == 0 || facts.sample_rate == 0) {
    facts.status = ProbeStatus::kUnsupported;
    return facts;
  }
  facts.sample_frames = facts.data_size / block;
  return facts;
}
