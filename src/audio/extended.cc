#include "audio/extended.h"

#include <bit>
#include <utility>

namespace {

using Wide = unsigned __int128;
constexpr uint64_t kTopBit = uint64_t{1} << 63;

// The value (high + low / 2^64) * 2^exponent, high's top bit set, rounded to the 64 bits of
// high. Anything nonzero below low's own bits has to show in low's lowest bit, so that a tie is
// told from a value just above it.
Extended Round(bool negative, uint64_t high, uint64_t low, int32_t exponent) {
  if (low > kTopBit || (low == kTopBit && (high & 1) != 0)) {
    if (++high == 0) {
      high = kTopBit;
      ++exponent;
    }
  }
  return {high, exponent, negative};
}

}  // namespace

Extended ExtendedOfFloat(float value) {
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

Extended Add(Extended a, Extended b) {
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
  Wide small = Wide{b.significand} << 63;
  int distance = a.exponent - b.exponent;
  if (distance >= 127) {
    small = 1;
  } else if (distance > 0) {
    bool lost = (small & ((Wide{1} << distance) - 1)) != 0;
    small = small >> distance | Wide{lost};
  }
  Wide sum = a.negative == b.negative ? big + small : big - small;
  if (sum == 0) return {};
  auto high = static_cast<uint64_t>(sum >> 64);
  int shift =
      high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<uint64_t>(sum));
  sum <<= shift;
  return Round(a.negative, static_cast<uint64_t>(sum >> 64), static_cast<uint64_t>(sum),
               a.exponent + 1 - shift);
}

Extended Subtract(Extended a, Extended b) {
  b.negative = !b.negative;
  return Add(a, b);
}

Extended Multiply(Extended a, Extended b) {
  Wide product = Wide{a.significand} * b.significand;
  if (product == 0) return {};
  // Two significands of 64 bits make 127 or 128.
  int32_t exponent = a.exponent + b.exponent + 64;
  if ((product >> 127) == 0) {
    product <<= 1;
    --exponent;
  }
  return Round(a.negative != b.negative, static_cast<uint64_t>(product >> 64),
               static_cast<uint64_t>(product), exponent);
}

Extended Divide(Extended a, Extended b) {
  if (a.significand == 0) return {};
  // The dividend is placed so that the quotient has exactly 64 bits; the remainder, against the
  // divisor, tells whether the rest lies below, at or above half of the last bit.
  uint64_t d = b.significand;
  int shift = a.significand >= d ? 63 : 64;
  Wide n = Wide{a.significand} << shift;
  auto q = static_cast<uint64_t>(n / d);
  auto r = static_cast<uint64_t>(n % d);
  int32_t exponent = a.exponent - b.exponent - shift;
  bool negative = a.negative != b.negative;
  if (r > d - r || (r == d - r && (q & 1) != 0)) {
    if (++q == 0) {
      q = kTopBit;
      ++exponent;
    }
  }
  return {q, exponent, negative};
}

Extended RoundTo(Extended x, int bits) {
  int drop = kExtendedBits - bits;
  if (drop <= 0) return x;
  uint64_t unit = uint64_t{1} << drop;
  uint64_t dropped = x.significand & (unit - 1);
  uint64_t half = unit >> 1;
  x.significand -= dropped;
  if (dropped > half || (dropped == half && (x.significand & unit) != 0)) {
    x.significand += unit;
    if (x.significand == 0) {
      x.significand = kTopBit;
      ++x.exponent;
    }
  }
  return x;
}

float FloatOf(Extended x) {
  if (x.significand == 0) return 0.0f;
  auto biased = static_cast<uint32_t>(x.exponent + 63 + 127);
  auto fraction = static_cast<uint32_t>(x.significand >> 40) & 0x7fffff;
  return std::bit_cast<float>(uint32_t{x.negative} << 31 | biased << 23 | fraction);
}

int64_t Truncate(Extended x) {
  uint64_t m = x.exponent <= -64 ? 0 : x.significand >> -x.exponent;
  return x.negative ? -static_cast<int64_t>(m) : static_cast<int64_t>(m);
}
