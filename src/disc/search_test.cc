// The disc's and the checks' searches against plain ones on random lists: they must agree on
// every line.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "disc/checks.h"
#include "disc/disc.h"

namespace vantorel {

namespace {

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

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

UnusedLines UnusedByBytes(std::string_view text, const std::vector<size_t>& ends,
                          std::string_view rest) {
  UnusedLines unused;
  size_t pos = 0;
  for (;;) {
    while (pos < rest.size() && IsLineEnd(rest[pos])) ++pos;
    size_t end = pos;
    while (end < rest.size() && !IsLineEnd(rest[end])) ++end;
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

bool ContainsWavAnyCaseByBytes(std::string_view line) {
  for (size_t i = 0; i + 4 <= line.size(); ++i) {
    if (line[i] != '.') continue;
    std::string_view ext = line.substr(i + 1, 3);
    if ((ext[0] | 0x20) == 'w' && (ext[1] | 0x20) == 'a' && (ext[2] | 0x20) == 'v') return true;
  }
  return false;
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
    UnusedLines want = UnusedByBytes(text, ends, classified.rest);
    ASSERT_EQ(disc.unused.first, want.first) << text;
    ASSERT_EQ(disc.unused.count, want.count) << text;
    ASSERT_EQ(disc.unused.wav_entries, want.wav_entries) << text;
    ASSERT_EQ(disc.unused.splits, want.splits) << text;
  }
}

TEST(DiscSearches, WavInAnyCaseAgreesWithTheByteAtATimeSearch) {
  // An ignored line is said to name a WAV file in the wrong case exactly when it holds .wav in
  // any case.
  std::mt19937 random(19);
  Disc disc;
  disc.files.push_back({{1, "a.wav"}, {}, 0, 1});
  disc.tracks.push_back({{1, "a.wav"}, "00:00:00", {}});
  disc.files[0].wav.header.sample_rate = 44100;
  disc.ignored.resize(1);
  for (int round = 0; round < 50000; ++round) {
    std::string line = RandomText(&random, 8);
    disc.ignored[0].line = {2, line};
    std::vector<Finding> found = CheckDisc(disc);
    bool said = std::any_of(found.begin(), found.end(), [](const Finding& f) {
      return f.line == 2 && f.kind == FindingKind::kMixedCaseWav;
    });
    ASSERT_EQ(said, ContainsWavAnyCaseByBytes(line)) << line;
  }
}

}  // namespace

}  // namespace vantorel
