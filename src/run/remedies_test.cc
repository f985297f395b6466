#include "run/remedies.h"

#include <gtest/gtest.h>

#include <vector>

#include "disc/checks.h"
#include "run/script.h"
#include "run/shell.h"
#include "tracklist/tracklist.h"

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
         AppendConvertCommand(
             &out,
             MakingOf(MakeFinding<FindingKind::kIrregularChunks>(1, "x.wav",
                                                                 {.format = {1, 1, 48000, 24, 2},
                                                                  .also = {FindingKind::kRifx},
                                                                  .data_start = 46,
                                                                  .sample_frames = 220500})),
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

// The script a run makes of list, where each WAV file it names is CD audio of 19 minutes but
// those whose names start with n, at 48 kHz, and each line ending in .flac names a file.
std::string ScriptOf(const ScriptList& list, const Names& names) {
  TrackTable table;
  ClassifyTrackList(list.text, &table);
  std::vector<LineLookup> lookups = LinesToLookUp(table);
  for (LineLookup& lookup : lookups) lookup.names_a_file = lookup.line.text.ends_with(".flac");
  Disc disc = BuildDisc(table, std::move(lookups));
  std::vector<Finding> found;
  for (DiscFile& file : disc.files) {
    HeaderFacts& h = file.wav.header;
    h = {.format_found = true,
         .sample_rate = file.entry.text.starts_with('n') ? 48000u : 44100u,
         .format = kFormatPcm,
         .coding = kFormatPcm,
         .channels = 2,
         .bits_per_sample = 16};
    h.sample_frames = h.declared_frames = h.present_frames = 19 * 60 * h.sample_rate;
    std::vector<Finding> of_file = ProbeFindings(file);
    found.insert(found.end(), of_file.begin(), of_file.end());
  }
  MeasureLengths(&disc);
  const DiscLayout layout = LayOutDisc(disc);
  std::vector<Finding> checked = CheckDisc(disc, layout);
  found.insert(found.end(), checked.begin(), checked.end());
  return FixScript(list, disc, layout, found, names);
}

// The script of a list's fixes: each command once, made in the script's own directory and put in
// place, names with control characters whole, the list rewritten as the findings say, with its
// line ends as they were and a line removed with its own, and what is left to decide.
TEST(FixScript, CommandsTheRewrittenListAndChoices) {
  // What follows a NUL is not read, but kept.
  const std::string list =
      std::string("n b.wav\r\nS 0:00\r\nS 4:12.5\r\nx\x01%5\\.flac\r\nS 17:02\r\n") + '\0' +
      "g.wav\n";
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
      "fresh '../n b-cd.wav'\n"
      "sox --no-glob '../n b.wav' -r 44100 -b 16 -c 2 --no-glob './1.wav'\n"
      "place './1.wav' '../n b-cd.wav'\n"
      "fresh '../x'\"$c001\"'%5\\-cd.wav'\n"
      "sox --no-glob '../x'\"$c001\"'%5\\.flac' -r 44100 -b 16 -c 2 --no-glob './2.wav'\n"
      "place './2.wav' '../x'\"$c001\"'%5\\-cd.wav'\n"
      "printf 'n b-cd.wav\\r\nS 04:12:37\\r\nx\\001\\0455\\\\-cd.wav\\r\nS 17:02:00\\r\n"
      "\\000g.wav\n' > './list'\n";
  const std::string kLeft =
      "# Left for you to decide:\n"
      "# my?list:6: warning: a NUL byte stands on this line of my?list, and nothing after it is "
      "read; remove it\n";
  // A regular list is checked, kept, checked again and replaced; one from a pipe is written to a
  // new file. The folder is checked where it is known.
  EXPECT_EQ(Varying(ScriptOf({list, true, "my\nlist.orig", {}, "/m'y"}, {"my\nlist", "o.cue"})),
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
  EXPECT_EQ(Varying(ScriptOf({list, false, "tlist.txt"}, {"my\nlist", "o.cue"})),
            kHead.substr(0, kHead.find("c012")) + "...\n" + kMade +
                "place './list' '../tlist.txt'\n" + kLeft +
                "# my?list is no file that can be rewritten, so the fixed list is tlist.txt: run "
                "vantorel './tlist.txt'\n");
}

// The files' tags title the tracks and the disc the list leaves untitled, in the sheet's ASCII;
// what the list says stands, a title that would be a WAV line or is empty is none, and what the
// tags disagree on, or leave untitled, is left to decide.
TEST(FixScript, TextsFromTags) {
  const std::string list =
      "a.wav\r\nb.wav\r\n# n\r\nTITLE Mine\r\nc.wav\r\nd.wav\r\nDISC TITLE Given";
  auto at = [&](std::string_view line) {
    return std::string_view(list).substr(list.find(line), 5);
  };
  const LineTags tags[] = {{1, at("a.wav"), {"Caf\xC3\xA9 \"Noir\"", "X", "Album", ""}},
                           {2, at("b.wav"), {"B", "Y", "Album", ""}},
                           {5, at("c.wav"), {"Remix.wav", "X", "Album", ""}},
                           {6, at("d.wav"), {"", "X", "Album", ""}}};
  std::string script = ScriptOf({list, true, "l.orig", tags}, {"l", "o.cue"});
  const std::string untitled =
      "\" starts has no title, without which cdrdao will not burn the sheet's CD-TEXT; write the "
      "title on the line after it as \"TITLE\" and the title\n";
  EXPECT_NE(
      script.find("printf 'a.wav\\r\nTITLE Cafe '\\''Noir'\\''\\r\nPERFORMER X\\r\nb.wav\\r\n"
                  "PERFORMER Y\\r\n# n\\r\nTITLE Mine\\r\nc.wav\\r\nPERFORMER X\\r\nd.wav\\r\n"
                  "PERFORMER X\\r\nDISC TITLE Given' > './list'\n"
                  "place './orig' '../l.orig'\nsame '../l'\nmv -f -T -- './list' '../l'\n"
                  "# Left for you to decide:\n"
                  "# l:5: warning: the track that \"c.wav" +
                  untitled + "# l:6: warning: the track that \"d.wav" + untitled +
                  "# The files' tags name more than one artist and no album artist, so no "
                  "DISC PERFORMER line is written; write the most common as \"DISC PERFORMER "
                  "X\"\n"),
      script.npos)
      << script;
}

// Where a file's split times read two ways that both hold, the list is written one way with the
// other ready beside it, each command on one line, so that moving one # swaps them; what follows
// a NUL stays as it is.
TEST(FixScript, BothReadingsSideBySide) {
  const std::string list = std::string("m.wav\nS 0:10:00\nS 0:15:00\n") + '\0' + "\nS 0:16:00\n";
  std::string script = ScriptOf({list, true, "l.orig"}, {"l", "o.cue"});
  EXPECT_NE(
      script.find("printf 'm.wav\\nS 10:00:00\\nS 15:00:00\\n\\000\\nS 0:16:00\\n' > './list'\n"
                  "# To read the split times of \"m.wav\" as cdrdao does, put a # before the "
                  "printf above that has none, and take the # from the one below:\n"
                  "# printf 'm.wav\\nS 0:00:10:00\\nS 0:00:15:00\\n\\000\\nS 0:16:00\\n' > "
                  "'./list'\n"),
      script.npos)
      << script;
}

// The gap, code and flags lines stay as they are; one whose keyword or letter is small, or whose
// code is written in groups, is written as the sheet takes it, and a code of zeros goes.
TEST(FixScript, GapAndCodeLinesKept) {
  const std::string list =
      "m.wav\nG 00:02:00\nisrc us-abc-12-34567\ng 00:01:00\nFLAGS PRE\nS 01:00:00\n"
      "ISRC 000000000000\nCATALOG 0123 4567 8901 2\nFLAGS 4CH\nISRC USABC1234567\n";
  std::string script = ScriptOf({list, true, "l.orig"}, {"l", "o.cue"});
  EXPECT_NE(script.find("printf 'm.wav\nG 00:02:00\nISRC USABC1234567\nG 00:01:00\nFLAGS PRE\n"
                        "S 01:00:00\nCATALOG 0123456789012\nFLAGS 4CH\nISRC USABC1234567\n' > "
                        "'./list'\n"),
            script.npos)
      << script;
}

}  // namespace

}  // namespace vantorel
