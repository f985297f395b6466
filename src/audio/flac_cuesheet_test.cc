#include "audio/flac_cuesheet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/album.h"
#include "tracklist/cue_reader.h"

namespace vantorel {

namespace {

std::string Corpus(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_CORPUS_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Be(uint64_t v, int width) {
  std::string b;
  for (int i = width - 1; i >= 0; --i) b += static_cast<char>(v >> (8 * i) & 0xFF);
  return b;
}

// A block's head, of a CD's block where cd, saying it has count tracks.
std::string Head(std::string catalog, int count, bool cd = true) {
  catalog.resize(128, '\0');
  return catalog + Be(88200, 8) + Be(cd ? 0x80 : 0, 1) + std::string(258, '\0') + Be(count, 1);
}

// A track and its indexes, each an offset from the track's and a number; bits are its type and
// pre-emphasis bits, and count, where not 0, the count of indexes it claims.
std::string Track(uint64_t offset, int number, const std::vector<std::pair<uint64_t, int>>& indexes,
                  std::string isrc = "", int bits = 0, int count = 0) {
  isrc.resize(12, '\0');
  std::string b = Be(offset, 8) + Be(number, 1) + isrc + Be(bits, 1) + std::string(13, '\0') +
                  Be(count ? count : indexes.size(), 1);
  for (auto [at, n] : indexes) b += Be(at, 8) + Be(n, 1) + std::string(3, '\0');
  return b;
}

// A block after the count of its file's samples, in 8 bytes, as the fuzz corpus keeps it, of a
// file at rate Hz.
FlacCueSheet Read(const std::string& bytes, uint32_t rate = 44100) {
  uint64_t total = 0;
  for (size_t i = 0; i < 8; ++i) total = total << 8 | static_cast<uint8_t>(bytes[i]);
  return ReadFlacCueSheet(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()) + 8, bytes.size() - 8), total, rate);
}

// The block metaflac made of the EAC sheet is read as the sheet metaflac exports from it.
TEST(ReadFlacCueSheet, AsMetaflacExportsIt) {
  FlacCueSheet block = Read(Corpus("flac_cuesheet/eac-1.6-image.cuesheet"));
  AlbumRead sheet = ReadCueSheet(Corpus("cue/metaflac-1.4.2-export.cue"));
  EXPECT_EQ(Layout(block.read.album), Layout(sheet.album));
  EXPECT_EQ(Found(block.read.findings), "");
  EXPECT_EQ(block.lead_in, 88200u);
  EXPECT_TRUE(block.is_cd);
  EXPECT_EQ(block.lead_out, 69483372u);

  block = Read(Corpus("flac_cuesheet/xld-isrc-pre.cuesheet"));
  EXPECT_EQ(Layout(block.read.album),
            "4260123456788 2|1i 1@0:0|2i 0@0:15987 1@0:16049|3f4i 1@0:34164|4f4i 0@0:47371 "
            "1@0:47484|5i 1@0:68850|6i 0@0:92850 1@0:92938");
  EXPECT_EQ(block.read.album.tracks[5].isrc, "JPZZE1600106");
  EXPECT_EQ(Found(block.read.findings), "");
}

TEST(ReadFlacCueSheet, Findings) {
  const std::string lead_out = Track(588000, 170, {});
  const std::string one = Track(0, 1, {{0, 1}});
  struct Row {
    std::string block;
    uint64_t total;
    std::string findings;
    std::string layout;
    uint32_t rate = 44100;
  } rows[] = {
      {Head("", 2) + one + lead_out, 588000, "", " 2|1 1@0:0"},
      {Head("", 2) + one + lead_out, 0, "", " 2|1 1@0:0"},
      {Head("", 2, false) + one + Track(588000, 255, {}), 588000, "", " 2|1 1@0:0"},
      // As metaflac imports a sheet of audio that ends inside a frame.
      {Head("", 2, false) + one + Track(588100, 170, {}), 588100, "", " 2|1 1@0:0"},
      // At 96 kHz a frame is 1280 samples; at a rate not known, the CD's 588.
      {Head("", 3, false) + one + Track(480000, 2, {{0, 0}, {96000, 1}}) + Track(1920000, 255, {}),
       1920000, "", " 2|1 1@0:0|2 0@0:375 1@0:450", 96000},
      {Head("", 3, false) + one + Track(1280, 2, {{640, 1}}) + Track(2560, 255, {}), 2560,
       "OffsetNotOnFrame@2:2,640", " 2|1 1@0:0|2 1@0:1", 96000},
      {Head("", 2) + Track(0, 1, {{588, 1}}) + lead_out, 588000, "", " 2|1 1@0:1", 0},
      {Head("0000000000000", 1) + lead_out, 587999, "CatalogZeros@0 OffsetPastEnd@1:170,588000",
       " 2"},
      {Head("123", 3) + Track(0, 1, {{0, 1}}, "000000000000") +
           Track(588, 2, {{0, 0}, {1176, 1}}, "GB-ZZ-1", 0xC0) + lead_out,
       588000, "CatalogMalformed@0 IsrcZeros@1 IsrcMalformed@2", " 2|1 1@0:0|2m8f4 0@0:1 1@0:3"},
      {Head("", 3) + Track(100, 1, {{0, 0}, {200, 2}, {0, 1}}) + Track(588, 3, {{588000, 1}}),
       588000,
       "OffsetNotOnFrame@1:1,100 OffsetNotOnFrame@1:1,200 IndexNumberNotNext@1:2 "
       "IndexNumberNotNext@1:1,2 TrackNumberNotNext@2:3,1 OffsetPastEnd@2:3,588588 "
       "BlockCut@0:552,516",
       " 2|1 0@0:0 2@0:0 1@0:0|3 1@0:1001"},
      // Three indexes claimed, one given: the lead-out's bytes are read as two more.
      {Head("", 2) + Track(0, 1, {{0, 1}}, "", 0, 3) + lead_out, 588000,
       "OffsetPastEnd@1:1,588000 IndexNumberNotNext@1:170,1 IndexNumberNotNext@1:0,1 "
       "BlockCut@0:504,480",
       " 2|1 1@0:0 0@0:0"},
      // An index's offset past the track's, both near the largest a field holds.
      {Head("", 2) + Track(~uint64_t{0} - 255, 1, {{256, 1}}) + lead_out, 588000,
       "OffsetPastEnd@1:1,18446744073709551360 OffsetNotOnFrame@1:1,18446744073709551360 "
       "OffsetPastEnd@1:1,18446744073709551615 OffsetNotOnFrame@1:1,256",
       " 2|1 1@0:4294967295"},
      {Head("", 1) + Track(0, 1, {}) + "x", 0, "NoIndex01@1:1 NoLeadOut@0:1 BlockLonger@0:432,433",
       " 2|1"},
      {Head("", 0).substr(1), 0, "BlockCut@0:396,395", " "},
  };
  for (const Row& row : rows) {
    FlacCueSheet read = Read(Be(row.total, 8) + row.block, row.rate);
    EXPECT_EQ(Found(read.read.findings), row.findings) << row.layout;
    EXPECT_EQ(Layout(read.read.album), row.layout);
  }
}

}  // namespace

}  // namespace vantorel
