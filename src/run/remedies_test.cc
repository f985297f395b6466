#include "run/remedies.h"

#include <gtest/gtest.h>

#include <vector>

#include "run/script.h"

namespace vantorel {

namespace {

// Each command as the shell must take it: names quoted where a byte is not the shell's own, a
// name that starts with a dash after ./, and the new name after the stem.
TEST(Remedies, CommandsAndNames) {
  auto convert = [](Converter by, std::string_view from, std::string_view stem) {
    std::string out;
    AppendConvertCommand(&out, by, from, stem);
    return out;
  };
  auto rename = [](std::string_view from, std::string_view stem) {
    std::string out;
    AppendRenameCommand(&out, from, stem);
    return out;
  };
  auto join = [](std::string_view a, std::string_view b, std::string_view joined) {
    std::string out;
    AppendJoinCommand(&out, a, b, joined);
    return out;
  };
  auto pad = [](std::string_view from, std::string_view stem, uint64_t samples) {
    std::string out;
    AppendPadCommand(&out, from, stem, samples);
    return out;
  };
  struct Case {
    std::string said, want;
  } cases[] = {
      {convert(Converter::kSox, "b.flac", "b"), "sox b.flac -r 44100 -b 16 -c 2 b-cd.wav"},
      {convert(Converter::kFfmpeg, "f*.opus", "f*"),
       "ffmpeg -i 'f*.opus' -ar 44100 -ac 2 -sample_fmt s16 'f*-cd.wav'"},
      {convert(Converter::kNone, "x.flac", "x"), ""},
      {convert(Converter::kSox, "-f.wav", "-f"), "sox ./-f.wav -r 44100 -b 16 -c 2 ./-f-cd.wav"},
      {rename("it's.Wav", "it's"), "mv 'it'\\''s.Wav' 'it'\\''s.wav'"},
      {join("cd1/a.wav", "cd1/b c.wav", "cd1/a+b c.wav"),
       "sox cd1/a.wav 'cd1/b c.wav' 'cd1/a+b c.wav'"},
      {pad("a.wav", "a", 587), "sox a.wav a-cd.wav pad 0 587s"},
      {CdWavName("live set"), "live set-cd.wav"},
      {CdWavName("song-cd"), "song-cd2.wav"},
      {CueTime(0), "00:00:00"},
      {CueTime(9 * 75), "00:09:00"},
      {CueTime(100 * 60 * 75 + 74), "100:00:74"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.said, c.want);
}

// The script of a list's fixes: each command once, the list rewritten as the findings say, with
// its line ends as they were and a line removed with its own, and what is left to decide.
TEST(FixScript, CommandsTheRewrittenListAndChoices) {
  using K = FindingKind;
  const std::string list = "a b.wav\r\nS 0:00\r\nS 4:12.5 It's\r\nx.flac\r\nS 17:02\r\n";
  auto at = [&](std::string_view line) {
    return std::string_view(list).substr(list.find(line), line.size());
  };
  std::vector<Finding> found = {
      {.kind = K::kNotCdAudio,
       .line = 1,
       .subject = at("a b.wav"),
       .converter = Converter::kSox,
       .part = {.stem = "a b"}},
      {.kind = K::kSplitAtStart, .line = 2, .subject = at("S 0:00")},
      {.kind = K::kEditorTime,
       .line = 3,
       .subject = at("S 4:12.5 It's"),
       .names = {.title = "It's"},
       .frames = 18937},
      {.kind = K::kOtherAudio,
       .line = 4,
       .subject = at("x.flac"),
       .converter = Converter::kSox,
       .part = {.stem = "x"}},
      {.kind = K::kTimeWithoutFrames,
       .line = 5,
       .subject = at("S 17:02"),
       .frames = 76650,
       .other_frames = 1277},
      {.kind = K::kNotCdAudio,
       .line = 1,
       .subject = at("a b.wav"),
       .converter = Converter::kSox,
       .part = {.stem = "a b"}},
  };
  EXPECT_EQ(
      FixScript(list, found, {"my list", "o.cue"}),
      "#!/bin/sh\n"
      "# The fixes vantorel gives for the track list my list: run this script with sh, then "
      "vantorel again.\n"
      "set -e\n"
      "sox 'a b.wav' -r 44100 -b 16 -c 2 'a b-cd.wav'\n"
      "sox x.flac -r 44100 -b 16 -c 2 x-cd.wav\n"
      "cp -- 'my list' 'my list.orig'\n"
      "printf '%s' 'a b-cd.wav\r\nS 04:12:37 It'\\''s\r\nx-cd.wav\r\nS 17:02\r\n' > 'my list'\n"
      "# Left for you to decide:\n"
      "# my list:5: warning: \"S 17:02\" gives two numbers, which cdrdao reads as seconds:frames; "
      "write the line as \"S 17:02:00\" for minutes:seconds, or as \"S 00:17:02\" for "
      "seconds:frames\n");
}

}  // namespace

}  // namespace vantorel
