// The test scripts' way to the same arithmetic and the same WAV bytes as the C++ tests:
//   wavkit length FRAMES RATE    the length vantorel lists for FRAMES sample frames at RATE Hz
//   wavkit header FRAMES [RATE CHANNELS BITS [COMMENT]]
//                                a canonical PCM header on standard output; with COMMENT, a
//                                LIST INFO block holding it stands between the format and data
//                                blocks, as tagging tools put it
//   wavkit probe FILE            1 where the probe says cdrdao refuses FILE's header, else 0
//   wavkit tags FILE             what the tag reader reads of FILE, a field a line: the texts,
//                                the track number, the FLAC cue sheet block in hex and the cue
//                                sheet text
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/lengths.h"
#include "audio/tags.h"
#include "audio/wavprobe.h"
#include "support/wav.h"

using namespace vantorel;

namespace {

uint64_t Number(const char* text) {
  return std::strtoull(text, nullptr, 10);
}

int Usage() {
  std::fprintf(stderr,
               "usage: wavkit length FRAMES RATE\n"
               "       wavkit header FRAMES [RATE CHANNELS BITS [COMMENT]]\n"
               "       wavkit probe FILE\n"
               "       wavkit tags FILE\n");
  return 2;
}

// What the probe or the tag reader makes of the whole file called name.
int Read(const std::string& verb, const char* name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return Usage();
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  std::span<const uint8_t> file(bytes);
  if (verb == "probe") {
    std::printf("%d\n", ProbeFile(file).cdrdao_refuses_header ? 1 : 0);
  } else {
    auto read_at = [file](uint64_t offset, std::span<uint8_t> into) -> int64_t {
      size_t n = offset < file.size() ? std::min<size_t>(into.size(), file.size() - offset) : 0;
      std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, into.begin());
      return static_cast<int64_t>(n);
    };
    FileTags t = ReadTags({file.first(std::min(file.size(), kHeadBytes)), file.size(), read_at});
    std::string block;
    for (uint8_t b : t.cuesheet_block) {
      block += "0123456789abcdef"[b >> 4];
      block += "0123456789abcdef"[b & 15];
    }
    std::printf(
        "title: %s\nartist: %s\nalbum: %s\nalbum artist: %s\ntrack: %u\nblock: %s\ncue: %s\n",
        t.title.c_str(), t.artist.c_str(), t.album.c_str(), t.album_artist.c_str(), t.track,
        block.c_str(), t.cuesheet.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "length" && argc == 4 && Number(argv[3]) != 0) {
    Length len = LengthOf(Number(argv[2]), static_cast<uint32_t>(Number(argv[3])));
    std::printf("%llu:%llu:%llu\n", static_cast<unsigned long long>(len.minutes),
                static_cast<unsigned long long>(len.seconds),
                static_cast<unsigned long long>(len.cd_frames));
    return 0;
  }
  if ((verb == "probe" || verb == "tags") && argc == 3) return Read(verb, argv[2]);
  if (verb != "header" || (argc != 3 && argc != 6 && argc != 7)) return Usage();
  auto frames = static_cast<uint32_t>(Number(argv[2]));
  auto rate = static_cast<uint32_t>(argc > 3 ? Number(argv[3]) : 44100);
  auto channels = static_cast<uint32_t>(argc > 3 ? Number(argv[4]) : 2);
  auto bits = static_cast<uint32_t>(argc > 3 ? Number(argv[5]) : 16);
  uint32_t data_size = frames * channels * (bits / 8);
  std::string head;
  if (argc == 7) {
    // The comment is NUL-terminated and padded to an even length, as RIFF blocks are.
    std::string comment = std::string(argv[6]) + '\0';
    if (comment.size() % 2 != 0) comment += '\0';
    std::string list = "INFOICMT";
    PutLe(&list, 8, static_cast<uint32_t>(comment.size()), 4);
    list += comment;
    head = WavBytes(12, 36 + 8 + list.size(), channels, rate, bits, data_size);
    PutBytes(&head, 36, "LIST");
    PutLe(&head, 40, static_cast<uint32_t>(list.size()), 4);
    PutBytes(&head, 44, list);
    PutLe(&head, 4, static_cast<uint32_t>(head.size() - 8 + data_size), 4);
  } else {
    head = WavHeader(frames, rate, static_cast<uint16_t>(channels), static_cast<uint16_t>(bits));
  }
  return std::fwrite(head.data(), 1, head.size(), stdout) == head.size() && std::fflush(stdout) == 0
             ? 0
             : 1;
}
