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
using Bytes = std::string;

// A format block at fmt and a data header at data, with the usual RIFF header in front.
Bytes Header(size_t fmt, size_t data, uint32_t channels, uint32_t rate, uint32_t bits,
             uint32_t data_size) {
  return WavBytes(fmt, data, channels, rate, bits, data_size);
}

HeaderFacts Probe(const Bytes& b) {
  return ProbeHeader(AsBytes(b));
}

TEST(Assem, LittleEndian) {
  EXPECT_EQ(Assem2(0x34, 0x12), 0x1234u);
  EXPECT_EQ(Assem2(0xff, 0xff), 65535u);
  EXPECT_EQ(Assem4(0x78, 0x56, 0x34, 0x12), 0x12345678u);
  EXPECT_EQ(Assem4(0xff, 0xff, 0xff, 0xff), 0xffffffffu);
}

TEST(ProbeHeader, CanonicalAndCommonLayouts) {
  HeaderFacts f = Probe(Header(12, 36, 2, 44100, 16, 10584000));
  EXPECT_EQ(f.status, ProbeStatus::kOk);
  EXPECT_TRUE(f.format_found);
  EXPECT_EQ(f.sample_rate, 44100u);
  EXPECT_EQ(f.sample_frames, 2646000u);

  // JUNK, LIST and bext blocks before the format block.
  Bytes b = Header(12 + 28 + 40 + 610, 12 + 28 + 40 + 610 + 24, 2, 48000, 24, 6 * 1000 + 5);
  PutBytes(&b, 12, "JUNK");
  PutBytes(&b, 40, "LIST");
  PutBytes(&b, 80, "bext");
  f = Probe(b);
  EXPECT_EQ(f.sample_rate, 48000u);
  EXPECT_EQ(f.sample_frames, 1000u);  // 24-bit stereo divides by 6, the remainder dropped.

  // WAVE_FORMAT_EXTENSIBLE: a 40-byte format block, then fact.
  b = Header(12, 12 + 48 + 12, 6, 44100, 16, 12 * 777);
  PutLe(&b, 16, 40, 4);
  PutBytes(&b, 60, "fact");
  EXPECT_EQ(Probe(b).sample_frames, 777u);

  // 8-bit mono divides by 1, and a size beyond 2^31 stays positive.
  f = Probe(Header(12, 36, 1, 8000, 8, 0xFFFFFFFFu));
  EXPECT_EQ(f.sample_frames, 0xFFFFFFFFu);
  EXPECT_EQ(Probe(Header(12, 36, 1, 8000, 12, 0x80000001u)).sample_frames, 0x80000001u);
}

TEST(ProbeHeader, SearchRules) {
  // The first even position with the letters wins, even inside another block.
  Bytes b = Header(100, 200, 2, 44100, 16, 4000);
  PutBytes(&b, 40, "xxfmt");  // Even position 42: taken as the format tag, its fields all zero.
  EXPECT_EQ(Probe(b).status, ProbeStatus::kUnsupported);
  b = Header(100, 200, 2, 44100, 16, 4000);
  PutBytes(&b, 40, "xfmt");  // Odd position: passed over.
  PutBytes(&b, 60, "data");  // Even, before the real data tag, inside nothing in particular.
  PutLe(&b, 64, 40, 4);
  EXPECT_EQ(Probe(b).sample_frames, 10u);
  // "fmt" is compared on three bytes only; "data" on four.
  b = Header(12, 36, 2, 44100, 16, 400);
  b[15] = 'X';
  EXPECT_TRUE(Probe(b).format_found);
  b[39] = 'A';
  EXPECT_EQ(Probe(b).status, ProbeStatus::kNoData);
  // The data search starts again at 2, not after the format block.
  EXPECT_EQ(Probe(Header(1000, 12, 2, 44100, 16, 40)).sample_frames, 10u);
  // Odd, or beyond the limit: not found.
  EXPECT_EQ(Probe(Header(12, 37, 2, 44100, 16, 4)).status, ProbeStatus::kNoData);
  EXPECT_EQ(Probe(Header(12, kSearchLimit + 2, 2, 44100, 16, 4)).status, ProbeStatus::kNoData);
  EXPECT_EQ(Probe(Header(12, kSearchLimit, 2, 44100, 16, 4)).sample_frames, 1u);
  EXPECT_EQ(Probe(Header(kSearchLimit, 12, 2, 44100, 16, 4)).sample_frames, 1u);
  EXPECT_FALSE(Probe(Header(kSearchLimit + 2, 12, 2, 44100, 16, 4)).format_found);
}

TEST(ProbeHeader, MissingFormatReadsTheFieldsAtTheLimit) {
  Bytes b;
  PutBytes(&b, 0, "RIFF....WAVEdata"s);
  PutLe(&b, 16, 4000, 4);
  HeaderFacts f = Probe(b);  // Short file: every field past its end reads as zero.
  EXPECT_FALSE(f.format_found);
  EXPECT_EQ(f.status, ProbeStatus::kUnsupported);

  PutLe(&b, kSearchLimit + 10, 2, 2);
  PutLe(&b, kSearchLimit + 12, 44100, 4);
  PutLe(&b, kSearchLimit + 22, 16, 2);
  f = Probe(b);
  EXPECT_FALSE(f.format_found);
  EXPECT_EQ(f.sample_rate, 44100u);
  EXPECT_EQ(f.sample_frames, 1000u);
}

TEST(ProbeHeader, TruncatedAndUnusable) {
  Bytes full = Header(12, 36, 2, 44100, 16, 10584000);
  for (size_t len = 0; len <= full.size(); ++len) {
    Bytes cut(full.begin(), full.begin() + static_cast<long>(len));
    HeaderFacts f = Probe(cut);
    SCOPED_TRACE(len);
    EXPECT_EQ(f.format_found, len >= 15);
    if (len < 40) {
      EXPECT_EQ(f.status, ProbeStatus::kNoData);
    } else if (len < 44) {
      // The size's bytes past the end read as zero.
      auto kept = static_cast<uint32_t>(10584000u & (0xFFFFFFFFull >> (8 * (44 - len))));
      EXPECT_EQ(f.status, ProbeStatus::kOk);
      EXPECT_EQ(f.sample_frames, kept / 4);
    } else {
      EXPECT_EQ(f.sample_frames, 2646000u);
    }
  }
  EXPECT_EQ(Probe(Header(12, 36, 0, 44100, 16, 400)).status, ProbeStatus::kUnsupported);
  EXPECT_EQ(Probe(Header(12, 36, 2, 44100, 4, 400)).status, ProbeStatus::kUnsupported);
  EXPECT_EQ(Probe(Header(12, 36, 2, 0, 16, 400)).status, ProbeStatus::kUnsupported);
}

// The search that looked at one position at a time, which the faster one must agree with.
size_t PlainFindTag(std::span<const uint8_t> h, const char* tag, size_t len) {
  for (size_t pos = 2; pos <= kSearchLimit && pos + len <= h.size(); pos += 2) {
    if (std::memcmp(h.data() + pos, tag, len) == 0) return pos;
  }
  return 0;
}

// Short heads are drawn from the tags' own letters, so that first letters match often and whole
// tags now and then, with tags planted at odd and even positions up to the head's end. Long heads
// hold no tag letters but a decoy, whose place decides where the blocks of a search fall, and a
// tag at each position around the search limit.
TEST(FindTag, AgreesWithThePlainSearch) {
  std::mt19937 rng(20261208);
  auto below = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  auto draw = [&](size_t size, std::string_view letters) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(letters[below(letters.size())]);
    return bytes;
  };
  auto put = [](std::vector<uint8_t>* head, size_t at, std::string_view bytes) {
    bytes = bytes.substr(0, head->size() - at);
    std::copy(bytes.begin(), bytes.end(), head->begin() + static_cast<long>(at));
  };
  // Each head is a vector of its own size, so that a read past its end is one past an allocation.
  auto same = [](const std::vector<uint8_t>& head) {
    for (auto [tag, len] : {std::pair{"fmt", 3}, std::pair{"data", 4}}) {
      size_t want = PlainFindTag(head, tag, len);
      size_t got = FindTag(head, tag, len);
      if (got != want) {
        ADD_FAILURE() << "\"" << tag << "\" in a head of " << head.size() << " bytes: found at "
                      << got << ", not " << want;
        return false;
      }
    }
    return true;
  };

  const std::vector<uint8_t> busy = draw(512, "datfm \0x"s);
  for (int i = 0; i < 200000; ++i) {
    size_t start = below(64);
    std::vector<uint8_t> head(busy.begin() + static_cast<long>(start),
                              busy.begin() + static_cast<long>(start + below(260)));
    for (size_t n = below(3); n > 0; --n)
      put(&head, below(head.size() + 1), below(2) ? "data" : "fmt ");
    if (!same(head)) return;
  }

  const std::vector<uint8_t> quiet = draw(kHeadBytes, "am \0x"s);
  for (size_t decoy = 2; decoy < 66; ++decoy) {
    for (size_t at = kSearchLimit - 2; at <= kSearchLimit + 2; ++at) {
      for (std::string_view tag : {"data", "fmt "}) {
        std::vector<uint8_t> head(
            quiet.begin(), quiet.begin() + static_cast<long>(at + 2 + below(kHeadBytes - at - 1)));
        put(&head, decoy, tag == "data" ? "dax" : "fmx");
        put(&head, at, tag);
        if (!same(head)) return;
      }
    }
  }
}

}  // namespace

}  // namespace vantorel
