#include "audio/bytes.h"

#include <algorithm>

namespace vantorel {

namespace {

// What a read past the head asks for at least.
constexpr size_t kWindowBytes = 4096;

// A chunk id is four printable characters.
bool IsChunkId(Bytes b) {
  return b.size() >= 4 &&
         std::all_of(b.begin(), b.begin() + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

}  // namespace

uint64_t ByteReader::End() const {
  return source.size ? std::min(*source.size, kNoEnd) : kNoEnd;
}

Bytes ByteReader::At(uint64_t at, size_t want) {
  Bytes head = source.head;
  if (at <= head.size() && (head.size() - at >= want || End() <= head.size())) {
    return head.subspan(at).first(std::min<uint64_t>(want, head.size() - at));
  }
  if (at >= window_at && at - window_at <= window.size() &&
      (window.size() - (at - window_at) >= want || window_at + window.size() >= End())) {
    Bytes rest = Bytes(window).subspan(at - window_at);
    return rest.first(std::min(want, rest.size()));
  }
  if (at >= End() || reads == limits.reads || !source.read_at || bytes_read >= limits.bytes) {
    return {};
  }
  uint64_t n =
      std::min({uint64_t{std::max(want, kWindowBytes)}, limits.bytes - bytes_read, End() - at});
  ++reads;
  bytes_read += n;
  window.resize(n);
  int64_t got = source.read_at(at, std::span<uint8_t>(window));
  if (got < 0) error = static_cast<int>(-got);
  window.resize(std::clamp<int64_t>(got, 0, static_cast<int64_t>(n)));
  window_at = at;
  return Bytes(window).first(std::min(want, window.size()));
}

std::optional<RiffChunk> RiffWalk::Next() {
  RiffChunk chunk{.at = next, .bytes = reader.At(next, kChunkBytes)};
  if (chunk.bytes.size() < 8 || !IsChunkId(chunk.bytes)) return std::nullopt;
  chunk.size = Field4(chunk.bytes, 4, big);
  if (chunk.Is("data")) {
    if (rf64 && chunk.size == 0xFFFFFFFF && ds64_data_size) chunk.size = *ds64_data_size;
  } else if (reader.source.size && chunk.at + 8 + chunk.size > *reader.source.size) {
    // The list is broken from here on.
    return std::nullopt;
  } else if (rf64 && chunk.Is("ds64") && !ds64_data_size) {
    ds64_data_size = Le8(chunk.bytes, 16);
  }
  // A size from ds64 may be anything: the walk ends past kNoEnd rather than wrap.
  uint64_t taken = std::min(chunk.size, kNoEnd);
  next = std::min(chunk.at + 8, kNoEnd) + taken + (taken & 1);
  return chunk;
}

RiffForm RiffFormOf(Bytes head) {
  if (Is(head, 0, "RIFF")) return RiffForm::kRiff;
  if (Is(head, 0, "RIFX")) return RiffForm::kRifx;
  if (Is(head, 0, "RF64")) return RiffForm::kRf64;
  return RiffForm::kNone;
}

bool IsRiffWave(Bytes head) {
  return RiffFormOf(head) != RiffForm::kNone && Is(head, 8, "WAVE");
}

bool IsWave64Id(Bytes b, uint64_t pos, std::string_view letters) {
  constexpr std::string_view kGuid("\xF3\xAC\xD3\x11\x8C\xD1\0\xC0\x4F\x8E\xDB\x8A", 12);
  return Is(b, pos, letters) && Is(b, pos + letters.size(), kGuid);
}

OtherAudio SniffOtherAudio(Bytes h) {
  if (RiffFormOf(h) != RiffForm::kNone) return OtherAudio::kNone;
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
  if (StartsAdtsFrame(h)) return OtherAudio::kAac;
  // An MP3 file starts with its ID3 tag, or with the sync bits of its first frame. AAC in ADTS
  // frames may have an ID3 tag too (ffmpeg writes one when asked): the frame after the tag, its
  // size in four bytes of seven bits and a footer where its flags say, tells them apart.
  if (Is(h, 0, "ID3")) {
    if (h.size() < 10) return OtherAudio::kMp3;
    uint64_t end = 10 + (uint64_t{h[6] & 0x7Fu} << 21 | uint64_t{h[7] & 0x7Fu} << 14 |
                         uint64_t{h[8] & 0x7Fu} << 7 | uint64_t{h[9] & 0x7Fu});
    if ((h[5] & 0x10) != 0) end += 10;
    return end < h.size() && StartsAdtsFrame(h.subspan(end)) ? OtherAudio::kAac : OtherAudio::kMp3;
  }
  if (h.size() >= 2 && h[0] == 0xFF && (h[1] & 0xE0) == 0xE0) return OtherAudio::kMp3;
  return OtherAudio::kNone;
}

}  // namespace vantorel
