#include "audio/wavprobe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "support/wav.h"

namespace vantorel {

namespace {

using namespace std::string_literals;

// A header of CD audio with its format chunk at fmt and its data chunk at data.
std::string Header(size_t fmt, size_t data, uint32_t data_size) {
  return WavBytes(fmt, data, 2, 44100, 16, data_size);
}

// A chunk: its id, its size, and a payload of that many bytes with a pad byte after an odd one.
std::string Chunk(std::string_view id, const std::string& payload) {
  std::string c(id);
  PutLe(&c, 4, static_cast<uint32_t>(payload.size()), 4);
  c += payload;
  if (payload.size() % 2 != 0) c += '\0';
  return c;
}

// The format chunk of CD audio.
const std::string kFormat = Header(12, 36, 0).substr(12, 24);

// Probes a file of exactly these bytes, so that a read one past them is one past an allocation.
HeaderFacts Probe(const std::string& bytes) {
  std::vector<uint8_t> file(bytes.begin(), bytes.end());
  return ProbeFile(file);
}

// Layouts that real programs write, each probed from a file of exactly its bytes. The frames are
// of CD audio, 4 bytes each.
TEST(ProbeHeader, ChunkListsOfRealFiles) {
  const std::string audio(4000, 'a');  // 1000 frames.
  const std::string second(44100 * 4, 's');
  auto riff = [](const std::string& chunks) { return "RIFF\0\0\0\0WAVE"s + chunks; };
  std::string rf64_big = "RF64\xff\xff\xff\xffWAVE"s + Chunk("ds64", std::string(28, '\0')) +
                         kFormat + Chunk("data", "") + audio;
  // The ds64 chunk's data size, at 28, declares 2^34 + 4000 bytes; the data chunk's, at 76, says
  // to look there.
  PutLe(&rf64_big, 28, 4000, 4);
  PutLe(&rf64_big, 32, 4, 4);
  PutLe(&rf64_big, 76, 0xFFFFFFFF, 4);
  std::string rf64 = rf64_big;
  PutLe(&rf64, 32, 0, 4);
  // Its walk goes past the audio by the size ds64 gives, to the format chunk after it.
  std::string rf64_format_last = "RF64\xff\xff\xff\xffWAVE"s +
                                 Chunk("ds64", std::string(28, '\0')) + "data\xff\xff\xff\xff"s +
                                 second + kFormat;
  PutLe(&rf64_format_last, 28, second.size(), 4);
  std::string pipe = Header(12, 36, 0xFFFFFFFF) + audio;
  // Its size's four bytes all differ, so that the order they are read in shows.
  std::string pipe_7f = Header(12, 36, 0x7FFFF000) + audio;
  std::string unfilled = Header(12, 36, 0) + audio;
  // sox -B: RIFX, every field of its header big-endian.
  std::string rifx = Header(12, 36, 4000) + audio;
  rifx[3] = 'X';
  for (auto [pos, width] :
       {std::pair{4, 4}, {16, 4}, {20, 2}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}, {40, 4}}) {
    std::reverse(rifx.begin() + pos, rifx.begin() + pos + width);
  }
  struct Case {
    const char* what;
    std::string file;
    uint64_t declared, held;
    bool rf64 = false;
    bool cdrdao_refuses = false;  // As a corrupted WAVE file.
    bool irregular = false;       // The data chunk before the format chunk, or found by the search.
  } cases[] = {
      {"canonical", Header(12, 36, 4000) + audio, 1000, 1000},
      {"a data tag in a comment before the data chunk",
       riff(kFormat + Chunk("LIST", "INFOICMT\x0a\0\0\0metadata\0\0"s) + Chunk("data", audio)),
       1000, 1000},
      {"the data chunk past the searched bytes, after a long coding history",
       riff(kFormat + Chunk("bext", std::string(23611, 'h')) + Chunk("data", audio)), 1000, 1000},
      {"a comment of 14,900 bytes before the format chunk",
       riff(Chunk("LIST", "INFOICMT" + std::string(14892, 'c')) + kFormat + Chunk("data", audio)),
       1000, 1000},
      {"odd chunks with their pad bytes, and the data before the format",
       riff(Chunk("JUNK", "x") + Chunk("data", audio) + Chunk("id3 ", "yyy") + kFormat), 1000, 1000,
       false, true, true},
      // Past the searched bytes, only the walk finds the format chunk, which ends the file.
      {"the format chunk after a second of audio", riff(Chunk("data", second) + kFormat), 44100,
       44100, false, true, true},
      {"the data chunk before a mono format chunk, which cdrdao refuses first",
       riff(Chunk("data", audio) + kFormat.substr(0, 8) + "\1\0\1\0\x44\xAC\0\0"s +
            kFormat.substr(16)),
       2000, 2000, false, false, true},
      {"a format chunk of 15 bytes and its pad byte",
       riff(kFormat.substr(0, 4) + "\x0F\0\0\0"s + kFormat.substr(8) + Chunk("data", audio)), 1000,
       1000},
      {"RF64", rf64, 1000, 1000, true},
      {"RF64 with the format chunk after the audio", rf64_format_last, 44100, 44100, true, false,
       true},
      {"RIFX", rifx, 1000, 1000},
      {"RF64 declaring more than 2^32 frames", rf64_big, ((uint64_t{4} << 32) + 4000) / 4, 1000,
       true},
      {"written through a pipe", pipe, 0xFFFFFFFF / 4, 1000},
      {"written through a pipe, sized 0x7FFFF000", pipe_7f, 0x7FFFF000 / 4, 1000},
      {"written through a pipe, sized 0", unfilled, 0, 0},
      {"cut short", Header(12, 36, 8000) + audio, 2000, 1000},
      {"cut inside the data chunk's size", Header(12, 36, 8000).substr(0, 42), 2000, 0, false,
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HeaderFacts f = Probe(c.file);
    EXPECT_EQ(f.status, ProbeStatus::kOk);
    EXPECT_TRUE(f.format_found);
    EXPECT_EQ(f.rf64, c.rf64);
    EXPECT_EQ(f.sample_rate, 44100u);
    EXPECT_EQ(f.declared_frames, c.declared);
    EXPECT_EQ(f.sample_frames, c.held);
    EXPECT_EQ(f.cdrdao_refuses_header, c.cdrdao_refuses);
    EXPECT_EQ(f.irregular_chunks, c.irregular);
  }
  // What follows a data chunk declared empty is counted apart, for the warning.
  EXPECT_EQ(Probe(unfilled).present_frames, 1000u);
  // Where the size is not known, as of a pipe, the file holds what it declares.
  HeaderFacts f = ProbeHeader({AsBytes(pipe), std::nullopt, nullptr});
  EXPECT_EQ(f.sample_frames, 0xFFFFFFFFu / 4);
}

// Where the chunk list cannot be walked, both tags are searched for at even positions in the
// first 15000 bytes, and the first match wins, even inside another chunk.
TEST(ProbeHeader, SearchWhereTheChunkListIsBroken) {
  auto with = [](std::string b, size_t pos, char c) {
    PutBytes(&b, pos, std::string(1, c));
    return b;
  };
  auto not_riff = [&](const std::string& b) { return with(b, 3, 'Y'); };
  std::string decoy = Header(100, 200, 4000);
  PutBytes(&decoy, 60, "data");  // Even, before the real data tag, inside nothing in particular.
  PutLe(&decoy, 64, 40, 4);
  std::string runs_past = Header(12 + 16, 36 + 16, 4000) + std::string(4000, 'a');
  PutBytes(&runs_past, 12, Chunk("JUNK", "12345678"));
  PutLe(&runs_past, 16, 1 << 20, 4);
  std::string no_id = runs_past;
  PutLe(&no_id, 16, 8, 4);
  no_id[13] = '\x01';
  std::string stray =
      "RIFF\0\0\0\0WAVE\0\0"s + Header(12, 36, 4000).substr(12) + std::string(4000, 'a');
  std::string short_format = Header(12, 36, 4000);
  PutLe(&short_format, 16, 14, 4);
  struct Case {
    const char* what;
    std::string file;
    ProbeStatus status;
    bool format_found;
    uint64_t declared;
    bool cdrdao_refuses = false;  // As a corrupted WAVE file.
    bool irregular = false;       // A RIFF file found by the search.
  } cases[] = {
      {"not RIFF", not_riff(Header(12, 36, 400)), ProbeStatus::kOk, true, 100},
      {"a decoy data tag", not_riff(decoy), ProbeStatus::kOk, true, 10},
      {"an fmt tag at an even position inside another chunk",
       not_riff(Header(100, 200, 4000)) + "xxfmt", ProbeStatus::kOk, true, 1000},
      {"a chunk that runs past the end of the file", runs_past, ProbeStatus::kOk, true, 1000, true,
       true},
      {"stray bytes after WAVE", stray, ProbeStatus::kOk, true, 1000, true, true},
      {"a format chunk of 14 bytes", short_format, ProbeStatus::kOk, true, 1000, true, true},
      {"a chunk id that is not four printable characters", no_id, ProbeStatus::kOk, true, 1000,
       false, true},
      // "fmt" is compared on three bytes, "data" on four, the search starting again at 2.
      {"the fourth byte of fmt", with(not_riff(Header(12, 36, 400)), 15, 'X'), ProbeStatus::kOk,
       true, 100},
      {"the fourth byte of data", with(not_riff(Header(12, 36, 400)), 39, 'A'),
       ProbeStatus::kNoData, true, 0},
      {"data before fmt", not_riff(Header(1000, 12, 40)), ProbeStatus::kOk, true, 10},
      {"data at an odd position", not_riff(Header(12, 37, 4)), ProbeStatus::kNoData, true, 0},
      {"data at the limit", not_riff(Header(12, kSearchLimit, 4)), ProbeStatus::kOk, true, 1},
      {"data past the limit", not_riff(Header(12, kSearchLimit + 2, 4)), ProbeStatus::kNoData, true,
       0},
      {"fmt at the limit", not_riff(Header(kSearchLimit, 12, 4)), ProbeStatus::kOk, true, 1},
      {"fmt past the limit", not_riff(Header(kSearchLimit + 2, 12, 4)), ProbeStatus::kUnsupported,
       false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HeaderFacts f = Probe(c.file);
    EXPECT_EQ(f.status, c.status);
    EXPECT_EQ(f.format_found, c.format_found);
    EXPECT_EQ(f.declared_frames, c.declared);
    EXPECT_EQ(f.cdrdao_refuses_header, c.cdrdao_refuses);
    EXPECT_EQ(f.irregular_chunks, c.irregular);
  }
  // An fmt tag at an even position inside a decoy is taken, its fields all zero.
  std::string fmt_decoy = not_riff(Header(100, 200, 4000));
  PutBytes(&fmt_decoy, 40, "xxfmt");
  EXPECT_EQ(Probe(fmt_decoy).status, ProbeStatus::kUnsupported);
}

TEST(ProbeHeader, MissingFormatReadsTheFieldsAtTheLimit) {
  // A walked data chunk without a format chunk, and a file the search alone can read.
  for (std::string b : {"RIFF....WAVEdata"s, "RIFY....WAVEdata"s}) {
    SCOPED_TRACE(b);
    PutLe(&b, 16, 4000, 4);
    HeaderFacts f = Probe(b);  // Every field past the end reads as zero.
    EXPECT_FALSE(f.format_found);
    EXPECT_EQ(f.status, ProbeStatus::kUnsupported);
    PutLe(&b, kSearchLimit + 10, 2, 2);
    PutLe(&b, kSearchLimit + 12, 44100, 4);
    PutLe(&b, kSearchLimit + 22, 16, 2);
    f = Probe(b);
    EXPECT_FALSE(f.format_found);
    EXPECT_EQ(f.sample_rate, 44100u);
    EXPECT_EQ(f.declared_frames, 1000u);
  }
}

TEST(ProbeHeader, CutShortAndUnusable) {
  const std::string full = Header(12, 36, 400) + std::string(400, 'a');
  for (size_t len = 0; len <= full.size(); ++len) {
    SCOPED_TRACE(len);
    HeaderFacts f = Probe(full.substr(0, len));
    EXPECT_EQ(f.format_found, len >= 15);
    EXPECT_EQ(f.status, len < 40 ? ProbeStatus::kNoData : ProbeStatus::kOk);
    EXPECT_EQ(f.sample_frames, len < 44 ? 0 : (len - 44) / 4);
  }
  // No channels, fewer than 8 bits, no rate; and compressed audio of 4 bits a sample.
  for (auto [channels, rate, bits] : {std::tuple{0, 44100, 16}, {2, 44100, 4}, {2, 0, 16}}) {
    std::string b = WavBytes(12, 36, channels, rate, bits, 400) + std::string(400, 'a');
    EXPECT_EQ(Probe(b).status, ProbeStatus::kUnsupported);
  }
}

// What the samples are decides whether their length follows from their size: PCM, floating
// point, A-law and mu-law, plain or as an extensible chunk's sub-format, and no compressed coding,
// whatever bits a sample its header gives.
TEST(ProbeHeader, CodingsWithALength) {
  struct Case {
    uint32_t format, sub_format, bits;
    bool measured;
  } cases[] = {{1, 0, 16, true},
               {3, 0, 32, true},
               {6, 0, 8, true},
               {7, 0, 8, true},
               {0xFFFE, 1, 24, true},
               {0xFFFE, 3, 32, true},
               {0xFFFE, 7, 8, true},
               {0x00FF, 0, 16, false},
               {0x2000, 0, 16, false},
               {0xF1AC, 0, 16, false},
               {0x0161, 0, 16, false},
               {0xFFFE, 0x87AF, 16, false},
               {0xFFFE, 0x2000, 16, false},
               {0, 0, 16, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format << " " << c.sub_format);
    std::string fmt;
    PutLe(&fmt, 0, c.format, 2);
    PutLe(&fmt, 2, 2, 2);
    PutLe(&fmt, 4, 44100, 4);
    PutLe(&fmt, 14, c.bits, 2);
    if (c.format == 0xFFFE) {
      PutLe(&fmt, 16, 22, 2);
      PutLe(&fmt, 24, c.sub_format, 2);
      PutBytes(&fmt, 26, "\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71"s);
    }
    HeaderFacts f = Probe("RIFF\0\0\0\0WAVE"s + Chunk("fmt ", fmt) +
                          Chunk("data", std::string(c.bits * 100, 'a')));
    EXPECT_EQ(f.status, c.measured ? ProbeStatus::kOk : ProbeStatus::kUnsupported);
    EXPECT_EQ(f.coding, c.format == 0xFFFE ? c.sub_format : c.format);
    EXPECT_EQ(f.sample_frames, c.measured ? 100 * 8 / 2u : 0u);
  }
  // AAC is decoded from a WAV file only where ADTS headers mark its frames.
  // A file that ends inside its first frame's header has no frame to decode.
  for (auto [data, unmarked] :
       {std::pair{"\xFF\xF1\x50\x80"s, false}, {"\x21\x1B\x94\x00"s, true}, {"\xFF"s, true}}) {
    std::string b = WavBytes(12, 36, 2, 44100, 16, 4) + data;
    PutLe(&b, 20, kFormatAac, 2);
    EXPECT_EQ(Probe(b).aac_unmarked, unmarked);
    // Where the data lies past the head, its first bytes are read where they lie.
    std::string far = "RIFF\0\0\0\0WAVE"s + b.substr(12, 24) +
                      Chunk("LIST", std::string(20000, 'c')) + Chunk("data", data);
    EXPECT_EQ(Probe(far).aac_unmarked, unmarked);
  }
  // An extensible chunk of 16 bytes ends before its sub-format: what it holds is not known.
  std::string short_extensible = Header(12, 36, 4) + "abcd";
  PutLe(&short_extensible, 20, kFormatExtensible, 2);
  EXPECT_EQ(Probe(short_extensible).coding, kFormatExtensible);
  EXPECT_EQ(Probe(short_extensible).status, ProbeStatus::kUnsupported);
}

// Audio of another kind, named .wav, by the bytes its file starts with.
TEST(ProbeHeader, AudioOfOtherKinds) {
  const std::string wave64 = "riff\x2E\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\0\0"s;
  struct Case {
    std::string start;
    OtherAudio kind;
  } cases[] = {
      {"fLaC", OtherAudio::kFlac},
      {"ID3\x04", OtherAudio::kMp3},
      {"ID3\x04\0\0\0\0\0\x02\0\0\xFF\xF1\x50"s, OtherAudio::kAac},
      {"\xFF\xFB\x90", OtherAudio::kMp3},
      {"\xFF\xF1\x50", OtherAudio::kAac},
      {"\xFF\xF9\x50", OtherAudio::kAac},
      {"\x0B\x77\0\0\0\x40"s, OtherAudio::kAc3},
      {"\x0B\x77\0\0\0\x80"s, OtherAudio::kEac3},
      {"FORM\0\0\0\0AIFC"s, OtherAudio::kAiff},
      {"\x30\x26\xB2\x75\x8E\x66\xCF\x11", OtherAudio::kWma},
      {"MAC \x96\x0F", OtherAudio::kApe},
      {"OggS" + std::string(24, '\0') + "OpusHead", OtherAudio::kOpus},
      {"\0\0\0 ftypM4A "s, OtherAudio::kMp4},
      {wave64 + std::string(8, '\0') + "wave\xF3\xAC\xD3\x11\x8C\xD1\0\xC0\x4F\x8E\xDB\x8A"s,
       OtherAudio::kWave64},
      {wave64, OtherAudio::kNone},
      {"riff" + std::string(12, '\0'), OtherAudio::kNone},
      {Header(12, 36, 0), OtherAudio::kNone}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    EXPECT_EQ(Probe(c.start).other_audio, c.kind);
  }
  // The coding Wave64 holds, from its format chunk: sox reads PCM in it, not AC-3.
  std::string w64 = wave64 + std::string(8, '\0') +
                    "wave\xF3\xAC\xD3\x11\x8C\xD1\0\xC0\x4F\x8E\xDB\x8A"s +
                    "fmt \xF3\xAC\xD3\x11\x8C\xD1\0\xC0\x4F\x8E\xDB\x8A"s + std::string(8, '\0') +
                    kFormat.substr(8);
  for (uint32_t code : {kFormatPcm, 0x2000u}) {
    PutLe(&w64, 64, code, 2);
    EXPECT_EQ(Probe(w64).coding, code);
  }
}

TEST(ProbeHeader, ReadsPastTheHeadOnlyWhereTheChunkListLeads) {
  std::string file = "RIFF\0\0\0\0WAVE"s + kFormat + Chunk("bext", std::string(20000, 'h')) +
                     Chunk("data", std::string(4000, 'a'));
  std::vector<uint64_t> offsets;
  int error = 0;
  auto read_at = [&](uint64_t offset, std::span<uint8_t> into) -> int64_t {
    offsets.push_back(offset);
    if (error != 0) return -error;
    size_t n = std::min(into.size(), static_cast<size_t>(file.size() - offset));
    std::memcpy(into.data(), file.data() + offset, n);
    return static_cast<int64_t>(n);
  };
  std::span<const uint8_t> head = AsBytes(file).first(kHeadBytes);
  HeaderFacts f = ProbeHeader({head, file.size(), read_at});
  EXPECT_EQ(f.sample_frames, 1000u);
  EXPECT_EQ(offsets, std::vector<uint64_t>{20044});
  // A failing read is said.
  error = EIO;
  EXPECT_EQ(ProbeHeader({head, file.size(), read_at}).read_error, EIO);
  // A file wholly in the head, chunks past its end and all, needs no read.
  offsets.clear();
  std::string small = Header(12, 36, 4000) + std::string(400, 'a');
  PutBytes(&small, 36, Chunk("JUNK", "junk"));
  EXPECT_EQ(ProbeHeader({AsBytes(small), small.size(), read_at}).status, ProbeStatus::kNoData);
  EXPECT_TRUE(offsets.empty());
}

}  // namespace

}  // namespace vantorel
