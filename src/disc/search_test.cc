// The disc's searches against plain ones on random lists: they must agree on every line.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "disc/disc.h"

namespace vantorel {

namespace {

// Where each line end of a text starts, a CR LF, a lone CR or a lone LF taken from the left.
std::vector<size_t> LineEnds(const std::string& text) {
  static const std::regex kEnd(R"(\r\n|\r|\n)");
  std::vector<size_t> ends;
  for (std::sregex_iterator m(text.begin(), text.end(), kEnd), none; m != none; ++m) {
    ends.push_back(static_cast<size_t>(m->position()));
  }
  return ends;
}

// The number of the line that starts at offset at: one more than the line ends before it.
int NumberOf(const std::vector<size_t>& ends, size_t at) {
  return 1 + static_cast<int>(std::lower_bound(ends.begin(), ends.end(), at) - ends.begin());
}

UnusedLines UnusedByFind(std::string_view text, const std::vector<size_t>& ends,
                         std::string_view rest) {
  UnusedLines unused;
  size_t pos = 0;
  for (;;) {
    pos = std::min(rest.find_first_not_of("\r\n", pos), rest.size());
    size_t end = std::min(rest.find_first_of("\r\n", pos), rest.size());
    if (end == pos) return unused;
    std::string_view line = rest.substr(pos, end - pos);
    if (unused.count++ == 0) unused.first = NumberOf(ends, line.data() - text.data());
    if (line.find(".WAV") != line.npos || line.find(".wav") != line.npos) {
      ++unused.wav_entries;
    } else if (line[0] == 'S') {
      ++unused.splits;
    }
    pos = end;
  }
}

// Text of up to most random pieces: line ends of every kind, S lines, dots and wav in both cases
// meet often, at every position of a line.
std::string RandomText(std::mt19937* random, size_t most) {
  static const std::vector<std::string> kPieces = {"\r",   "\n",  "\n",  "\r\n", ".",
                                                   "wav",  "WAV", "Wav", ".wav", ".WAV",
                                                   ".wAv", "S",   "P",   " ",    "x"};
  std::string text;
  for (size_t n = (*random)() % (most + 1); n > 0; --n)
    text += kPieces[(*random)() % kPieces.size()];
  return text;
}

TEST(DiscSearches, LineNumbersAndUnusedLinesAgreeWithPlainSearches) {
  // Short lines, so that many pass the limit.
  std::mt19937 random(19);
  TrackTable table;
  for (int round = 0; round < 3000; ++round) {
    std::string text = RandomText(&random, 600);
    Classified classified = ClassifyTrackList(text, &table);
    Disc disc = BuildDisc(text, table, classified);
    std::vector<size_t> ends = LineEnds(text);
    auto check = [&](const ListLine& line) {
      ASSERT_EQ(line.number, NumberOf(ends, line.text.data() - text.data())) << text;
    };
    for (const DiscFile& file : disc.files) {
      check(file.entry);
      for (const Track& track : TracksOf(disc, file)) {
        check(track.opened_by);
        if (track.pregap.number != 0) check(track.pregap);
      }
    }
    for (const ListLine& line : disc.stray_pregaps) check(line);
    for (const IgnoredLine& ignored : disc.ignored) check(ignored.line);
    UnusedLines want = UnusedByFind(text, ends, classified.rest);
    ASSERT_EQ(disc.unused.first, want.first) << text;
    ASSERT_EQ(disc.unused.count, want.count) << text;
    ASSERT_EQ(disc.unused.wav_entries, want.wav_entries) << text;
    ASSERT_EQ(disc.unused.splits, want.splits) << text;
  }
}

}  // namespace

}  // namespace vantorel
