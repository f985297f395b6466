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
#pragma once

#include <bit>
#include <cstdint>

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

// Exact conversions: every 64-bit integer and every float fits in 64 significant bits.
constexpr Extended ExtendedOfInt(int64_t value) {
  uint64_t m = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (m == 0) return {};
  int shift = std::countl_zero(m);
  return {m << shift, -shift, value < 0};
}
Extended ExtendedOfFloat(float value);

// Each rounded to 64 significant bits. b must not be zero in Divide.
Extended Add(Extended a, Extended b);
Extended Subtract(Extended a, Extended b);
Extended Multiply(Extended a, Extended b);
Extended Divide(Extended a, Extended b);

// x rounded to bits significant bits (kDoubleBits or kFloatBits), to nearest with ties to even.
Extended RoundTo(Extended x, int bits);

// x, which must already hold no more than 24 significant bits (RoundTo kFloatBits), as a float.
float FloatOf(Extended x);

// x truncated toward zero; |x| must be below 2^63.
int64_t Truncate(Extended x);
