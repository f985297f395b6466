// Fuzz target: any bytes as the head of a WAV file, probed, and its length computed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "audio/lengths.h"
#include "audio/wavprobe.h"

using namespace vantorel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HeaderFacts facts = ProbeHeader({data, size});
  if (facts.status != ProbeStatus::kOk) return 0;
  if (facts.sample_rate == 0) std::abort();
  Length len = TrackLength(facts.sample_frames, facts.sample_rate);
  if (len.minutes < 0 || len.seconds < 0 || len.seconds > 60) std::abort();
  float total = AddToTotal(0, facts.sample_frames, facts.sample_rate);
  if (!(total >= 0)) std::abort();
  return 0;
}
