// Fuzz target: any bytes as a whole WAV file, probed, and its length computed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "audio/lengths.h"
#include "audio/wavprobe.h"

using namespace vantorel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HeaderFacts facts = ProbeFile({data, size});
  // cdrdao is said to refuse only a RIFF file whose data chunk the probe found.
  if (facts.cdrdao_refuses_header &&
      (facts.status == ProbeStatus::kNoData || facts.rf64 || facts.rifx)) {
    std::abort();
  }
  if (facts.status != ProbeStatus::kOk) return 0;
  if (facts.sample_rate == 0 || facts.sample_frames > facts.declared_frames ||
      facts.sample_frames > facts.present_frames || facts.data_start > size + 8) {
    std::abort();
  }
  Length len = LengthOf(facts.sample_frames, facts.sample_rate);
  if (len.seconds >= 60 || len.cd_frames >= 75) std::abort();
  SampleCount count = {facts.sample_frames, facts.sample_rate};
  if (TotalSeconds({&count, 1}) != facts.sample_frames / facts.sample_rate) std::abort();
  return 0;
}
