#include "audio/extended.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "audio/lengths.h"

namespace vantorel {

namespace {

// What holds on every processor: ties go to the even neighbour, a value rounded twice can land
// where one rounding would not, and a truncation goes toward zero.
TEST(Extended, RoundsToNearestEvenAndTruncatesTowardZero) {
  struct Case {
    int64_t value;
    int bits;
    int64_t rounded;
  };
  const Case cases[] = {
      {(1 << 24) + 1, kFloatBits, 1 << 24},        // a tie, to the even neighbour below
      {(1 << 24) + 3, kFloatBits, (1 << 24) + 4},  // a tie, to the even neighbour above
      {(1 << 25) + 3, kFloatBits, (1 << 25) + 4},  // above the tie
      {(int64_t{1} << 53) + 1, kDoubleBits, int64_t{1} << 53},
      {-((1 << 24) + 3), kFloatBits, -((1 << 24) + 4)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Truncate(RoundTo(ExtendedOfInt(c.value), c.bits)), c.rounded) << c.value;
  }
  // 2^64 + 2^40 + 1 lies just above the tie between 2^64 and 2^64 + 2^41 in 24 bits. Rounded to
  // 64 bits first, it becomes that tie itself, which goes to the even 2^64.
  Extended two_to_64 = Multiply(ExtendedOfInt(int64_t{1} << 62), ExtendedOfInt(4));
  Extended sum = Add(two_to_64, ExtendedOfInt((int64_t{1} << 40) + 1));
  EXPECT_EQ(FloatOf(RoundTo(sum, kFloatBits)), 0x1p64f);
  EXPECT_EQ(Truncate(Divide(ExtendedOfInt(-7), ExtendedOfInt(2))), -3);
  EXPECT_EQ(Truncate(Divide(ExtendedOfInt(7), ExtendedOfInt(2))), 3);
}

// Sample counts and rates over the whole 32-bit range, drawn in several ways so that the usual
// rates, absurd ones, tiny and huge counts, and counts just beside a minute, second or frame
// boundary all come up often.
struct Draw {
  std::mt19937_64 random{20261208};

  uint32_t Bits() { return static_cast<uint32_t>(random()); }
  uint32_t LogUniform() { return Bits() >> (random() % 32); }
  uint32_t Rate() {
    static const uint32_t kUsual[] = {8000,  11025, 16000, 22050,  32000,  44100,
                                      48000, 88200, 96000, 176400, 192000, 384000};
    switch (random() % 4) {
      case 0:
        return kUsual[random() % std::size(kUsual)];
      case 1:
        return 1 + static_cast<uint32_t>(random() % 1000);
      case 2:
        return Bits() | 1u << 31;
      default:
        return LogUniform() | 1;
    }
  }
  uint32_t Frames(uint32_t rate) {
    switch (random() % 4) {
      case 0:
        return Bits();
      case 1:
        return LogUniform();
      case 2: {
        // Beside a whole number of seconds; at a rate a float cannot hold, as far off as the
        // float's rate and the true one can part over a minute.
        uint64_t at = uint64_t{rate} * (random() % (0xFFFFFFFFull / rate + 1));
        uint64_t spread = 3 + (rate >> 17);
        return static_cast<uint32_t>(at + random() % (2 * spread + 1) - spread);
      }
      default: {
        // A whole number of minutes, seconds and frames, give or take a few samples.
        uint64_t at = rate * (60 * (random() % 1700) + random() % 60) + rate * (random() % 75) / 75;
        return static_cast<uint32_t>(at + random() % 7 - 3);
      }
    }
  }
};

// A million drawn pairs' lengths and running totals, folded into one number. On x86-64 the
// tests below find every one of them equal to the x87's; on any other processor this finds
// them unchanged.
TEST(Lengths, AMillionDrawnPairsComeOutAsOnTheX87) {
  uint64_t digest = 14695981039346656037u;
  auto fold = [&digest](int64_t value) {  // FNV-1a, a byte at a time
    for (int i = 0; i < 8; ++i) {
      digest = (digest ^ (static_cast<uint64_t>(value) >> 8 * i & 0xff)) * 1099511628211u;
    }
  };
  Draw draw;
  float total = 0;
  for (int i = 0; i < 1'000'000; ++i) {
    uint32_t rate = draw.Rate();
    uint32_t frames = draw.Frames(rate);
    Length len = TrackLength(frames, rate);
    if (i % 128 == 0) total = 0;
    total = AddToTotal(total, frames, rate);
    TotalTime time = TotalTimeOf(total);
    for (int64_t v : {int64_t{len.minutes}, int64_t{len.seconds}, int64_t{len.cd_frames},
                      int64_t{std::bit_cast<uint32_t>(total)}, time.minutes, time.seconds}) {
      fold(v);
    }
  }
  EXPECT_EQ(digest, 5553960006070772993u);
}

// Below, every step is compared with the x87 itself, where long double is its 80-bit format.
// __LDBL_MANT_DIG__ is std::numeric_limits<long double>::digits, which the preprocessor cannot
// ask; i386 is left out because there float and double arithmetic runs in the x87 as well.
#if defined(__x86_64__) && __LDBL_MANT_DIG__ == 64
static_assert(std::numeric_limits<long double>::digits == 64);

// The sanitized and unoptimised builds are several times slower; they check fewer.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr int kPairs = 1'000'000;
#else
constexpr int kPairs = 4'000'000;
#endif
constexpr int kOperands = kPairs / 4;

// The x87 format in memory: the 64-bit significand with its leading bit explicit, then the sign
// and a 15-bit exponent biased by 16383.
long double Hardware(Extended x) {
  long double v = 0;
  if (x.significand == 0) return v;
  auto top = static_cast<uint16_t>((x.negative ? 0x8000 : 0) | (x.exponent + 63 + 16383));
  std::memcpy(&v, &x.significand, 8);
  std::memcpy(reinterpret_cast<char*>(&v) + 8, &top, 2);
  return v;
}

Extended Software(long double v) {
  Extended x;
  uint16_t top = 0;
  std::memcpy(&x.significand, &v, 8);
  std::memcpy(&top, reinterpret_cast<const char*>(&v) + 8, 2);
  if (x.significand == 0) return {};
  x.negative = (top & 0x8000) != 0;
  x.exponent = (top & 0x7fff) - 16383 - 63;
  return x;
}

// Counts the steps checked and failed, and keeps the first few failures for the message.
struct Tally {
  long checked = 0;
  long failed = 0;
  std::string failures;
  // What the current steps were computed from, as a printf format of up to three numbers; it is
  // formatted only when a step fails.
  const char* inputs = "";
  long double in[3] = {};

  void From(const char* format, long double a, long double b = 0, long double c = 0) {
    inputs = format;
    in[0] = a;
    in[1] = b;
    in[2] = c;
  }
  void Fail(const char* step, const std::string& got, const std::string& want) {
    if (++failed > 10) return;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, inputs, in[0], in[1], in[2]);
    failures += std::string(buffer) + ": " + step + " gave " + got + ", not " + want + "\n";
  }
  void Same(const char* step, Extended got, long double want) {
    ++checked;
    Extended w = Software(want);
    // The sign of a zero is not kept; nothing here tells one zero from the other.
    bool same = got.significand == 0
                    ? w.significand == 0
                    : got.negative == w.negative && got.significand == w.significand &&
                          got.exponent == w.exponent;
    if (!same) Fail(step, Text(Hardware(got)), Text(want));
  }
  void Same(const char* step, int64_t got, int64_t want) {
    ++checked;
    if (got != want) Fail(step, std::to_string(got), std::to_string(want));
  }
  static std::string Text(long double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%La", v);
    return buffer;
  }
};

Extended S(long double v) {
  return Software(v);
}

// The steps of a track's length exactly as the x87 has always computed them, each compared with
// the software operation given the same operands, and with the whole numbers TrackLength uses
// where the x87 is exact; then the whole length with TrackLength.
void CompareLength(uint32_t frames, uint32_t rate, Tally* t) {
  t->From("%.0Lf frames at %.0Lf Hz", frames, rate);
  long double f = frames;
  long double r = rate;
  t->Same("frames", ExtendedOfInt(frames), f);
  long double per_minute = 60.0f * r;
  t->Same("60 * rate", Multiply(S(60.0f), S(r)), per_minute);
  long double q = f / per_minute;
  t->Same("frames / (60 * rate)", Divide(S(f), S(per_minute)), q);
  double qd = static_cast<double>(q);
  t->Same("minutes' quotient to double", RoundTo(S(q), kDoubleBits), qd);
  auto minutes = static_cast<int32_t>(std::floor(qd));
  t->Same("minutes", Truncate(S(qd)), minutes);
  t->Same("minutes as a whole-number quotient", frames / (uint64_t{60} * rate), minutes);
  long double mm = static_cast<long double>(minutes) * 60.0f;
  t->Same("minutes * 60", Multiply(ExtendedOfInt(minutes), S(60.0f)), mm);
  long double whole = mm * r;
  t->Same("minutes * 60 * rate", Multiply(S(mm), S(r)), whole);
  long double d = f - whole;
  t->Same("remainder", Subtract(S(f), S(whole)), d);
  auto remainder = static_cast<int64_t>(d);
  t->Same("remainder truncated", Truncate(S(d)), remainder);
  t->Same("remainder as a whole number", frames % (uint64_t{60} * rate), remainder);

  long double rate_f = static_cast<float>(rate);
  t->Same("rate to float", RoundTo(S(r), kFloatBits), rate_f);
  long double rem = static_cast<float>(remainder);
  t->Same("remainder to float", RoundTo(ExtendedOfInt(remainder), kFloatBits), rem);
  long double sq = remainder / rate_f;
  t->Same("remainder / rate", Divide(ExtendedOfInt(remainder), S(rate_f)), sq);
  float sf = static_cast<float>(sq);
  t->Same("seconds' quotient to float", RoundTo(S(sq), kFloatBits), sf);
  auto seconds = static_cast<int32_t>(std::floor(sf));
  t->Same("seconds", Truncate(S(sf)), seconds);
  long double taken = seconds * rate_f;
  t->Same("seconds * rate", Multiply(ExtendedOfInt(seconds), S(rate_f)), taken);
  long double lo = rem - taken;
  t->Same("leftover", Subtract(S(rem), S(taken)), lo);
  auto leftover = static_cast<int64_t>(lo);
  t->Same("leftover truncated", Truncate(S(lo)), leftover);
  t->Same("leftover as a whole number",
          static_cast<int64_t>(rem) - seconds * static_cast<int64_t>(rate_f), leftover);
  long double fq = leftover / rate_f;
  t->Same("leftover / rate", Divide(ExtendedOfInt(leftover), S(rate_f)), fq);
  long double fr = fq * 75.0f;
  t->Same("* 75", Multiply(S(fq), S(75.0f)), fr);
  auto cd_frames = static_cast<int32_t>(fr);
  t->Same("frames truncated", Truncate(S(fr)), cd_frames);

  Length len = TrackLength(frames, rate);
  t->Same("TrackLength minutes", len.minutes, minutes);
  t->Same("TrackLength seconds", len.seconds, seconds);
  t->Same("TrackLength frames", len.cd_frames, cd_frames);
}

// A file's seconds added to the running total, then the total's minutes and seconds.
float CompareTotal(float total, uint32_t frames, uint32_t rate, Tally* t) {
  t->From("total %La + %.0Lf frames at %.0Lf Hz", total, frames, rate);
  long double f = frames;
  long double r = rate;
  long double q = f / r;
  t->Same("frames / rate", Divide(S(f), S(r)), q);
  t->Same("total", ExtendedOfFloat(total), total);
  long double sum = total + q;
  t->Same("total + seconds", Add(S(total), S(q)), sum);
  auto rounded = static_cast<float>(sum);
  t->Same("sum to float", RoundTo(S(sum), kFloatBits), rounded);
  t->Same("AddToTotal", std::bit_cast<uint32_t>(AddToTotal(total, frames, rate)),
          std::bit_cast<uint32_t>(rounded));
  return rounded;
}

void CompareTotalTime(float total_seconds, Tally* t) {
  t->From("total %La", total_seconds);
  long double total = total_seconds;
  long double q = total / 60.0f;
  t->Same("total / 60", Divide(S(total), S(60.0f)), q);
  double qd = static_cast<double>(q);
  t->Same("total's quotient to double", RoundTo(S(q), kDoubleBits), qd);
  auto minutes = static_cast<int64_t>(qd);
  t->Same("total minutes", Truncate(S(qd)), minutes);
  long double mm = static_cast<long double>(minutes) * 60.0f;
  t->Same("total minutes * 60", Multiply(ExtendedOfInt(minutes), S(60.0f)), mm);
  long double d = total - mm;
  t->Same("total seconds", Subtract(S(total), S(mm)), d);
  auto seconds = static_cast<int64_t>(d);
  t->Same("total seconds truncated", Truncate(S(d)), seconds);
  TotalTime time = TotalTimeOf(total_seconds);
  t->Same("TotalTimeOf minutes", time.minutes, minutes);
  t->Same("TotalTimeOf seconds", time.seconds, seconds);
}

TEST(ExtendedAgainstX87, EveryStepOfTheLengthsAndTotal) {
  Tally t;
  // The lengths and totals the tool is known by, then the extremes.
  const uint32_t edges[][2] = {{2646000, 44100},
                               {2880000, 48000},
                               {9062550, 44100},
                               {22050, 44100},
                               {28812, 44100},
                               {37044, 44100},
                               {2645559, 44100},
                               {18525365, 44100},
                               {7906942, 44100},
                               {8671293, 44100},
                               {0, 1},
                               {0xFFFFFFFF, 1},
                               {0xFFFFFFFF, 44100},
                               {1, 0xFFFFFFFF},
                               {0xFFFFFFFF, 0xFFFFFFFF},
                               {0xFFFFFFFE, 0xFFFFFFFF},
                               {0x80000000, 3},
                               {16777217, 16777217}};
  float total = 0;
  for (const auto& e : edges) {
    CompareLength(e[0], e[1], &t);
    total = CompareTotal(total, e[0], e[1], &t);
  }
  for (int frames = 0; frames < 75; ++frames) CompareLength(2646000 + 588u * frames, 44100, &t);
  CompareTotalTime(total, &t);

  Draw draw;
  total = 0;
  for (int i = 0; i < kPairs; ++i) {
    uint32_t rate = draw.Rate();
    uint32_t frames = draw.Frames(rate);
    CompareLength(frames, rate, &t);
    // A list holds at most 128 files; a new total starts after each 128.
    if (i % 128 == 0) total = 0;
    total = CompareTotal(total, frames, rate, &t);
    CompareTotalTime(total, &t);
  }
  EXPECT_EQ(t.failed, 0) << "of " << t.checked << " steps:\n" << t.failures;
}

// Each operation on operands of every kind: full and short significands, runs of ones and zeros
// at the end and lone bits that put results on and beside ties, both signs, and exponents far
// apart.
TEST(ExtendedAgainstX87, ArithmeticOnArbitraryOperands) {
  std::mt19937_64 random(8121620);
  auto operand = [&random]() {
    uint64_t m = random() | uint64_t{1} << 63;
    switch (random() % 5) {
      case 0:  // zeros at the end
        m &= ~uint64_t{0} << (random() % 64);
        break;
      case 1:  // ones at the end
        m |= ~(~uint64_t{0} << (random() % 64));
        break;
      case 2:
        m ^= uint64_t{1} << (random() % 63);
        break;
      case 3:  // a power of two, or one more bit below it: halves and ties, once aligned
        m = uint64_t{1} << 63 | (uint64_t{1} << (random() % 64) & ~uint64_t{0} >> 1);
        break;
      default:
        break;
    }
    auto exponent = static_cast<int32_t>(random() % 141) - 70 - 63;
    return Extended{m, exponent, (random() & 1) != 0};
  };
  Tally t;
  for (int i = 0; i < kOperands; ++i) {
    Extended a = operand();
    Extended b = operand();
    if (i % 2 == 0) b.exponent = a.exponent - static_cast<int32_t>(random() % 130);
    long double x = Hardware(a);
    long double y = Hardware(b);
    t.From("%La and %La", x, y);
    t.Same("+", Add(a, b), x + y);
    t.Same("-", Subtract(a, b), x - y);
    t.Same("*", Multiply(a, b), x * y);
    t.Same("/", Divide(a, b), x / y);
    t.Same("to double", RoundTo(a, kDoubleBits), static_cast<double>(x));
    t.Same("to float", RoundTo(a, kFloatBits), static_cast<float>(x));
    t.Same("float", std::bit_cast<uint32_t>(FloatOf(RoundTo(a, kFloatBits))),
           std::bit_cast<uint32_t>(static_cast<float>(x)));
    // Scaled below 2^63 to be truncated.
    a.exponent = -1 - static_cast<int32_t>(random() % 70);
    t.Same("truncated", Truncate(a), static_cast<int64_t>(Hardware(a)));
  }
  EXPECT_EQ(t.failed, 0) << "of " << t.checked << " steps:\n" << t.failures;
}
#endif

}  // namespace

}  // namespace vantorel
