#include "audio/wavprobe.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantorel {

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

#if defined(__SSE2__)
// Looks for a three- or four-byte tag at 32 even positions a step. Lane k of a 16-bit load at p
// holds the two bytes at p + 2k, and lane k of the load two bytes on the two after them. The 32
// positions are first sifted for the tag's first two bytes alone, which seldom stand at an even
// position of a header by chance. Sets *pos to the first position not yet looked at.
size_t FindTagWide(Head h, const char* tag, size_t len, size_t last, size_t* pos) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(i < len ? tag[i] : 0); };
  const __m128i first = _mm_set1_epi16(static_cast<short>(byte(0) | byte(1) << 8));
  const __m128i second = _mm_set1_epi16(static_cast<short>(byte(2) | byte(3) << 8));
  const __m128i second_mask = _mm_set1_epi16(static_cast<short>(len == 4 ? 0xFFFF : 0x00FF));
  auto load = [&](size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(h.data() + at));
  };
  // A block starting at p looks at positions p to p + 62 and reads bytes p to p + 65.
  size_t p = *pos;
  if (last < 62 || h.size() < 66) return 0;
  const size_t final_block = std::min(last - 62, h.size() - 66);
  for (; p <= final_block; p += 64) {
    __m128i heads[4];
    __m128i any = _mm_setzero_si128();
    for (size_t i = 0; i < 4; ++i) {
      heads[i] = _mm_cmpeq_epi16(load(p + 16 * i), first);
      any = _mm_or_si128(any, heads[i]);
    }
    if (_mm_movemask_epi8(any) == 0) continue;
    for (size_t i = 0; i < 4; ++i) {
      __m128i rest = _mm_and_si128(load(p + 16 * i + 2), second_mask);
      __m128i whole = _mm_and_si128(heads[i], _mm_cmpeq_epi16(rest, second));
      // Both bits of a matching lane are set, so the lowest one counts the bytes to the match.
      unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(whole));
      if (bits != 0) return p + 16 * i + static_cast<size_t>(__builtin_ctz(bits));
    }
  }
  *pos = p;
  return 0;
}
#endif

}  // namespace

size_t FindTag(Head h, const char* tag, size_t len) {
  if (h.size() < len) return 0;
  const size_t last = std::min(kSearchLimit, h.size() - len);
  if (last < 2) return 0;
  size_t pos = 2;
  // No position before the first byte that starts the tag can hold it, and the C library finds
  // that byte many at a time; headers are often padded with zeros.
  if (len > 0) {
    const void* first = std::memchr(h.data() + pos, tag[0], last + 1 - pos);
    if (first == nullptr) return 0;
    pos = static_cast<size_t>(static_cast<const uint8_t*>(first) - h.data()) & ~size_t{1};
  }
#if defined(__SSE2__)
  if (len == 3 || len == 4) {
    if (size_t found = FindTagWide(h, tag, len, last, &pos); found != 0) return found;
  }
#endif
  for (; pos <= last; pos += 2) {
    if (std::memcmp(h.data() + pos, tag, len) == 0) return pos;
  }
  return 0;
}

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

}  // namespace vantorel
