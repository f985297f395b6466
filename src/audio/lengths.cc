#include "audio/lengths.h"

#include "audio/extended.h"
#include "disc/cd.h"

namespace vantorel {

// Every step below is the one the lengths have always been computed with: intermediate results in
// 80-bit extended precision, rounded to double or single precision where the variable that held
// them was one, and truncated toward zero where they became integers. The extended steps are
// done in software, so that every processor prints the lengths that x86-64 always printed.

namespace {

constexpr Extended kSecondsPerMinute = ExtendedOfInt(60);
constexpr int64_t kFramesPerSecond = cd::kFramesPerSecond;

}  // namespace

float AddToTotal(float total_seconds, uint32_t sample_frames, uint32_t sample_rate) {
  Extended seconds = Divide(ExtendedOfInt(sample_frames), ExtendedOfInt(sample_rate));
  // The sum is rounded to 64 bits, then again to single precision, where the total is held. The
  // second rounding is what makes a list of whole seconds sometimes total one second less.
  return FloatOf(RoundTo(Add(ExtendedOfFloat(total_seconds), seconds), kFloatBits));
}

Length TrackLength(uint32_t sample_frames, uint32_t sample_rate) {
  Length len;
  // The minutes are the floor of F / 60R rounded to 64 bits, then to double. Below the next
  // whole number that quotient lies by at least 1 / 60R, more than either rounding can move it,
  // since 60R times that whole number stays below 2^39, far inside 53 bits. So its floor is the
  // whole-number quotient, and minutes * 60 * R and F less that, which the x87 held exactly, are
  // whole numbers too.
  uint64_t per_minute = uint64_t{60} * sample_rate;
  len.minutes = static_cast<int32_t>(sample_frames / per_minute);
  // Held in 64 bits: with an absurd rate the remainder can pass the range of a 32-bit integer.
  int64_t remainder = sample_frames % per_minute;

  // From here the rate, and the remainder where it is subtracted from, were single-precision
  // variables: whole numbers still, but rounded to 24 bits past 2^24.
  Extended rate = RoundTo(ExtendedOfInt(sample_rate), kFloatBits);
  int64_t whole_rate = Truncate(rate);
  // The seconds are the floor of remainder / rate rounded to 64 bits, then to single precision.
  // That quotient is below 61, where the roundings move it by less than 2^-18; unless it lies
  // that close below the next whole number, its floor is the whole-number quotient. Truncating
  // is the floor, as it is never negative.
  int64_t seconds = remainder / whole_rate;
  if ((whole_rate - remainder % whole_rate) << 18 <= whole_rate) {
    seconds = Truncate(RoundTo(Divide(ExtendedOfInt(remainder), rate), kFloatBits));
  }
  len.seconds = static_cast<int32_t>(seconds);
  // The rounded remainder and rate are whole numbers below 2^39, and seconds * rate has at most
  // 31 significant bits, so the x87 held the leftover exactly.
  int64_t leftover = Truncate(RoundTo(ExtendedOfInt(remainder), kFloatBits)) - seconds * whole_rate;
  // The frames are leftover / rate times the frames a second, divided first and multiplied second,
  // each rounded to 64 bits, then truncated. The roundings move the product by far less than 1 /
  // rate, its least distance from a whole number when it is not one; so only where kFramesPerSecond
  // * leftover is a whole multiple of the rate do they decide the frames, and there they can lose
  // one (48 for the 49 of 28812 samples at the CD's rate).
  int64_t scaled = kFramesPerSecond * leftover;
  len.cd_frames = static_cast<int32_t>(scaled / whole_rate);
  if (scaled % whole_rate == 0) {
    len.cd_frames = static_cast<int32_t>(
        Truncate(Multiply(Divide(ExtendedOfInt(leftover), rate), ExtendedOfInt(kFramesPerSecond))));
  }
  return len;
}

TotalTime TotalTimeOf(float total_seconds) {
  Extended total = ExtendedOfFloat(total_seconds);
  TotalTime t;
  // The total is never negative, so truncating the quotient, rounded to double as it always was,
  // floors it.
  t.minutes = Truncate(RoundTo(Divide(total, kSecondsPerMinute), kDoubleBits));
  t.seconds = Truncate(Subtract(total, Multiply(ExtendedOfInt(t.minutes), kSecondsPerMinute)));
  return t;
}

}  // namespace vantorel
