// Prints the length that vantorel lists for a file of FRAMES sample frames at RATE Hz, so that
// scripts can check its listing against other tools' sample counts.
#include <cstdio>
#include <cstdlib>

#include "audio/lengths.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: length_calc FRAMES RATE\n");
    return 2;
  }
  unsigned long frames = std::strtoul(argv[1], nullptr, 10);
  unsigned long rate = std::strtoul(argv[2], nullptr, 10);
  if (rate == 0) return 2;
  Length len = TrackLength(static_cast<uint32_t>(frames), static_cast<uint32_t>(rate));
  std::printf("%d:%d:%d\n", len.minutes, len.seconds, len.cd_frames);
  return 0;
}
