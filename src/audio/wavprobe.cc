#include "audio/wavprobe.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace vantorel {

uint32_t Assem2(uint8_t b0, uint8_t b1) {
  return b0 + 256u * b1;
}

uint32_t Assem4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return b0 + (uint32_t{b1} << 8) + (uint32_t{b2} << 16) + (uint32_t{b3} << 24);
}

bool HasFixedSamples(uint32_t coding) {
  return coding == kFormatPcm || coding == kFormatFloat || coding == kFormatALaw ||
         coding == kFormatMuLaw;
}

namespace {

using Head = std::span<const uint8_t>;

uint8_t ByteAt(Head h, size_t pos) {
  return pos < h.size() ? h[pos] : 0;
}

// A field of two or four bytes, little-endian or, in a RIFX file, big-endian.
uint32_t Field2(Head h, size_t pos, bool big = false) {
  uint8_t b0 = ByteAt(h, pos), b1 = ByteAt(h, pos + 1);
  return big ? Assem2(b1, b0) : Assem2(b0, b1);
}

uint32_t Field4(Head h, size_t pos, bool big = false) {
  uint8_t b0 = ByteAt(h, pos), b1 = ByteAt(h, pos + 1), b2 = ByteAt(h, pos + 2),
          b3 = ByteAt(h, pos + 3);
  return big ? Assem4(b3, b2, b1, b0) : Assem4(b0, b1, b2, b3);
}

bool Is(Head h, uint64_t pos, std::string_view tag) {
  return pos <= h.size() && h.size() - pos >= tag.size() &&
         std::memcmp(h.data() + pos, tag.data(), tag.size()) == 0;
}

uint64_t Field8(Head h, size_t pos) {
  return Field4(h, pos) | uint64_t{Field4(h, pos + 4)} << 32;
}

// The format fields, read from bytes that start at the format chunk's id or the tag the search
// found.
void ReadFormat(Head at_tag, HeaderFacts* facts) {
  const bool big = facts->rifx;
  facts->format = Field2(at_tag, 8, big);
  facts->coding = facts->format;
  // An extensible chunk gives the real format code as the first field of its sub-format, which
  // only a chunk of its full 40 bytes holds.
  if (facts->format == kFormatExtensible) {
    facts->coding = Field4(at_tag, 4, big) >= 40 ? Field2(at_tag, 32, big) : kFormatExtensible;
  }
  facts->channels = Field2(at_tag, 10, big);
  facts->sample_rate = Field4(at_tag, 12, big);
  facts->bits_per_sample = Field2(at_tag, 22, big);
}

// The bytes of a chunk that the walk looks at: its id and size, and the format fields.
constexpr size_t kChunkBytes = 34;
// Room for the chunk headers read past the head: one read takes in a run of small chunks.
constexpr size_t kWindowBytes = 4096;
// The reads past the head one walk may make. Real files have a handful of chunks before their
// audio; a file of many thousands of tiny ones is searched instead.
constexpr int kMostReads = 32;

// A chunk id is four printable characters.
bool IsChunkId(Head h) {
  return h.size() >= 4 &&
         std::all_of(h.begin(), h.begin() + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

struct ChunkWalk {
  // The window is filled only where a read needs it.
  explicit ChunkWalk(const WavSource& s) : source(s) {}

  const WavSource& source;
  uint64_t window_at = 0;
  size_t window_size = 0;
  int reads = 0;
  int error = 0;
  std::array<uint8_t, kWindowBytes> window;

  // The bytes of the file from at on, want of them or as many as the file has there: from the
  // head, from the window, or else from a read at at into the window.
  Head At(uint64_t at, size_t want) {
    Head head = source.head;
    bool whole_file = source.size && head.size() >= *source.size;
    if (at <= head.size() && (head.size() - at >= want || whole_file)) return head.subspan(at);
    if (at >= window_at && at - window_at <= window_size &&
        window_size - (at - window_at) >= want) {
      return Head(window).first(window_size).subspan(at - window_at);
    }
    if ((source.size && at >= *source.size) || reads == kMostReads || !source.read_at) return {};
    ++reads;
    int64_t n = source.read_at(at, window);
    if (n < 0) error = static_cast<int>(-n);
    window_at = at;
    window_size = n > 0 ? static_cast<size_t>(n) : 0;
    return Head(window).first(window_size);
  }
};

// Walks the chunk list of a RIFF, RIFX or RF64 WAVE file for its format and data chunks. Returns
// whether it found a data chunk; the format fields are read where it found a format chunk.
bool WalkChunks(const WavSource& source, HeaderFacts* facts) {
  Head head = source.head;
  bool riff = Is(head, 0, "RIFF") || facts->rifx || facts->rf64;
  if (!riff || !Is(head, 8, "WAVE")) return false;
  ChunkWalk walk(source);
  bool data = false;
  std::optional<uint64_t> ds64_data_size;
  for (uint64_t pos = 12;;) {
    Head chunk = walk.At(pos, kChunkBytes);
    if (chunk.size() < 8 || !IsChunkId(chunk)) break;
    uint32_t size = Field4(chunk, 4, facts->rifx);
    if (Is(chunk, 0, "data")) {
      if (!data) {
        data = true;
        facts->data_start = pos + 8;
        facts->data_size = size;
      }
      if (facts->format_found) break;
    } else {
      // A chunk that runs past the end of the file: the list is broken from here on.
      if (source.size && pos + 8 + size > *source.size) break;
      if (Is(chunk, 0, "fmt ") && !facts->format_found) {
        ReadFormat(chunk, facts);
        facts->format_found = true;
        if (data) break;
      }
      if (Is(chunk, 0, "ds64") && facts->rf64 && !ds64_data_size) {
        ds64_data_size = Field8(chunk, 16);
      }
    }
    pos += 8 + uint64_t{size} + (size & 1);
  }
  facts->read_error = walk.error;
  // In RF64 a data size too large for 32 bits stands in the ds64 chunk.
  if (data && facts->data_size == 0xFFFFFFFF && ds64_data_size) {
    facts->data_size = *ds64_data_size;
  }
  return data;
}

// The first even position from 2 to kSearchLimit at which the len bytes of tag stand whole within
// head, or 0.
size_t FindTag(Head h, const char* tag, size_t len) {
  if (h.size() < len) return 0;
  const size_t last = std::min(kSearchLimit, h.size() - len);
  if (last < 2) return 0;
  size_t pos = 2;
  // No position before the first byte that starts the tag can hold it, and the C library finds
  // that byte many at a time; headers are often padded with zeros.
  if (len > 0) {
    const void* first = std::memchr(h.data() + pos, tag[0], last + 1 - pos);
    if (first == nullptr) return 0;
    pos = static_cast<size_t>(static_cast<const uint8_t*>(first) - h.data()) & ~size_t{1};
  }
  for (; pos <= last; pos += 2) {
    if (std::memcmp(h.data() + pos, tag, len) == 0) return pos;
  }
  return 0;
}

}  // namespace

namespace {

// Wave64 names its chunks by GUIDs; those of WAVE and fmt are their four letters and these bytes.
constexpr std::string_view kWave64Guid("\xF3\xAC\xD3\x11\x8C\xD1\0\xC0\x4F\x8E\xDB\x8A", 12);

bool IsWave64Id(Head h, size_t pos, std::string_view letters) {
  return Is(h, pos, letters) && Is(h, pos + letters.size(), kWave64Guid);
}

// The kind of audio a file that is no RIFF file holds, by the marks its formats start with.
OtherAudio OtherAudioIn(Head h) {
  if (Is(h, 0, "fLaC")) return OtherAudio::kFlac;
  if (Is(h, 0, "OggS")) return Is(h, 28, "OpusHead") ? OtherAudio::kOpus : OtherAudio::kOgg;
  if (Is(h, 0, "FORM") && (Is(h, 8, "AIFF") || Is(h, 8, "AIFC"))) return OtherAudio::kAiff;
  if (Is(h, 0, "wvpk")) return OtherAudio::kWavPack;
  if (Is(h, 4, "ftyp")) return OtherAudio::kMp4;
  if (Is(h, 0, "MAC ")) return OtherAudio::kApe;
  if (Is(h, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11")) return OtherAudio::kWma;
  // Wave64 starts with the GUID that stands for RIFF, a size of 8 bytes and the one for WAVE.
  if (Is(h, 0, std::string_view("riff\x2E\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\0\0", 16)) &&
      IsWave64Id(h, 24, "wave")) {
    return OtherAudio::kWave64;
  }
  // AC-3 and E-AC-3 frames start with the sync word 0B 77; the stream's version, in the top five
  // bits of byte 5, is above 10 in E-AC-3.
  if (Is(h, 0, "\x0B\x77")) return ByteAt(h, 5) >> 3 > 10 ? OtherAudio::kEac3 : OtherAudio::kAc3;
  // Raw AAC starts with the sync bits of an ADTS frame, whose layer is 0; MPEG audio's is not.
  if (h.size() >= 2 && h[0] == 0xFF && (h[1] & 0xF6) == 0xF0) return OtherAudio::kAac;
  // An MP3 file starts with its ID3 tag, or with the sync bits of its first frame.
  if (Is(h, 0, "ID3") || (h.size() >= 2 && h[0] == 0xFF && (h[1] & 0xE0) == 0xE0)) {
    return OtherAudio::kMp3;
  }
  return OtherAudio::kNone;
}

// Whether the file has an ADTS frame's header at, by its first 12 bits set and a layer of 0;
// AAC without such headers cannot be cut into frames. The two bytes are read where the head does
// not have them.
bool StartsAdtsFrame(const WavSource& source, uint64_t at) {
  std::array<uint8_t, 2> lead;
  Head h = source.head;
  if (at <= h.size() && h.size() - at >= lead.size()) {
    std::copy_n(h.begin() + static_cast<std::ptrdiff_t>(at), lead.size(), lead.begin());
  } else if (!source.read_at || source.read_at(at, lead) != static_cast<int64_t>(lead.size())) {
    return false;
  }
  return lead[0] == 0xFF && (lead[1] & 0xF6) == 0xF0;
}

// The coding of a Wave64 file whose format chunk comes first, as every writer puts it: its
// WAVEFORMATEX follows the chunk's GUID and 8 bytes of size, and an extensible one gives its
// sub-format 24 bytes on. 0 where the format chunk is not there.
uint32_t Wave64Coding(Head h) {
  if (!IsWave64Id(h, 40, "fmt ")) return 0;
  uint32_t code = Field2(h, 64);
  return code == kFormatExtensible && Field4(h, 56) >= 24 + 40 ? Field2(h, 88) : code;
}

HeaderFacts ProbeWav(const WavSource& source) {
  Head h = source.head;
  HeaderFacts facts;
  facts.rf64 = Is(h, 0, "RF64");
  facts.rifx = Is(h, 0, "RIFX");
  if (!facts.rf64 && !facts.rifx && !Is(h, 0, "RIFF")) facts.other_audio = OtherAudioIn(h);
  bool data = WalkChunks(source, &facts);
  if (!data) {
    HeaderFacts searched;
    searched.rf64 = facts.rf64;
    searched.rifx = facts.rifx;
    searched.other_audio = facts.other_audio;
    searched.read_error = facts.read_error;
    facts = searched;
    size_t tag = FindTag(h, "data", 4);
    data = tag != 0;
    facts.data_size = Field4(h, tag + 4, facts.rifx);
    facts.data_start = tag + 8;
  }
  if (!facts.format_found) {
    // Only "fmt" is compared: the fourth byte of the tag, a space, is not.
    size_t fmt = FindTag(h, "fmt", 3);
    facts.format_found = fmt != 0;
    if (!facts.format_found) fmt = kSearchLimit;
    ReadFormat(h.subspan(std::min(fmt, h.size())), &facts);
  }
  if (!data) {
    facts.status = ProbeStatus::kNoData;
    return facts;
  }
  uint64_t present = facts.data_size;
  if (source.size) present = *source.size > facts.data_start ? *source.size - facts.data_start : 0;
  facts.data_present = present;
  uint64_t block = uint64_t{facts.channels} * (facts.bits_per_sample / 8);
  // The coding of a format chunk that was found decides; fields read at the limit of the search
  // are measured as they stand.
  bool compressed = facts.format_found && !HasFixedSamples(facts.coding);
  if (block == 0 || facts.sample_rate == 0 || compressed) {
    if (facts.coding == kFormatAac) facts.aac_unmarked = !StartsAdtsFrame(source, facts.data_start);
    facts.status = ProbeStatus::kUnsupported;
    return facts;
  }
  facts.declared_frames = facts.data_size / block;
  facts.present_frames = present / block;
  facts.sample_frames = std::min(facts.declared_frames, facts.present_frames);
  return facts;
}

}  // namespace

HeaderFacts ProbeHeader(const WavSource& source) {
  HeaderFacts facts = ProbeWav(source);
  if (facts.other_audio == OtherAudio::kWave64) facts.coding = Wave64Coding(source.head);
  return facts;
}

HeaderFacts ProbeFile(Head file) {
  auto read_at = [file](uint64_t offset, std::span<uint8_t> into) -> int64_t {
    if (offset >= file.size()) return 0;
    size_t n = std::min(into.size(), static_cast<size_t>(file.size() - offset));
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, into.begin());
    return static_cast<int64_t>(n);
  };
  return ProbeHeader({file.first(std::min(file.size(), kHeadBytes)), file.size(), read_at});
}

}  // namespace vantorel
