#include "run/remedies.h"

#include <gtest/gtest.h>

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
      {CueTime(0), "00:00:00"},
      {CueTime(100 * 60 * 75 + 74), "100:00:74"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.said, c.want);
}

}  // namespace

}  // namespace vantorel
