#include "audio/lengths.h"

#include <limits>
#include <vector>

#include "cd.h"

namespace vantorel {

namespace {

using Wide = unsigned __int128;

// The whole part of a sum of fractions, each of them below 1, exactly. Each fraction is scaled
// by 2^64 and truncated, so the scaled sum lies at most k below the sum of the truncations,
// for k fractions. Only where the sum may lie within that distance below a whole number w is the
// answer open, and then whether it reaches w is asked of the remainders the same way: each step
// scales the sum's distance from w by 2^64. A sum that is not w differs from it by at least one
// over the product of the denominators, below 2^(32 k), so once the steps have scaled that past
// k the answer is settled; a question still open then has a sum of exactly w.
struct Fraction {
  uint64_t numerator;
  uint32_t denominator;
};

uint64_t WholeOf(std::vector<Fraction> parts) {
  if (parts.empty()) return 0;
  const Wide k = parts.size();
  // Scales every fraction by 2^64: the sum of the truncated quotients, the remainders kept.
  auto scale = [&parts] {
    Wide sum = 0;
    for (Fraction& f : parts) {
      Wide scaled = Wide{f.numerator} << 64;
      sum += scaled / f.denominator;
      f.numerator = static_cast<uint64_t>(scaled % f.denominator);
    }
    return sum;
  };
  Wide low = scale();
  auto whole = static_cast<uint64_t>((low + k - 1) >> 64);
  if (whole == static_cast<uint64_t>(low >> 64)) return whole;
  // What the remainders, scaled by 2^64, must add up to for the sum to reach whole; below k.
  Wide needed = (Wide{whole} << 64) - low;
  const size_t steps = (32 * parts.size() + 7) / 64 + 1;
  for (size_t step = 0; step < steps; ++step) {
    Wide got = scale();
    if (got >= needed << 64) return whole;
    if (got + k <= needed << 64) return whole - 1;
    needed = (needed << 64) - got;
  }
  return whole;
}

}  // namespace

Length LengthOf(uint64_t sample_frames, uint32_t sample_rate) {
  Length l;
  if (sample_rate == 0) return l;
  const uint64_t rate = sample_rate;
  // 60 × rate and 75 × (frames mod rate) fit in 64 bits; 75 × frames needs more.
  l.minutes = sample_frames / (60 * rate);
  l.seconds = sample_frames % (60 * rate) / rate;
  l.cd_frames = cd::kFramesPerSecond * (sample_frames % rate) / rate;
  Wide scaled = Wide{sample_frames} * cd::kFramesPerSecond;
  Wide whole = scaled / rate;
  l.whole_frames = whole > std::numeric_limits<uint64_t>::max()
                       ? std::numeric_limits<uint64_t>::max()
                       : static_cast<uint64_t>(whole);
  l.part_frame = static_cast<uint64_t>(scaled % rate);
  return l;
}

uint64_t TotalSeconds(std::span<const SampleCount> counts) {
  // The whole seconds of each count, and the fractions of a second left, summed apart.
  Wide whole = 0;
  std::vector<Fraction> parts;
  for (const SampleCount& c : counts) {
    if (c.rate == 0) continue;
    whole += c.frames / c.rate;
    if (c.frames % c.rate != 0) parts.push_back({c.frames % c.rate, c.rate});
  }
  whole += WholeOf(std::move(parts));
  return whole > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                      : static_cast<uint64_t>(whole);
}

}  // namespace vantorel
