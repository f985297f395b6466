// The x87's 80-bit extended precision in integer arithmetic, for the few steps of the lengths
// that have always been computed in it. Every operation rounds its exact result to a 64-bit
// significand, to nearest with ties to even, as the x87 does by default; a value later held in
// double or single precision is rounded again from that 64-bit result, as storing an x87 register
// into a narrower variable rounds it. The same bits come out on every processor, whatever its
// long double is, and no floating-point state is read or changed.
//
// Only the range the lengths reach is modelled: magnitudes between 2^-64 and 2^64, far inside every
// format's exponent range, so there is no overflow, no subnormal, no infinity and no NaN; and
// the sign of a zero is not kept, since nothing here tells one zero from the other.
//
// The functions are inline: they run for every file of a list, and out of line they made the
// lengths cost half as much again.
#pragma once

#include <bit>
#include <cstdint>
#include <utility>

namespace vantorel {

// The value (negative ? -1 : 1) * significand * 2^exponent. The significand's top bit is set,
// except in zero, which is all zero. (In this order the struct fits in two registers.)
struct Extended {
  uint64_t significand = 0;
  int32_t exponent = 0;
  bool negative = false;
};

inline constexpr int kExtendedBits = 64;
inline constexpr int kDoubleBits = 53;
inline constexpr int kFloatBits = 24;

namespace extended_detail {

constexpr uint64_t kTopBit = uint64_t{1} << 63;

// The value (high + low / 2^64) * 2^exponent, high's top bit set, rounded to the 64 bits of
// high. Anything nonzero below low's own bits has to show in low's lowest bit, so that a tie is
// told from a value just above it.
inline Extended Round(bool negative, uint64_t high, uint64_t low, int32_t exponent) {
  if (low > kTopBit || (low == kTopBit && (high & 1) != 0)) {
    if (++high == 0) {
      high = kTopBit;
      ++exponent;
    }
  }
  return {high, exponent, negative};
}

}  // namespace extended_detail

// Exact conversions: every 64-bit integer and every float fits in 64 significant bits.
constexpr Extended ExtendedOfInt(int64_t value) {
  uint64_t m = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (m == 0) return {};
  int shift = std::countl_zero(m);
  return {m << shift, -shift, value < 0};
}

inline Extended ExtendedOfFloat(float value) {
  auto bits = std::bit_cast<uint32_t>(value);
  uint32_t biased = bits >> 23 & 0xff;
  uint32_t fraction = bits & 0x7fffff;
  // The implicit leading bit is there in every normal float; a subnormal's exponent is that of
  // the smallest normal one.
  uint64_t m = biased != 0 ? fraction | 0x800000 : fraction;
  int32_t exponent = (biased != 0 ? static_cast<int32_t>(biased) : 1) - 150;
  if (m == 0) return {};
  int shift = std::countl_zero(m);
  return {m << shift, exponent - shift, (bits >> 31) != 0};
}

// a + b rounded to 64 significant bits.
inline Extended Add(Extended a, Extended b) {
  using Wide = unsigned __int128;
  if (b.significand == 0) return a;
  if (a.significand == 0) return b;
  if (a.exponent < b.exponent || (a.exponent == b.exponent && a.significand < b.significand)) {
    std::swap(a, b);
  }
  // The larger magnitude goes to bits 63 to 126, leaving room for a carry above and 63 bits below
  // its last. The smaller one is aligned to it; whatever falls off its end is kept as a 1 in the
  // lowest bit. That bit lies far below the rounding point, where it decides a tie just as the
  // exact value would, and a difference of magnitudes that far apart loses at most one leading
  // bit, so it stays there.
  Wide big = Wide{a.significand} << 63;
  auto distance = static_cast<uint32_t>(a.exponent - b.exponent);
  Wide small = 1;
  if (distance < 64) {
    small = Wide{b.significand} << (63 - distance);
  } else if (distance < 127) {
    uint32_t off = distance - 63;
    uint64_t lost = b.significand & ((uint64_t{1} << off) - 1);
    small = b.significand >> off | uint64_t{lost != 0};
  }
  Wide sum = a.negative == b.negative ? big + small : big - small;
  if (sum == 0) return {};
  auto high = static_cast<uint64_t>(sum >> 64);
  int shift =
      high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<uint64_t>(sum));
  sum <<= shift;
  return extended_detail::Round(a.negative, static_cast<uint64_t>(sum >> 64),
                                static_cast<uint64_t>(sum), a.exponent + 1 - shift);
}

inline Extended Subtract(Extended a, Extended b) {
  b.negative = !b.negative;
  return Add(a, b);
}

inline Extended Multiply(Extended a, Extended b) {
  using Wide = unsigned __int128;
  Wide product = Wide{a.significand} * b.significand;
  if (product == 0) return {};
  // Two significands of 64 bits make 127 or 128.
  int32_t exponent = a.exponent + b.exponent + 64;
  if ((product >> 127) == 0) {
    product <<= 1;
    --exponent;
  }
  return extended_detail::Round(a.negative != b.negative, static_cast<uint64_t>(product >> 64),
                                static_cast<uint64_t>(product), exponent);
}

// a / b rounded to 64 significant bits; b must not be zero.
inline Extended Divide(Extended a, Extended b) {
  using Wide = unsigned __int128;
  if (a.significand == 0) return {};
  // The dividend is placed so that the quotient has exactly 64 bits; the remainder, against the
  // divisor, tells whether the rest lies below or above half of the last bit. It is never exactly
  // half: that would take an odd factor of 65 bits in a dividend of 64.
  uint64_t d = b.significand;
  int shift = a.significand >= d ? 63 : 64;
  Wide n = Wide{a.significand} << shift;
  auto q = static_cast<uint64_t>(n / d);
  auto r = static_cast<uint64_t>(n % d);
  int32_t exponent = a.exponent - b.exponent - shift;
  if (r > d - r) {
    if (++q == 0) {
      q = extended_detail::kTopBit;
      ++exponent;
    }
  }
  return {q, exponent, a.negative != b.negative};
}

// x rounded to bits significant bits (kDoubleBits or kFloatBits), to nearest with ties to even.
inline Extended RoundTo(Extended x, int bits) {
  int drop = kExtendedBits - bits;
  if (drop <= 0) return x;
  uint64_t unit = uint64_t{1} << drop;
  uint64_t dropped = x.significand & (unit - 1);
  uint64_t half = unit >> 1;
  x.significand -= dropped;
  if (dropped > half || (dropped == half && (x.significand & unit) != 0)) {
    x.significand += unit;
    if (x.significand == 0) {
      x.significand = extended_detail::kTopBit;
      ++x.exponent;
    }
  }
  return x;
}

// x, which must already hold no more than 24 significant bits (RoundTo kFloatBits), as a float.
inline float FloatOf(Extended x) {
  if (x.significand == 0) return 0.0f;
  auto biased = static_cast<uint32_t>(x.exponent + 63 + 127);
  auto fraction = static_cast<uint32_t>(x.significand >> 40) & 0x7fffff;
  return std::bit_cast<float>(uint32_t{x.negative} << 31 | biased << 23 | fraction);
}

// x truncated toward zero; |x| must be below 2^63.
inline int64_t Truncate(Extended x) {
  uint64_t m = x.exponent <= -64 ? 0 : x.significand >> -x.exponent;
  return x.negative ? -static_cast<int64_t>(m) : static_cast<int64_t>(m);
}

}  // namespace vantorel
