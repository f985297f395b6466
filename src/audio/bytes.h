// The bytes of an audio file as the WAV probe and the tag reader read them: fields of either byte
// order, bounded reads past the file's head, the chunk list of a RIFF, RIFX or RF64 WAVE file,
// and the kind of audio a file holds by its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vantorel {

using Bytes = std::span<const uint8_t>;

inline uint32_t Assem2(uint8_t b0, uint8_t b1) {
  return b0 + 256u * b1;
}

inline uint32_t Assem4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return b0 + (uint32_t{b1} << 8) + (uint32_t{b2} << 16) + (uint32_t{b3} << 24);
}

// The byte at pos, or 0 past the end of b: every field reads as zero where b does not hold it.
inline uint8_t ByteAt(Bytes b, uint64_t pos) {
  return pos < b.size() ? b[pos] : 0;
}

inline uint32_t Le2(Bytes b, uint64_t pos) {
  return Assem2(ByteAt(b, pos), ByteAt(b, pos + 1));
}

inline uint32_t Be2(Bytes b, uint64_t pos) {
  return Assem2(ByteAt(b, pos + 1), ByteAt(b, pos));
}

inline uint32_t Le4(Bytes b, uint64_t pos) {
  return Assem4(ByteAt(b, pos), ByteAt(b, pos + 1), ByteAt(b, pos + 2), ByteAt(b, pos + 3));
}

inline uint32_t Be4(Bytes b, uint64_t pos) {
  return Assem4(ByteAt(b, pos + 3), ByteAt(b, pos + 2), ByteAt(b, pos + 1), ByteAt(b, pos));
}

inline uint32_t Be3(Bytes b, uint64_t pos) {
  return Assem4(ByteAt(b, pos + 2), ByteAt(b, pos + 1), ByteAt(b, pos), 0);
}

inline uint64_t Le8(Bytes b, uint64_t pos) {
  return Le4(b, pos) | uint64_t{Le4(b, pos + 4)} << 32;
}

inline uint64_t Be8(Bytes b, uint64_t pos) {
  return uint64_t{Be4(b, pos)} << 32 | Be4(b, pos + 4);
}

// A field of two or four bytes, little-endian or, where big is set, big-endian.
inline uint32_t Field2(Bytes b, uint64_t pos, bool big) {
  return big ? Be2(b, pos) : Le2(b, pos);
}

inline uint32_t Field4(Bytes b, uint64_t pos, bool big) {
  return big ? Be4(b, pos) : Le4(b, pos);
}

// Whether the bytes of tag stand whole in b at pos.
inline bool Is(Bytes b, uint64_t pos, std::string_view tag) {
  return pos <= b.size() && b.size() - pos >= tag.size() &&
         std::memcmp(b.data() + pos, tag.data(), tag.size()) == 0;
}

// The same for a tag written out, whose length needs no counting.
template <size_t N>
inline bool Is(Bytes b, uint64_t pos, const char (&tag)[N]) {
  return Is(b, pos, std::string_view(tag, N - 1));
}

inline std::string_view AsText(Bytes b) {
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

// What may be read of a file: its first bytes (the probe's kHeadBytes, or all of a shorter
// file), its size where it is known, and more bytes at any offset: read_at fills as much of into
// as it can from offset and returns the count, 0 where nothing is there to read, or a negative
// errno value.
struct WavSource {
  Bytes head;
  std::optional<uint64_t> size;
  std::function<int64_t(uint64_t offset, std::span<uint8_t> into)> read_at;
};

// The end of a file whose size is not known, and the furthest end of any: far enough that no sum
// of positions and sizes below it overflows.
constexpr uint64_t kNoEnd = uint64_t{1} << 62;

// What one reader may read past the head: so many reads, and so many bytes all told.
struct ReadLimits {
  int reads = 0;
  uint64_t bytes = 0;
};

// The bytes of a file: from its head, or past the head from reads into a window, within limits.
// A read asks for a few KiB at least, so that one read takes in a run of small headers.
struct ByteReader {
  ByteReader(const WavSource& s, ReadLimits l) : source(s), limits(l) {}

  const WavSource& source;
  ReadLimits limits;
  int reads = 0;
  uint64_t bytes_read = 0;
  int error = 0;  // The errno value of the last read that failed.
  uint64_t window_at = 0;
  std::vector<uint8_t> window;

  // The file's size, or kNoEnd where it is not known.
  uint64_t End() const;

  // Up to want bytes of the file from at: fewer where the file ends first, and none where they
  // lie past the head and the file or the limits allow no read there. They stay valid until the
  // next call.
  Bytes At(uint64_t at, size_t want);
};

// The bytes of a chunk that a walk hands over: its id and size, and the format fields after them.
constexpr size_t kChunkBytes = 34;

// A chunk of a RIFF, RIFX or RF64 WAVE file.
struct RiffChunk {
  uint64_t at = 0;  // Where its id stands.
  Bytes bytes;      // kChunkBytes from its id on, or as many as the file has there.
  // Its size: the size its header gives, but in RF64 for a data chunk whose header gives
  // 0xFFFFFFFF, the data size of the ds64 chunk before it.
  uint64_t size = 0;

  bool Is(const char (&id)[5]) const { return vantorel::Is(bytes, 0, id); }
};

// A walk of the chunks of a RIFF, RIFX or RF64 WAVE file from byte 12, each padded to an even
// size, through a reader.
struct RiffWalk {
  RiffWalk(ByteReader* r, bool big_endian, bool is_rf64)
      : reader(*r), big(big_endian), rf64(is_rf64) {}

  ByteReader& reader;
  bool big;   // RIFX: every size is big-endian.
  bool rf64;  // RF64: the first ds64 chunk gives the data size.
  uint64_t next = 12;
  std::optional<uint64_t> ds64_data_size;

  // The next chunk, or none where the list ends: where fewer than 8 bytes are left, at an id that
  // is not four printable characters, or at a chunk other than data that runs past the end of a
  // file whose size is known.
  std::optional<RiffChunk> Next();
};

// How a RIFF file starts, whatever follows.
enum class RiffForm : uint8_t { kNone, kRiff, kRifx, kRf64 };
RiffForm RiffFormOf(Bytes head);

// Whether the file is a RIFF, RIFX or RF64 file with WAVE at byte 8: one whose chunks a RiffWalk
// walks.
bool IsRiffWave(Bytes head);

// Whether b starts with the sync bits of an ADTS frame of AAC: its first 12 bits set and a layer
// of 0, where MPEG audio's is not.
inline bool StartsAdtsFrame(Bytes b) {
  return b.size() >= 2 && b[0] == 0xFF && (b[1] & 0xF6) == 0xF0;
}

// Audio of another kind than WAV, known by the first bytes of its file.
enum class OtherAudio : uint8_t {
  kNone,
  kFlac,
  kMp3,
  kAac,   // Raw AAC in ADTS frames.
  kAc3,   // Raw AC-3 frames.
  kEac3,  // Raw E-AC-3 frames.
  kOgg,
  kOpus,
  kAiff,
  kWavPack,
  kMp4,
  kApe,
  kWma,
  kWave64
};

// The kind of audio a file that is no RIFF, RIFX or RF64 file holds, by the marks its format
// starts with; kNone for those and for a file of no kind known.
OtherAudio SniffOtherAudio(Bytes head);

// Whether a Wave64 id stands at pos: Wave64 names its chunks by GUIDs, those of RIFF's four-letter
// ids by the letters and the same 12 bytes after them.
bool IsWave64Id(Bytes b, uint64_t pos, std::string_view letters);

}  // namespace vantorel
