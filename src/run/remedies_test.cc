#include "run/remedies.h"

#include <gtest/gtest.h>

#include <vector>

#include "run/script.h"

namespace vantorel {

namespace {

// Each command as the shell and the program it calls must take it: every name a plain path in
// single quotes, after ./ where it is relative; and the names of new files.
TEST(Remedies, CommandsAndNames) {
  auto convert = [](Converter by, std::string_view from, std::string_view made) {
    std::string out;
    AppendConvertCommand(&out, {by}, from, made);
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
  auto pad = [](std::string_view from, std::string_view made, uint64_t samples) {
    std::string out;
    AppendPadCommand(&out, from, made, samples);
    return out;
  };
  struct Case {
    std::string said, want;
  } cases[] = {
      {convert(Converter::kSox, "b.flac", "b-cd.wav"),
       "sox --no-glob './b.flac' -r 44100 -b 16 -c 2 --no-glob './b-cd.wav'"},
      {convert(Converter::kFfmpeg, "f*.opus", "f*-cd.wav"),
       "ffmpeg -nostdin -n -i './f*.opus' -ar 44100 -ac 2 -sample_fmt s16 './f*-cd.wav'"},
      {convert(Converter::kNone, "x.flac", "x-cd.wav"), ""},
      // Samples read as they stand, from where they start, as many as the file holds.
      {[] {
         std::string out;
         AppendConvertCommand(&out,
                              MakingOf({.kind = FindingKind::kIrregularChunks,
                                        .frames = 46,
                                        .other_frames = 220500,
                                        .format = {1, 1, 48000, 24, 2},
                                        .also = {FindingKind::kRifx}}),
                              "x.wav", "x-cd.wav");
         return out;
       }(),
       "ffmpeg -nostdin -n -f s24be -ar 48000 -ac 2 -skip_initial_bytes 46 -i './x.wav' -af "
       "atrim=end_sample=220500 -ar 44100 -ac 2 -sample_fmt s16 './x-cd.wav'"},
      // Read as a path, none of these is a command, an option, a URL or a protocol.
      {convert(Converter::kSox, "|touch P;cat b.flac #.flac", "/tmp/-x.wav"),
       "sox --no-glob './|touch P;cat b.flac #.flac' -r 44100 -b 16 -c 2 --no-glob '/tmp/-x.wav'"},
      {convert(Converter::kFfmpeg, "pipe:x.opus", "-f-cd.wav"),
       "ffmpeg -nostdin -n -i './pipe:x.opus' -ar 44100 -ac 2 -sample_fmt s16 './-f-cd.wav'"},
      {rename("it's.Wav", "it's"), "mv './it'\\''s.Wav' './it'\\''s.wav'"},
      {join("cd1/a.wav", "cd1/b c.wav", "cd1/a+b c.wav"),
       "sox --no-glob './cd1/a.wav' --no-glob './cd1/b c.wav' --no-glob './cd1/a+b c.wav'"},
      {pad("a.wav", "a-cd.wav", 587), "sox --no-glob './a.wav' --no-glob './a-cd.wav' pad 0 587s"},
      {CdWavName("live set"), "live set-cd.wav"},
      {CdWavName("live set", 2), "live set-cd3.wav"},
      {CdWavName("song-cd"), "song-cd2.wav"},
      {CdWavName("song-cd", 1), "song-cd3.wav"},
      {NumberedName("a+b.wav", 1), "a+b2.wav"},
      {NumberedName("tlist.txt", 0), "tlist.txt"},
      // A name's last part fits in 255 bytes, the whole from ../ in 4095, cut before a character;
      // a " in the last part, which no cue sheet holds, is written as '.
      {CdWavName(std::string(300, 'a')), std::string(248, 'a') + "-cd.wav"},
      {CdWavName("d/" + std::string(247, 'a') + "\xC3\xA9"),
       "d/" + std::string(247, 'a') + "-cd.wav"},
      {NumberedName(std::string(4000, 'd') + "/" + std::string(200, 'a') + ".wav", 1),
       std::string(4000, 'd') + "/" + std::string(86, 'a') + "2.wav"},
      {CdWavName("my \"x\"/a \"b\""), "my \"x\"/a 'b'-cd.wav"},
      {CueTimeText(0), "00:00:00"},
      {CueTimeText(9 * 75), "00:09:00"},
      {CueTimeText(100 * 60 * 75 + 74), "100:00:74"},
      // As cksum prints them for its standard input.
      {CksumLine(""), "4294967295 0"},
      {CksumLine("x"), "12738659 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.said, c.want);
}

// The script with its fixed functions and the making of its own directory, which the interop
// tests run, as "...".
std::string Varying(std::string script) {
  size_t from = script.find("taken() {\n");
  std::string_view last = "[ -z \"$stop\" ] || exit \"$stop\"\n";
  size_t to = script.find(last);
  if (from == script.npos || to == script.npos) return script;
  return script.replace(from, to + last.size() - from, "...\n");
}

// The script of a list's fixes: each command once, made in the script's own directory and put in
// place, names with control characters whole, the list rewritten as the findings say, with its
// line ends as they were and a line removed with its own, and what is left to decide.
TEST(FixScript, CommandsTheRewrittenListAndChoices) {
  using K = FindingKind;
  // What follows a NUL is not read, but kept.
  const std::string list =
      std::string("a b.wav\r\nS 0:00\r\nS 4:12.5 It's %5\\\r\nx\x01.flac\r\nS 17:02\r\n") + '\0' +
      "g.wav\n";
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
       .subject = at("S 4:12.5 It's %5\\"),
       .names = {.title = "It's %5\\"},
       .frames = 18937},
      {.kind = K::kOtherAudio,
       .line = 4,
       .subject = at("x\x01.flac"),
       .converter = Converter::kFfmpeg,
       .part = {.stem = at("x\x01")}},
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
  const std::string kHead =
      "#!/bin/sh\n"
      "# The fixes vantorel gives for the track list my?list: run this script with sh, then "
      "vantorel again.\n"
      "# It stops before it changes anything where it runs in another folder or the list is not "
      "the\n"
      "# one it was made for, and at the first command that fails or is interrupted, or the first "
      "file\n"
      "# it is to make whose name is taken, by a link too. It makes each file in a directory of "
      "its own,\n"
      "# which it removes as it ends, and gives it its name only where nothing has that name. The "
      "list\n"
      "# is rewritten last.\n"
      "set -eC\n"
      "c001=$(printf '\\001.'); c001=${c001%.}\n"
      "c012=$(printf '\\012.'); c012=${c012%.}\n";
  const std::string kMade =
      "fresh '../a b-cd.wav'\n"
      "sox --no-glob '../a b.wav' -r 44100 -b 16 -c 2 --no-glob './1.wav'\n"
      "place './1.wav' '../a b-cd.wav'\n"
      "fresh '../x'\"$c001\"'-cd.wav'\n"
      "ffmpeg -nostdin -n -i '../x'\"$c001\"'.flac' -ar 44100 -ac 2 -sample_fmt s16 './2.wav'\n"
      "place './2.wav' '../x'\"$c001\"'-cd.wav'\n"
      "printf 'a b-cd.wav\\r\nS 04:12:37 It'\\''s \\0455\\\\\\r\nx\\001-cd.wav\\r\nS "
      "17:02\\r\n\\000g.wav\n' > './list'\n";
  const std::string kLeft =
      "# Left for you to decide:\n"
      "# my?list:5: warning: \"S 17:02\" gives two numbers, which cdrdao reads as seconds:frames; "
      "write the line as \"S 17:02:00\" for minutes:seconds, or as \"S 00:17:02\" for "
      "seconds:frames\n";
  // A regular list is checked, kept, checked again and replaced; one from a pipe is written to a
  // new file. The folder is checked where it is known.
  EXPECT_EQ(
      Varying(FixScript({list, true, "my\nlist.orig", {}, "/m'y"}, found, {"my\nlist", "o.cue"})),
      kHead +
          "[ \"$(pwd -P)\" = '/m'\\''y' ] || {\n"
          "  printf '%s\\n' 'this script was made for the folder /m'\\''y; run it there' "
          ">&2\n  exit 1\n}\n"
          "same() {\n  [ \"$(cksum < \"$1\")\" = '" +
          CksumLine(list) +
          "' ] || {\n    printf '%s\\n' 'my?list has changed since this script was made; "
          "run vantorel --script again' >&2\n    exit 1\n  }\n}\n"
          "same './my'\"$c012\"'list'\n...\n"
          "cat < '../my'\"$c012\"'list' > './orig'\nsame './orig'\n" +
          kMade +
          "place './orig' '../my'\"$c012\"'list.orig'\n"
          "same '../my'\"$c012\"'list'\n"
          "mv -f -T -- './list' '../my'\"$c012\"'list'\n" +
          kLeft);
  EXPECT_EQ(Varying(FixScript({list, false, "tlist.txt"}, found, {"my\nlist", "o.cue"})),
            kHead.substr(0, kHead.find("c012")) + "...\n" + kMade +
                "place './list' '../tlist.txt'\n" + kLeft +
                "# my?list is no file that can be rewritten, so the fixed list is tlist.txt: run "
                "vantorel './tlist.txt'\n");
}

// The files' tags title the tracks and the disc the list leaves untitled, in the sheet's ASCII;
// what the list says stands, and what the tags disagree on is left to decide.
TEST(FixScript, TextsFromTags) {
  const std::string list = "a.wav\r\nb.wav\r\n# n\r\nTITLE Mine\r\nDISC TITLE Given";
  const LineTags tags[] = {
      {1, std::string_view(list).substr(0, 5), {"Caf\xC3\xA9 \"Noir\"", "X", "Album", ""}},
      {2, std::string_view(list).substr(7, 5), {"B", "Y", "Album", ""}}};
  std::string script = FixScript({list, true, "l.orig", tags}, {}, {"l", "o.cue"});
  EXPECT_NE(script.find("printf 'a.wav\\r\nTITLE Cafe '\\''Noir'\\''\\r\nPERFORMER X\\r\nb.wav\\r\n"
                        "PERFORMER Y\\r\n# n\\r\nTITLE Mine\\r\nDISC TITLE Given' > './list'\n"
                        "place './orig' '../l.orig'\nsame '../l'\nmv -f -T -- './list' '../l'\n"
                        "# Left for you to decide:\n"
                        "# The files' tags name more than one artist and no album artist, so no "
                        "DISC PERFORMER line is written; write the most common as \"DISC PERFORMER "
                        "X\"\n"),
            script.npos)
      << script;
}

// Where a file's split times read two ways that both hold, the list is written one way with the
// other ready beside it, each command on one line, so that moving one # swaps them.
TEST(FixScript, BothReadingsSideBySide) {
  const std::string list = "m.wav\nS 0:10:00 A\nS 5:00\nx.wav\nS 0:20:00\n";
  Finding f = {.kind = FindingKind::kTimesTwoWays,
               .line = 2,
               .subject = std::string_view(list).substr(6, 11),
               .names = {.file = std::string_view(list).substr(0, 5)}};
  std::string script = FixScript({list, true, "l.orig"}, {&f, 1}, {"l", "o.cue"});
  EXPECT_NE(script.find("printf 'm.wav\\nS 10:00:00 A\\nS 05:00:00\\nx.wav\\nS 0:20:00\\n' > "
                        "'./list'\n"
                        "# To read the split times of \"m.wav\" as cdrdao does, put a # before the "
                        "printf above that has none, and take the # from the one below:\n"
                        "# printf 'm.wav\\nS 0:00:10:00 A\\nS 0:00:05:00\\nx.wav\\nS 0:20:00\\n' > "
                        "'./list'\n"),
            script.npos)
      << script;
}

}  // namespace

}  // namespace vantorel
