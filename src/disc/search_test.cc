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

TEST(DiscSearches, LineNumbersAgreeWithPlainSearches) {
  std::mt19937 random(19);
  TrackTable table;
  for (int round = 0; round < 3000; ++round) {
    std::string text = RandomText(&random, 600);
    ClassifyTrackList(text, &table);
    Disc disc = BuildDisc(table);
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
    for (const StrayPregap& stray : disc.stray_pregaps) check(stray.line);
    for (const ListLine& line : disc.ignored) check(line);
  }
}

}  // namespace

}  // namespace vantorel
