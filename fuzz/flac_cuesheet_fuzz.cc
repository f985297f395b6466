// Fuzz target: the first 8 bytes as the FLAC file's count of samples, big-endian, and the rest as
// its CUESHEET block, read into an album of the one file that holds to the readers' limits, for a
// file at the CD's rate and for one at 96 kHz.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "album_checks.h"
#include "audio/flac_cuesheet.h"

using namespace vantorel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  uint64_t total = 0;
  for (size_t i = 0; i < 8 && i < size; ++i) total = total << 8 | bytes[i];
  // Of a file at the CD's rate, and of one at a rate whose frames are more samples.
  for (uint32_t rate : {0u, 96000u}) {
    FlacCueSheet sheet = ReadFlacCueSheet(bytes.subspan(std::min<size_t>(size, 8)), total, rate);
    // Findings name a track by its place in the block, which holds at most 255.
    CheckAlbum(sheet.read, 255);
    if (sheet.read.album.files.size() > 1) std::abort();
  }
  return 0;
}
