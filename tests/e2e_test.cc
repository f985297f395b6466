// End-to-end tests: the built tool runs in a fresh temporary directory, and its standard output,
// standard error, exit status and the files it writes are compared byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/tool_fixture.h"

namespace {

using namespace std::string_literals;

// What a text must be: anything; the whole of it; or hold each part in turn, or each exactly
// once; or start or end with it; or, of a file, that there is none.
struct Want {
  enum How { kAny, kWhole, kHas, kOnce, kStarts, kEnds, kNone } how = kAny;
  std::vector<std::string> parts = {};
  Want() = default;
  Want(std::string whole) : how(kWhole), parts{std::move(whole)} {}
  Want(const char* whole) : how(kWhole), parts{whole} {}
  Want(How h, std::vector<std::string> p) : how(h), parts(std::move(p)) {}
};
Want Has(std::vector<std::string> parts) {
  return {Want::kHas, std::move(parts)};
}
Want Once(std::vector<std::string> parts) {
  return {Want::kOnce, std::move(parts)};
}
Want Starts(std::string part) {
  return {Want::kStarts, {std::move(part)}};
}
Want Ends(std::string part) {
  return {Want::kEnds, {std::move(part)}};
}
const Want kNoFile = {Want::kNone, {}};

void Expect(const std::string& what, const std::string& text, const Want& want) {
  SCOPED_TRACE(what);
  const std::string& part = want.parts.empty() ? text : want.parts[0];
  switch (want.how) {
    case Want::kWhole:
      EXPECT_EQ(text, part);
      return;
    case Want::kStarts:
      EXPECT_TRUE(text.starts_with(part)) << text;
      return;
    case Want::kEnds:
      EXPECT_TRUE(text.ends_with(part)) << text;
      return;
    case Want::kAny:
    case Want::kNone:
      return;
    case Want::kHas:
    case Want::kOnce:
      break;
  }
  size_t at = 0;
  for (const std::string& p : want.parts) {
    size_t found = text.find(p, want.how == Want::kHas ? at : 0);
    EXPECT_NE(found, std::string::npos) << p << "\nin\n" << text;
    if (found == std::string::npos) return;
    if (want.how == Want::kOnce) {
      EXPECT_EQ(text.find(p, found + 1), std::string::npos) << p << "\ntwice in\n" << text;
    }
    at = found + p.size();
  }
}

// A file a run finds in its folder: its bytes; "wav N" for a WAV file of N sample frames of CD
// audio; "dir" for a directory; "-> NAME" for a symbolic link to NAME, "== NAME" for a hard link;
// "mode OCTAL" for the mode of the file made before.
struct File {
  std::string name, is;
};

// A run of the tool, in a folder of its own that holds files, as the user who runs the tests or
// with launch: what it prints, its status and the files it leaves, by name.
struct Row {
  std::string what;
  std::vector<File> files;
  std::vector<std::string> args;
  int status = 0;
  Want out = {}, err = {};
  std::vector<std::pair<std::string, Want>> left = {};
  Launch launch = {};
};

// A list of split lines S 00:04:00 and on, each 4 seconds after the one before, up to seconds,
// each followed by after.
std::string SplitsEvery4Seconds(int seconds, const std::string& after = "\n") {
  std::string list;
  for (int s = 4; s < seconds; s += 4) {
    std::string time = std::to_string(100 + s / 60).substr(1) + ":" +
                       std::to_string(100 + s % 60).substr(1) + ":00";
    list += "S " + time + (after == "\n" ? "" : " Track at " + time) + after;
  }
  return list;
}

class Runs : public Vantorel {
 protected:
  void Make(const File& f) {
    const std::string path = Path(f.name);
    if (f.is.starts_with("wav ")) {
      PutWav(f.name, static_cast<uint32_t>(std::stoul(f.is.substr(4))));
    } else if (f.is == "dir") {
      ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    } else if (f.is.starts_with("mode ")) {
      ASSERT_EQ(chmod(path.c_str(), std::stoul(f.is.substr(5), nullptr, 8)), 0);
    } else if (f.is.starts_with("-> ")) {
      ASSERT_EQ(symlink(f.is.substr(3).c_str(), path.c_str()), 0);
    } else if (f.is.starts_with("== ")) {
      ASSERT_EQ(link(Path(f.is.substr(3)).c_str(), path.c_str()), 0);
    } else {
      Put(f.name, f.is);
    }
  }

  void Check(const Row& r) {
    SCOPED_TRACE(r.what);
    TearDown();
    SetUp();
    for (const File& f : r.files) Make(f);
    Outcome o = Run(r.args, r.launch);
    if (!o.skipped.empty()) {
      std::cout << "SKIP: " << r.what << ": " << o.skipped << "\n";
      return;
    }
    EXPECT_EQ(o.status, r.status);
    Expect("standard output", o.out, r.out);
    Expect("standard error", o.err, r.err);
    for (const auto& [name, want] : r.left) {
      EXPECT_EQ(Exists(name), want.how != Want::kNone) << name;
      if (want.how != Want::kNone) Expect(name, Read(name), want);
    }
  }
};

const std::string kLiveSet =
    "live-set.wav\nTITLE Opening\nS 00:05:00\nTITLE Second Song\nS 00:12:30\nTITLE Third Song\n"
    "encore.wav\nTITLE Encore\nP 00:02:00\nDISC TITLE Live at the Mill\n"
    "DISC PERFORMER The Night Owls\n";
const std::string kDisc = "DISC TITLE Live\nDISC PERFORMER Owls\n";
const std::string kName147 = std::string(143, 'n') + ".wav", kName148 = 'n' + kName147;
// 36 tracks of long.wav with a title of 50 characters after each time, the disc's title of as
// many and a performer of 14 for all: 230 packs for 40 tracks, 340 for 60.
std::string Titled(int tracks) {
  return "long.wav\nTITLE " + std::string(50, 'a') + "\nDISC TITLE " + std::string(50, 'd') +
         "\nDISC PERFORMER The Night Owls\n" +
         SplitsEvery4Seconds(tracks * 4, std::string(33, '.') + "\n");
}
const std::string k99 = "long.wav\n" + SplitsEvery4Seconds(99 * 4);
const std::string kTrackHeader =
    "\nTrack  Starts in file  Starts on disc  Pregap    Length    File\n";
const std::string kWarnedView =
    kReportHeader + "1\ta.wav\t\t0:20:0\n\nTotal Time:  0 min : 20 sec\n" + kTrackHeader +
    "    1  00:00:00        00:00:00        00:00:00  ?         a.wav\n"
    "    2  ?               ?               00:00:00  ?         a.wav\n"
    "\nDisc length: ?\n"
    "A ? stands where a time cannot be read or a split is out of place; the warnings name the "
    "line.\n"
    "\nWrote cue file called w.cue\n";
const std::string kNotOpened =
    ": No such file or directory; check the name, relative to the working directory\n";
const std::string kIsWav =
    " starts with RIFF: it is a WAV file, not a track list; name the track list first, or make "
    "one of the WAV files here: ls *.wav > tlist.txt\n";
const std::string kZero =
    "error: \"zero.wav\" gives no channels, fewer than 8 bits a sample or a sample rate of 0; "
    "convert it with sox\n";
const std::string kDirWav = "error: cannot read \"dir.wav\": Is a directory\n";

// The files of a list whose third line cannot be used, after a good one.
std::vector<File> BadThird(const std::string& entry) {
  std::string zero_channels = WavHeader(100);
  zero_channels[22] = 0;
  return {{"good.wav", "wav 2646000"},
          {"nodata.wav", "RIFF\x24\0\0\0WAVEfmt "s + std::string(16, '\1') + "list"},
          {"nofmt.wav", "RIFF\x24\0\0\0WAVEFMT "s + std::string(16, '\1') + "data\4\0\0\0"s},
          {"zero.wav", zero_channels},
          {"dir.wav", "dir"},
          {"keep.cue", "old"},
          {"tlist.txt", "good.wav\n\n" + entry + "\n"}};
}

// The format fields of odd.wav are read at 15000, inside its second of audio.
std::string NoFormatBlock() {
  std::string wav = "RIFF\x24\0\0\0WAVEdata"s;
  PutLe(&wav, 16, 176400, 4);
  PutBytes(&wav, 20 + 176400 - 1, "\0"s);
  PutLe(&wav, 15010, 2, 2);
  PutLe(&wav, 15012, 44100, 4);
  PutLe(&wav, 15022, 16, 2);
  return wav;
}

// Every run of the table: the report, the sheet, standard error and the status, as a user sees
// them; where the tool is started in some other way, the targets' and bad input's tests say.
TEST_F(Runs, EveryRunOfTheTable) {
  const std::string one_second =
      kReportHeader + "1\tone.wav\t\t0:1:0\n\nTotal Time:  0 min : 1 sec\n";
  const Row rows[] = {
      {"no list and no arguments", {}, {}, 1, kUsage, "", {{"output.cue", kNoFile}}},
      {"the whole run",
       {{"a.wav", "wav 2646000"},
        {"b.wav", "wav 9062550"},
        {"album.txt", "a.wav\r\nS 00:30:00\r\nP 00:02:00\r\n\r\nb.wav\r\n"}},
       {"album.txt", "album.cue"},
       0,
       kReportHeader +
           "1\ta.wav\t\t1:0:0\n2\tb.wav\t\t3:25:37\n\nTotal Time:  4 min : 25 sec\n"
           "\nWrote cue file called album.cue\n",
       "",
       {{"album.cue",
         "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:30:00\n"
         "FILE \"b.wav\" WAVE\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n"}}},
      // The bundled example with a title for every track, and the disc's title and performer,
      // which every track takes.
      {"titles and performers",
       {{"live-set.wav", "wav 882000"}, {"encore.wav", "wav 264600"}, {"titles.txt", kLiveSet}},
       {"titles.txt"},
       0,
       kReportHeader +
           "1\tlive-set.wav\t\t0:20:0\n2\tencore.wav\t\t0:6:0\n\nTotal Time:  0 min : 26 sec\n"
           "\nWrote cue file called output.cue\n",
       "",
       {{"output.cue",
         "TITLE \"Live at the Mill\"\nPERFORMER \"The Night Owls\"\n"
         "FILE \"live-set.wav\" WAVE\n"
         "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    PERFORMER \"The Night Owls\"\n"
         "    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    TITLE \"Second Song\"\n    PERFORMER \"The Night Owls\"\n"
         "    INDEX 01 00:05:00\n"
         "  TRACK 03 AUDIO\n    TITLE \"Third Song\"\n    PERFORMER \"The Night Owls\"\n"
         "    INDEX 01 00:12:30\n"
         "FILE \"encore.wav\" WAVE\n"
         "  TRACK 04 AUDIO\n    TITLE \"Encore\"\n    PERFORMER \"The Night Owls\"\n"
         "    PREGAP 00:02:00\n    INDEX 01 00:00:00\n"}}},
      // Each warning of CD-TEXT that cdrdao will not burn as it is, and of a FILE name too long
      // for Debian's cdrdao; each list is whole but for that one thing.
      {"a text cdrdao cannot burn as it is",
       {{"live-set.wav", "wav 882000"}, {"l.txt", "live-set.wav\nTITLE Café “Noir”\n" + kDisc}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: l.txt:2: warning: \"TITLE Café “Noir”\" gives a text cdrdao cannot burn as it "
       "is, which is written as \"Cafe 'Noir'\": ASCII alone, without \" or \\, at most 80 "
       "characters; write the line as \"TITLE Cafe 'Noir'\"\n"},
      {"an empty text",
       {{"live-set.wav", "wav 882000"},
        {"l.txt", "live-set.wav\nTITLE Opening\nPERFORMER \"\"\n" + kDisc}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: l.txt:3: warning: \"PERFORMER \"\"\" gives no text, which cdrdao refuses, so "
       "nothing is written for it; write the text or remove the line\n"},
      {"texts given twice",
       {{"live-set.wav", "wav 882000"},
        {"l.txt",
         "live-set.wav\nTITLE Opening\nTITLE Overture\n" + kDisc + "DISC PERFORMER Others\n"}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: l.txt:3: warning: \"TITLE Overture\" gives the track a second title, which "
       "cdrdao refuses; the first, on line 2, stands: remove one of them\n"
       "vantorel: l.txt:6: warning: \"DISC PERFORMER Others\" gives the disc a second performer, "
       "which cdrdao refuses; the first, on line 5, stands: remove one of them\n"},
      {"no title for the disc",
       {{"live-set.wav", "wav 882000"},
        {"l.txt", "live-set.wav\nTITLE Opening\nDISC PERFORMER Owls\n"}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: warning: the cue sheet has CD-TEXT but no title for the disc, without which "
       "cdrdao will not burn it; write the title on a line after the first as \"DISC TITLE\" and "
       "the title\n"},
      {"no performer for the disc",
       {{"live-set.wav", "wav 882000"},
        {"l.txt", "live-set.wav\nTITLE Opening\nDISC TITLE Live\n"}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: warning: the cue sheet has CD-TEXT but no performer for the disc, without which "
       "cdrdao will not burn it; write the name on a line after the first as \"DISC PERFORMER\" "
       "and the name, which every track without a PERFORMER line takes\n"},
      {"a track without a title",
       {{"live-set.wav", "wav 882000"},
        {"l.txt", "live-set.wav\nTITLE Opening\nS 00:05:00\nP 00:02:00\n" + kDisc}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: l.txt:3: warning: the track that \"S 00:05:00\" starts has no title, without "
       "which cdrdao will not burn the sheet's CD-TEXT; write the title on the line after it as "
       "\"TITLE\" and the title\n"},
      {"a name of 147 bytes",
       {{kName147, "wav 176400"}, {"l.txt", kName147 + "\n"}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       ""},
      {"a name of 148 bytes",
       {{kName148, "wav 176400"}, {"l.txt", kName148 + "\n"}},
       {"l.txt", "l.cue"},
       0,
       Ends("\nWrote cue file called l.cue\n"),
       "vantorel: l.txt:1: warning: \"" + kName148 +
           "\" is 148 bytes long, and Debian's cdrdao 1.2.4 aborts on a file name of 148 bytes or "
           "more; give the file a shorter name\n"},
      {"CD-TEXT that fits", {{"long.wav", "wav 18522000"}, {"l.txt", Titled(40)}}, {"l.txt"}, 0,
       Ends("\nWrote cue file called output.cue\n"), ""},
      {"CD-TEXT of more packs than a disc holds",
       {{"long.wav", "wav 18522000"}, {"l.txt", Titled(60)}},
       {"l.txt"},
       0,
       Ends("\nWrote cue file called output.cue\n"),
       "vantorel: warning: the CD-TEXT takes 340 packs of 12 bytes, more than the 255 a disc "
       "holds (cdrdao writes 257 or more corrupt); the performer \"The Night Owls\" on 60 tracks "
       "takes 70 of them; shorter titles and performers fit\n"},

      // tlist.txt wins over the first argument, which is said on standard error; the second
      // names the cue file, with exactly two arguments.
      {"tlist.txt before the first argument",
       {{"t.wav", "wav 0"}, {"arg.wav", "wav 0"}, {"tlist.txt", "t.wav\n"}, {"o.txt", "arg.wav\n"}},
       {"o.txt", "x.cue"},
       0,
       {},
       Starts("vantorel: warning: reading tlist.txt, not o.txt: a tlist.txt in the working "
              "directory always comes first; rename it to use o.txt\n"),
       {{"x.cue", OneFileCue("t.wav")}, {"output.cue", kNoFile}}},
      {"the cue file's name by default",
       {{"t.wav", "wav 0"}, {"arg.wav", "wav 0"}, {"tlist.txt", "t.wav\n"}, {"o.txt", "arg.wav\n"}},
       {"o.txt"},
       0,
       Ends("\nWrote cue file called output.cue\n"),
       {},
       {{"output.cue", OneFileCue("t.wav")}}},
      {"three arguments",
       {{"arg.wav", "wav 0"}, {"o.txt", "arg.wav\n"}},
       {"o.txt", "y.cue", "z.cue"},
       0,
       {},
       {},
       {{"output.cue", OneFileCue("arg.wav")}, {"y.cue", kNoFile}}},
      {"a cue file's name as long as a directory takes",
       {{"arg.wav", "wav 0"}, {"o.txt", "arg.wav\n"}},
       {"o.txt", std::string(255, 'c')},
       0,
       {},
       {},
       {{std::string(255, 'c'), OneFileCue("arg.wav")}}},
      // A tlist.txt that cannot be read as a list is passed over, as a missing one is.
      {"tlist.txt a directory",
       {{"arg.wav", "wav 0"}, {"o.txt", "arg.wav\n"}, {"tlist.txt", "dir"}},
       {"o.txt", "w.cue"},
       0,
       {},
       {},
       {{"w.cue", OneFileCue("arg.wav")}}},
      {"tlist.txt a directory, and no arguments", {{"tlist.txt", "dir"}}, {}, 1, kUsage},

      {"--version before any list",
       {{"tlist.txt", "missing.wav\n"}},
       {"--version"},
       0,
       "vantorel 1.0\n",
       "",
       {{"output.cue", kNoFile}}},

      // With --strict, a run that warned ends with a status of its own; everything else is as
      // without it: the sheet is written and reported. A note, and 99 tracks, warn of nothing.
      {"--strict, clean",
       {{"a.wav", "wav 882000"}, {"c.txt", "a.wav\nS 00:10:00\n"}},
       {"--strict", "c.txt", "c.cue"},
       0,
       Ends("\nWrote cue file called c.cue\n")},
      {"--strict, warned",
       {{"a.wav", "wav 882000"}, {"w.txt", "a.wav\nS 00:10\n"}},
       {"--strict", "w.txt", "w.cue"},
       4,
       Ends("\nWrote cue file called w.cue\n"),
       Starts("vantorel: w.txt:2: warning: ")},
      {"warned, without --strict",
       {{"a.wav", "wav 882000"}, {"w.txt", "a.wav\nS 00:10\n"}},
       {"w.txt", "p.cue"},
       0,
       Ends("\nWrote cue file called p.cue\n")},
      {"a list called --strict",
       {{"a.wav", "wav 882000"}, {"--strict", "a.wav\n"}},
       {"--strict", "./--strict"},
       0,
       Ends("\nWrote cue file called output.cue\n")},
      {"--strict and a note",
       {{"a.wav", "wav 882000"}, {"p.wav", "wav 220501"}, {"n.txt", "p.wav\na.wav\n"}},
       {"--strict", "n.txt", "n.cue"},
       0,
       Ends("\nWrote cue file called n.cue\n")},
      {"--strict and 99 tracks",
       {{"long.wav", "wav 18522000"}, {"99.txt", k99}},
       {"--strict", "99.txt", "99.cue"},
       0,
       Ends("\nWrote cue file called 99.cue\n")},
      {"--strict and 100 tracks",
       {{"long.wav", "wav 18522000"}, {"100.txt", k99 + "S 06:36:00\n"}},
       {"--strict", "100.txt", "100.cue"},
       4,
       Ends("\nWrote cue file called 100.cue\n")},

      // b b.wav ends a sample into a frame, which the burner pads to a whole one; the pregap
      // before track 1 follows the 2 seconds every CD has. The sheet is as without the view.
      {"the tracks' view",
       {{"a.wav", "wav 882000"},
        {"b b.wav", "wav 441001"},
        {"album.txt", "a.wav\nP 00:01:00\nS 00:05:30\nb b.wav\nS 00:04:00\nP 00:02:00\n"}},
       {"--tracks", "album.txt", "album.cue"},
       0,
       kReportHeader + "1\ta.wav\t\t0:20:0\n2\tb b.wav\t\t0:10:0\n\nTotal Time:  0 min : 30 sec\n" +
           kTrackHeader +
           "    1  00:00:00        00:01:00        00:01:00  00:05:30  a.wav\n"
           "    2  00:05:30        00:06:30        00:00:00  00:14:45  a.wav\n"
           "    3  00:00:00        00:21:00        00:00:00  00:04:00  b b.wav\n"
           "    4  00:04:00        00:27:00        00:02:00  00:06:01  b b.wav\n"
           "\nDisc length: 00:33:01\n\nWrote cue file called album.cue\n",
       "vantorel: album.txt:2: note: \"P 00:01:00\" adds its silence to the 2 seconds of silence "
       "before track 1 that every CD has, so the first song starts after 00:03:00; remove the line "
       "for 2 seconds alone\n",
       {{"album.cue",
         "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    PREGAP 00:01:00\n    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    INDEX 01 00:05:30\nFILE \"b b.wav\" WAVE\n  TRACK 03 AUDIO\n"
         "    INDEX 01 00:00:00\n  TRACK 04 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:04:00\n"}}},
      // Options stand anywhere before a --, and each may be given again; after it, every
      // argument is a name. A time that cannot be read is not placed.
      {"options first",
       {{"a.wav", "wav 882000"}, {"w.txt", "a.wav\nS 00:10\n"}},
       {"--strict", "--tracks", "w.txt", "w.cue"},
       4,
       kWarnedView},
      {"options anywhere, and again",
       {{"a.wav", "wav 882000"}, {"w.txt", "a.wav\nS 00:10\n"}},
       {"w.txt", "--tracks", "w.cue", "--strict", "--tracks"},
       4,
       kWarnedView},
      {"a name after --",
       {{"a.wav", "wav 882000"}, {"--tracks", "a.wav\n"}},
       {"--tracks", "--", "--tracks"},
       0,
       Has({kTrackHeader + "    1  00:00:00        00:00:00        00:00:00  00:20:00  a.wav\n"})},
      {"an unknown option",
       {{"a.wav", "wav 882000"}, {"w.txt", "a.wav\n"}},
       {"w.txt", "--stirct"},
       1,
       "",
       "vantorel: unknown option \"--stirct\"; the options are --strict, --tracks, --script, "
       "--help and --version; name a file whose name starts with - as ./--stirct\n",
       {{"output.cue", kNoFile}}},

      // A track too short, a time without frames and a WAV name in mixed case: standard output,
      // the sheet and the status are those of the list without them.
      {"warnings change nothing but standard error",
       {{"a.wav", "wav 882000"}, {"album.txt", "a.wav\nS 00:02:00\n\nS 00:10\ntrack.Wav\n"}},
       {"album.txt", "album.cue"},
       0,
       kReportHeader + "1\ta.wav\t\t0:20:0\n\nTotal Time:  0 min : 20 sec\n" +
           "\nWrote cue file called album.cue\n",
       Has({"vantorel: album.txt:2: warning: the track before \"S 00:02:00\" lasts",
            "\nvantorel: album.txt:4: warning: \"S 00:10\" gives two numbers",
            "\nvantorel: album.txt:5: warning: \"track.Wav\" is not read as a WAV file"}),
       {{"album.cue", OneFileCue("a.wav") +
                          "  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n"
                          "  TRACK 03 AUDIO\n    INDEX 01 00:10\n"}}},
      {"an empty list",
       {{"tlist.txt", "\r\n\n"}},
       {},
       0,
       kEmptyReport + "\nWrote cue file called output.cue\n",
       {},
       {{"output.cue", ""}}},

      // A list that cannot be used; a WAV file named where the list belongs, small or over the
      // list's limit; a list at its limit and one byte over.
      {"a list that is not there",
       {},
       {"nothere.txt"},
       1,
       "Cannot open track list called nothere.txt: No such file or directory\n"},
      {"a list that is a directory",
       {{"adir", "dir"}},
       {"adir", "x.cue"},
       1,
       "Cannot open track list called adir: Is a directory\n",
       "",
       {{"x.cue", kNoFile}}},
      {"a WAV file for a list", {{"song.wav", "wav 0"}}, {"song.wav", "x.cue"}, 2, {},
       Starts("vantorel: warning: song.wav" + kIsWav)},
      {"a long WAV file for a list", {{"long.wav", "wav 1048576"}}, {"long.wav", "x.cue"}, 1, {},
       Starts("vantorel: warning: long.wav" + kIsWav)},
      {"a list at its limit", {{"big.txt", std::string(1024 * 1024, '\n')}}, {"big.txt"}, 0},
      {"a list over its limit",
       {{"big.txt", std::string(1024 * 1024 + 1, '\n')}},
       {"big.txt"},
       1,
       "Track list called big.txt is too large\n",
       "",
       {{"output.cue", kNoFile}}},

      // 128 lines and more, and more tracks than a CD holds: every line counts.
      {"many tracks",
       {{"t.wav", "wav 0"}, {"tlist.txt", "t.wav\n" + [] {
          std::string list;
          for (int i = 1; i < 128; ++i) list += "S " + std::to_string(i) + "\n";
          return list;
        }()}},
       {},
       0,
       kReportHeader +
           "1\tt.wav\t\t0:0:0\n\nTotal Time:  0 min : 0 sec\n"
           "Cue sheet has more than 99 tracks; a CD holds at most 99\n"
           "\nWrote cue file called output.cue\n",
       {},
       {{"output.cue", Has({OneFileCue("t.wav") + "  TRACK 02 AUDIO\n    INDEX 01 1\n",
                            "  TRACK 128 AUDIO\n    INDEX 01 127\n"})}}},
      {"lines past the 128th",
       {{"t.wav", "wav 0"}, {"arg.wav", "wav 0"}, {"tlist.txt", [] {
          std::string list = "t.wav\n";
          for (int i = 1; i < 128; ++i) list += "S " + std::to_string(i) + "\n";
          return list + "P 00:02:00\narg.wav\n";
        }()}},
       {},
       0,
       Starts(kReportHeader + "1\tt.wav\t\t0:0:0\n2\targ.wav\t\t0:0:0\n"),
       {},
       {{"output.cue", Ends("  TRACK 128 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 127\n"
                            "FILE \"arg.wav\" WAVE\n  TRACK 129 AUDIO\n    INDEX 01 00:00:00\n")}}},

      // Which errors the cue file's writer meets is its own test; here its error and its
      // refusals are said, and nothing is changed.
      {"a full disk",
       {{"one.wav", "wav 44100"}, {"tlist.txt", "one.wav\n"}},
       {"ignored.txt", "/dev/full"},
       3,
       one_second + "Cannot write cue file called /dev/full: No space left on device\n"},
      {"the list as the cue file",
       {{"one.wav", "wav 44100"}, {"tlist.txt", "one.wav\n"}},
       {"ignored.txt", "tlist.txt"},
       3,
       one_second + "Cannot write cue file called tlist.txt: it is the track list\n",
       {},
       {{"tlist.txt", "one.wav\n"}}},
      {"a WAV file as the cue file, by a link or another name",
       {{"one.wav", "wav 44100"},
        {"tlist.txt", "one.wav\n"},
        {"link.wav", "-> one.wav"},
        {"hard.wav", "== one.wav"}},
       {"ignored.txt", "hard.wav"},
       3,
       one_second + "Cannot write cue file called hard.wav: it is a WAV file of the list\n",
       {},
       {{"one.wav", Starts(WavHeader(44100))}}},
      {"a WAV file's link as the cue file",
       {{"one.wav", "wav 44100"}, {"tlist.txt", "one.wav\n"}, {"link.wav", "-> one.wav"}},
       {"ignored.txt", "link.wav"},
       3,
       one_second + "Cannot write cue file called link.wav: it is a WAV file of the list\n"},
      {"a WAV file as the cue file",
       {{"one.wav", "wav 44100"}, {"tlist.txt", "one.wav\n"}},
       {"ignored.txt", "./one.wav"},
       3,
       one_second + "Cannot write cue file called ./one.wav: it is a WAV file of the list\n"},
      // Where the cue file goes, standard output among the rest, is the targets' test.
      {"standard output that cannot be written",
       {{"a.wav", "wav 0"}, {"tlist.txt", "a.wav\n"}},
       {},
       3,
       {},
       Ends("vantorel: cannot write to standard output: No space left on device\n"),
       {},
       {.stdout_path = "/dev/full"}},

      // A WAV file that cannot be used, after a good one: nothing of the report is printed, the
      // list's line is named, and the old sheet stays.
      {"a WAV file that is not there",
       BadThird("missing.wav"),
       {"tlist.txt", "keep.cue"},
       2,
       "Cannot find file in track list called missing.wav\n",
       "vantorel: tlist.txt:3: error: cannot open \"missing.wav\"" + kNotOpened,
       {{"keep.cue", "old"}, {"output.cue", kNoFile}}},
      {"no data block",
       BadThird("nodata.wav"),
       {"tlist.txt", "keep.cue"},
       2,
       "Can't find data block in wave file!\n",
       "vantorel: tlist.txt:3: error: \"nodata.wav\" has no data block at an even position in its "
       "first 15000 bytes; convert it with sox\n",
       {{"keep.cue", "old"}}},
      {"no format block",
       BadThird("nofmt.wav"),
       {"tlist.txt", "keep.cue"},
       2,
       "Can't find format chunk in wave file!\nUnsupported format in wave file called nofmt.wav\n",
       "vantorel: tlist.txt:3: warning: \"nofmt.wav\" has no fmt block in its first 15000 bytes, "
       "so its length is probably wrong; convert it with sox\n"
       "vantorel: tlist.txt:3: error: \"nofmt.wav\" gives no channels, fewer than 8 bits a sample "
       "or a sample rate of 0; convert it with sox\n"},
      {"no channels",
       BadThird("zero.wav"),
       {"tlist.txt", "keep.cue"},
       2,
       "Unsupported format in wave file called zero.wav\n",
       "vantorel: tlist.txt:3: " + kZero},
      {"a directory",
       BadThird("dir.wav"),
       {"tlist.txt", "keep.cue"},
       2,
       "Cannot read file in track list called dir.wav: Is a directory\n",
       "vantorel: tlist.txt:3: " + kDirWav},
      // Only a name that ends in blanks is tried without them.
      {"a name that ends in blanks",
       BadThird("good.wav \t"),
       {"tlist.txt", "keep.cue"},
       2,
       "Cannot find file in track list called good.wav \t\n",
       "vantorel: tlist.txt:3: error: cannot open \"good.wav \t\": No such file or directory; "
       "check the name, relative to the working directory; the name ends in 2 blanks that the "
       "file's name lacks: write the line as \"good.wav\"\n"},
      // A file that its mode lets no one read; root reads it all the same, and so runs the tool
      // as another user.
      {"a file no one may read",
       [] {
         std::vector<File> files = BadThird("locked.wav");
         files.push_back({"locked.wav", "wav 0"});
         files.push_back({"locked.wav", "mode 0"});
         return files;
       }(),
       {"tlist.txt", "keep.cue"},
       2,
       "Cannot find file in track list called locked.wav\n",
       "vantorel: tlist.txt:3: error: cannot open \"locked.wav\": Permission denied; check the "
       "name, relative to the working directory\n",
       {},
       {.as_nobody = geteuid() == 0}},
      // Every file that cannot be used is named on standard error in one run; standard output
      // tells of the first.
      {"every file that cannot be used",
       [] {
         std::vector<File> files = BadThird("");
         files.back().is = "missing.wav\ngood.wav\nzero.wav\ndir.wav\n";
         return files;
       }(),
       {"tlist.txt", "keep.cue"},
       2,
       "Cannot find file in track list called missing.wav\n",
       "vantorel: tlist.txt:1: error: cannot open \"missing.wav\"" + kNotOpened +
           "vantorel: tlist.txt:3: " + kZero + "vantorel: tlist.txt:4: " + kDirWav},
      {"a missing format block is only a warning",
       {{"odd.wav", NoFormatBlock()}, {"tlist.txt", "odd.wav\n"}},
       {},
       0,
       "Can't find format chunk in wave file!\n" + kReportHeader +
           "1\todd.wav\t\t0:1:0\n\nTotal Time:  0 min : 1 sec\n\nWrote cue file called "
           "output.cue\n"},

      // The free names of the files the script makes: none a file has, a line of the list
      // names or another fix takes; a file named twice is made once.
      {"two files of one stem",
       {{"a.flac", "x"}, {"a.mp3", "x"}, {"tlist.txt", "a.flac\na.mp3\n"}},
       {"--script"},
       0,
       Once({"place './1.wav' '../a-cd.wav'\n", "place './2.wav' '../a-cd2.wav'\n"})},
      {"a name a line holds",
       {{"a.flac", "x"}, {"tlist.txt", "a.flac\n# a note\na-cd.wav\n"}},
       {"--script"},
       0,
       Once({"place './1.wav' '../a-cd2.wav'\n"})},
      {"names taken in the folder",
       {{"a.flac", "x"}, {"a-cd.wav", "x"}, {"a-cd2.wav", "-> gone"}, {"tlist.txt", "a.flac\n"}},
       {"--script"},
       0,
       Once({"place './1.wav' '../a-cd3.wav'\n"})},
      {"a file named twice",
       {{"a.flac", "x"}, {"tlist.txt", "a.flac\na.flac\n./a.flac\n"}},
       {"--script"},
       0,
       Once({"place './1.wav' '../a-cd.wav'\n", "printf 'a-cd.wav\na-cd.wav\na-cd.wav\n' > './list'\n"})},
      // A folder whose names cannot be read: each name is looked up.
      {"a folder no one may read",
       {{"d", "dir"}, {"d/a.flac", "x"}, {"d/a-cd.wav", "x"}, {"tlist.txt", "d/a.flac\n"},
        {"d", "mode 311"}},
       {"--script"},
       0,
       Once({"place './1.wav' '../d/a-cd2.wav'\n"}),
       {},
       {},
       {.as_nobody = geteuid() == 0}},
      // A cue sheet that is the list read first gives way to its track list, kept as it was.
      {"a cue sheet called tlist.txt",
       {{"a.wav", "wav 441000"},
        {"tlist.txt", "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"}},
       {"--script"},
       0,
       Has({"cat < '../tlist.txt' > './orig'\n", "place './orig' '../tlist.txt.orig'\n",
            "mv -f -T -- './list' '../tlist.txt'\n"})},
  };
  for (const Row& r : rows) Check(r);
}

TEST_F(Vantorel, HelpBeforeAnyListAndItsExample) {
  Put("tlist.txt", "missing.wav\n");
  Outcome help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(
      help.out.starts_with("Usage: vantorel [--strict] [--tracks] [--script] [list [cuefile]]\n"))
      << help.out;
  EXPECT_TRUE(help.out.ends_with("\nSee vantorel(1).\n")) << help.out;
  for (size_t line = 0; line < help.out.size(); line = help.out.find('\n', line) + 1) {
    EXPECT_LE(help.out.find('\n', line) - line, 80u) << help.out.substr(line);
  }
  EXPECT_EQ(Run({"-h"}).out, help.out);
  EXPECT_EQ(Entries(), std::vector<std::string>{"tlist.txt"});

  // The help's example is a list that runs clean.
  std::string example = help.out.substr(help.out.find("For example:\n") + 13);
  example = example.substr(0, example.find("\n\n") + 1);
  for (size_t indent; (indent = example.find("  ")) != std::string::npos;) example.erase(indent, 2);
  EXPECT_EQ(example,
            "live-set.wav\nTITLE Opening\nS 00:05:00 Second Song\nencore.wav\nTITLE Encore\n"
            "P 00:02:00\nDISC TITLE Live at the Mill\nDISC PERFORMER The Night Owls\n");
  PutWav("live-set.wav", 20 * 44100);
  PutWav("encore.wav", 10 * 44100);
  Put("tlist.txt", example);
  Outcome o = Run({"--strict"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

TEST_F(Vantorel, ListFromAPipe) {
  PutWav("a.wav", 2646000);
  // A FIFO fed by a child process, as with process substitution.
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  pid_t writer = fork();
  if (writer == 0) {
    int fd = open(Path("fifo").c_str(), O_WRONLY);
    (void)!write(fd, "a.wav\nS 00:10:00\n", 17);
    _exit(0);
  }
  Outcome o = Run({"fifo", "out.cue"});
  waitpid(writer, nullptr, 0);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("out.cue"),
            "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n");
}

}  // namespace
