// End-to-end tests: the built tool runs in a fresh temporary directory, and its standard output,
// exit status and the files it writes are compared byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/tool_fixture.h"

namespace {

using namespace std::string_literals;

TEST_F(Vantorel, UsageWithoutListOrArguments) {
  Outcome o = Run({});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, kUsage);
  EXPECT_EQ(o.err, "");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(Vantorel, TheWholeRun) {
  PutWav("a.wav", 2646000);
  PutWav("b.wav", 9062550);
  Put("album.txt", "a.wav\r\nS 00:30:00\r\nP 00:02:00\r\n\r\nb.wav\r\n");
  Outcome o = Run({"album.txt", "album.cue"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out, kReportHeader +
                       "1\ta.wav\t\t1:0:0\n"
                       "2\tb.wav\t\t3:25:37\n"
                       "\nTotal Time:  4 min : 25 sec\n"
                       "\nWrote cue file called album.cue\n");
  EXPECT_EQ(Read("album.cue"),
            "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:30:00\n"
            "FILE \"b.wav\" WAVE\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n");
}

TEST_F(Vantorel, TitlesAndPerformers) {
  // The bundled example with a title for every track, and the disc's title and performer, which
  // every track takes.
  PutWav("live-set.wav", 20 * 44100);
  PutWav("encore.wav", 6 * 44100);
  Put("titles.txt",
      "live-set.wav\nTITLE Opening\nS 00:05:00\nTITLE Second Song\nS 00:12:30\nTITLE Third Song\n"
      "encore.wav\nTITLE Encore\nP 00:02:00\nDISC TITLE Live at the Mill\n"
      "DISC PERFORMER The Night Owls\n");
  Outcome o = Run({"titles.txt"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kReportHeader +
                       "1\tlive-set.wav\t\t0:20:0\n"
                       "2\tencore.wav\t\t0:6:0\n"
                       "\nTotal Time:  0 min : 26 sec\n"
                       "\nWrote cue file called output.cue\n");
  EXPECT_EQ(Read("output.cue"),
            "TITLE \"Live at the Mill\"\n"
            "PERFORMER \"The Night Owls\"\n"
            "FILE \"live-set.wav\" WAVE\n"
            "  TRACK 01 AUDIO\n"
            "    TITLE \"Opening\"\n"
            "    PERFORMER \"The Night Owls\"\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n"
            "    TITLE \"Second Song\"\n"
            "    PERFORMER \"The Night Owls\"\n"
            "    INDEX 01 00:05:00\n"
            "  TRACK 03 AUDIO\n"
            "    TITLE \"Third Song\"\n"
            "    PERFORMER \"The Night Owls\"\n"
            "    INDEX 01 00:12:30\n"
            "FILE \"encore.wav\" WAVE\n"
            "  TRACK 04 AUDIO\n"
            "    TITLE \"Encore\"\n"
            "    PERFORMER \"The Night Owls\"\n"
            "    PREGAP 00:02:00\n"
            "    INDEX 01 00:00:00\n");
  EXPECT_EQ(o.err, "");

  // Each warning of CD-TEXT that cdrdao will not burn as it is, and of a FILE name too long for
  // Debian's cdrdao, as standard error says it; each list is whole but for that one thing.
  const std::string disc = "DISC TITLE Live\nDISC PERFORMER Owls\n";
  const std::string name147 = std::string(143, 'n') + ".wav", name148 = 'n' + name147;
  PutWav(name147, 44100 * 4);
  PutWav(name148, 44100 * 4);
  // Tracks of 4 seconds, each with a title of 50 characters after its time, the disc's title of
  // as many and a performer of 14 for all: 230 packs for 40 tracks, 340 for 60.
  PutWav("long.wav", 240 * 44100);
  auto titled = [](int tracks) {
    std::string list = "long.wav\nTITLE " + std::string(50, 'a') + "\nDISC TITLE " +
                       std::string(50, 'd') + "\nDISC PERFORMER The Night Owls\n";
    for (int seconds = 4; seconds < tracks * 4; seconds += 4) {
      std::string time = std::to_string(100 + seconds / 60).substr(1) + ":" +
                         std::to_string(100 + seconds % 60).substr(1) + ":00";
      list += "S " + time + " Track at " + time + std::string(33, '.') + "\n";
    }
    return list;
  };
  struct Case {
    std::string list, err;
  } cases[] = {
      {"live-set.wav\nTITLE Café “Noir”\n" + disc,
       "vantorel: l.txt:2: warning: \"TITLE Café “Noir”\" gives a text cdrdao cannot burn as it "
       "is, which is written as \"Cafe 'Noir'\": ASCII alone, without \" or \\, at most 80 "
       "characters; write the line as \"TITLE Cafe 'Noir'\"\n"},
      {"live-set.wav\nTITLE Opening\nPERFORMER \"\"\n" + disc,
       "vantorel: l.txt:3: warning: \"PERFORMER \"\"\" gives no text, which cdrdao refuses, so "
       "nothing is written for it; write the text or remove the line\n"},
      {"live-set.wav\nTITLE Opening\nTITLE Overture\n" + disc + "DISC PERFORMER Others\n",
       "vantorel: l.txt:3: warning: \"TITLE Overture\" gives the track a second title, which "
       "cdrdao refuses; the first, on line 2, stands: remove one of them\n"
       "vantorel: l.txt:6: warning: \"DISC PERFORMER Others\" gives the disc a second performer, "
       "which cdrdao refuses; the first, on line 5, stands: remove one of them\n"},
      {"live-set.wav\nTITLE Opening\nDISC PERFORMER Owls\n",
       "vantorel: warning: the cue sheet has CD-TEXT but no title for the disc, without which "
       "cdrdao will not burn it; write the title on a line after the first as \"DISC TITLE\" and "
       "the title\n"},
      {"live-set.wav\nTITLE Opening\nDISC TITLE Live\n",
       "vantorel: warning: the cue sheet has CD-TEXT but no performer for the disc, without which "
       "cdrdao will not burn it; write the name on a line after the first as \"DISC PERFORMER\" "
       "and the name, which every track without a PERFORMER line takes\n"},
      {"live-set.wav\nTITLE Opening\nS 00:05:00\nP 00:02:00\n" + disc,
       "vantorel: l.txt:3: warning: the track that \"S 00:05:00\" starts has no title, without "
       "which cdrdao will not burn the sheet's CD-TEXT; write the title on the line after it as "
       "\"TITLE\" and the title\n"},
      {name147 + "\n", ""},
      {name148 + "\n", "vantorel: l.txt:1: warning: \"" + name148 +
                           "\" is 148 bytes long, and Debian's cdrdao 1.2.4 aborts on a file name "
                           "of 148 bytes or more; give the file a shorter name\n"},
      {titled(40), ""},
      {titled(60),
       "vantorel: warning: the CD-TEXT takes 340 packs of 12 bytes, more than the 255 a disc "
       "holds (cdrdao writes 257 or more corrupt); the performer \"The Night Owls\" on 60 tracks "
       "takes 70 of them; shorter titles and performers fit\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list.substr(0, 80));
    Put("l.txt", c.list);
    o = Run({"l.txt", "l.cue"});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.ends_with("\nWrote cue file called l.cue\n")) << o.out;
    EXPECT_EQ(o.err, c.err);
  }
}

TEST_F(Vantorel, ChoiceOfListAndCueFile) {
  PutWav("t.wav", 0);
  PutWav("arg.wav", 0);
  Put("tlist.txt", "t.wav\n");
  Put("other.txt", "arg.wav\n");
  const std::string t_cue = OneFileCue("t.wav");

  // tlist.txt wins over the first argument, which is said on standard error; the second names
  // the cue file.
  Outcome o = Run({"other.txt", "x.cue"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("x.cue"), t_cue);
  EXPECT_FALSE(Exists("output.cue"));
  EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
            "vantorel: warning: reading tlist.txt, not other.txt: a tlist.txt in the working "
            "directory always comes first; rename it to use other.txt\n");

  o = Run({"other.txt"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("output.cue"), t_cue);
  EXPECT_NE(o.out.find("\nWrote cue file called output.cue\n"), std::string::npos);

  // Without tlist.txt the first argument is the list; with three arguments the cue file keeps
  // its default name.
  unlink(Path("tlist.txt").c_str());
  unlink(Path("output.cue").c_str());
  o = Run({"other.txt", "y.cue", "z.cue"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("output.cue"), OneFileCue("arg.wav"));
  EXPECT_FALSE(Exists("y.cue"));

  // A long second argument is used whole, up to the longest name a directory takes.
  std::string long_name(255, 'c');
  EXPECT_EQ(Run({"other.txt", long_name}).status, 0);
  EXPECT_TRUE(Exists(long_name));

  // A tlist.txt that cannot be read as a list is passed over, as a missing one is.
  ASSERT_EQ(mkdir(Path("tlist.txt").c_str(), 0755), 0);
  o = Run({"other.txt", "w.cue"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("w.cue"), OneFileCue("arg.wav"));
  EXPECT_EQ(Run({}).out, kUsage);
}

TEST_F(Vantorel, HelpAndVersionBeforeAnyList) {
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
  Outcome o = Run({"--version"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "vantorel 1.0\n");
  EXPECT_EQ(o.err, "");
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
  o = Run({"--strict"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
}

TEST_F(Vantorel, StrictEndsAWarnedRunWithItsOwnStatus) {
  PutWav("a.wav", 20 * 44100);
  Put("clean.txt", "a.wav\nS 00:10:00\n");
  Put("warned.txt", "a.wav\nS 00:10\n");
  Put("--strict", "a.wav\n");
  // Only a note: p.wav ends a sample into a CD frame, before a.wav.
  PutWav("p.wav", 5 * 44100 + 1);
  Put("noted.txt", "p.wav\na.wav\n");
  // 99 tracks of at least 4 seconds, as many as a CD holds, and then one more.
  PutWav("long.wav", 420 * 44100);
  std::string most = "long.wav\n";
  for (int seconds = 4; seconds < 99 * 4; seconds += 4) {
    most += "S 0" + std::to_string(seconds / 60) + ":" + (seconds % 60 < 10 ? "0" : "") +
            std::to_string(seconds % 60) + ":00\n";
  }
  Put("99.txt", most);
  Put("100.txt", most + "S 06:36:00\n");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string cue;
  } cases[] = {
      {{"--strict", "clean.txt", "c.cue"}, 0, "c.cue"},
      {{"--strict", "warned.txt", "w.cue"}, 4, "w.cue"},
      {{"warned.txt", "plain.cue"}, 0, "plain.cue"},
      {{"--strict", "./--strict"}, 0, "output.cue"},
      {{"--strict", "noted.txt", "n.cue"}, 0, "n.cue"},
      {{"--strict", "99.txt", "99.cue"}, 0, "99.cue"},
      {{"--strict", "100.txt", "100.cue"}, 4, "100.cue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    Outcome o = Run(c.args);
    EXPECT_EQ(o.status, c.status);
    // Everything else is as without --strict: the sheet is written and reported.
    EXPECT_TRUE(o.out.ends_with("\nWrote cue file called " + c.cue + "\n")) << o.out;
    EXPECT_TRUE(Exists(c.cue));
  }
}

TEST_F(Vantorel, TracksViewFollowsTheLengths) {
  // b b.wav ends a sample into a frame, which the burner pads to a whole one.
  PutWav("a.wav", 20 * 44100);
  PutWav("b b.wav", 10 * 44100 + 1);
  Put("album.txt", "a.wav\nP 00:01:00\nS 00:05:30\nb b.wav\nS 00:04:00\nP 00:02:00\n");
  const std::string header = "\nTrack  Starts in file  Starts on disc  Pregap    Length    File\n";
  Outcome o = Run({"--tracks", "album.txt", "album.cue"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kReportHeader +
                       "1\ta.wav\t\t0:20:0\n"
                       "2\tb b.wav\t\t0:10:0\n"
                       "\nTotal Time:  0 min : 30 sec\n" +
                       header +
                       "    1  00:00:00        00:01:00        00:01:00  00:05:30  a.wav\n"
                       "    2  00:05:30        00:06:30        00:00:00  00:14:45  a.wav\n"
                       "    3  00:00:00        00:21:00        00:00:00  00:04:00  b b.wav\n"
                       "    4  00:04:00        00:27:00        00:02:00  00:06:01  b b.wav\n"
                       "\nDisc length: 00:33:01\n"
                       "\nWrote cue file called album.cue\n");
  // The pregap before track 1 follows the 2 seconds every CD has.
  EXPECT_EQ(o.err,
            "vantorel: album.txt:2: note: \"P 00:01:00\" adds its silence to the 2 seconds of "
            "silence before track 1 that every CD has, so the first song starts after 00:03:00; "
            "remove the line for 2 seconds alone\n");
  std::string cue = Read("album.cue");
  // The sheet is the same without the view.
  EXPECT_EQ(Run({"album.txt", "album.cue"}).status, 0);
  EXPECT_EQ(Read("album.cue"), cue);

  // With --strict, before or after --tracks. A time that cannot be read is not placed.
  Put("warned.txt", "a.wav\nS 00:10\n");
  const std::string warned =
      kReportHeader + "1\ta.wav\t\t0:20:0\n\nTotal Time:  0 min : 20 sec\n" + header +
      "    1  00:00:00        00:00:00        00:00:00  ?         a.wav\n"
      "    2  ?               ?               00:00:00  ?         a.wav\n"
      "\nDisc length: ?\n"
      "A ? stands where a time cannot be read or a split is out of place; the warnings name "
      "the line.\n"
      "\nWrote cue file called w.cue\n";
  // Options stand anywhere before a --, and each may be given again; after it, every argument
  // is a name. An argument that looks like an option and is none is refused.
  for (std::vector<std::string> args :
       {std::vector<std::string>{"--strict", "--tracks", "warned.txt", "w.cue"},
        {"warned.txt", "--tracks", "w.cue", "--strict", "--tracks"}}) {
    SCOPED_TRACE(args[0]);
    o = Run(args);
    EXPECT_EQ(o.status, 4);
    EXPECT_EQ(o.out, warned);
  }
  Put("--tracks", "a.wav\n");
  o = Run({"--tracks", "--", "--tracks"});
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(
      o.out.find(header + "    1  00:00:00        00:00:00        00:00:00  00:20:00  a.wav\n"),
      std::string::npos)
      << o.out;
  o = Run({"warned.txt", "--stirct"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "vantorel: unknown option \"--stirct\"; the options are --strict, --tracks, --script, "
            "--help and --version; name a file whose name starts with - as ./--stirct\n");
}

TEST_F(Vantorel, WarningsChangeNothingButStandardError) {
  // A track too short, a time without frames and a WAV name in mixed case. Standard output, the
  // cue file and the status are those of the list without its problems.
  PutWav("a.wav", 20 * 44100);
  Put("album.txt", "a.wav\nS 00:02:00\n\nS 00:10\ntrack.Wav\n");
  Outcome o = Run({"album.txt", "album.cue"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kReportHeader + "1\ta.wav\t\t0:20:0\n\nTotal Time:  0 min : 20 sec\n" +
                       "\nWrote cue file called album.cue\n");
  EXPECT_EQ(Read("album.cue"), OneFileCue("a.wav") +
                                   "  TRACK 02 AUDIO\n    INDEX 01 00:02:00\n"
                                   "  TRACK 03 AUDIO\n    INDEX 01 00:10\n");
  // The wording of each warning is the texts' own test; here each names its line.
  const std::string starts[] = {
      "vantorel: album.txt:2: warning: the track before \"S 00:02:00\" lasts",
      "vantorel: album.txt:4: warning: \"S 00:10\" gives two numbers",
      "vantorel: album.txt:5: warning: \"track.Wav\" is not read as a WAV file",
  };
  size_t at = 0;
  for (const std::string& start : starts) {
    EXPECT_EQ(o.err.compare(at, start.size(), start), 0) << o.err;
    at = o.err.find('\n', at) + 1;
  }
  EXPECT_EQ(at, o.err.size());
}

TEST_F(Vantorel, EmptyListWritesAnEmptyCueFile) {
  Put("tlist.txt", "\r\n\n");
  Outcome o = Run({});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kEmptyReport + "\nWrote cue file called output.cue\n");
  EXPECT_EQ(Read("output.cue"), "");
}

TEST_F(Vantorel, ListThatCannotBeUsed) {
  Outcome o = Run({"nothere.txt"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "Cannot open track list called nothere.txt: No such file or directory\n");

  mkdir(Path("adir").c_str(), 0755);
  o = Run({"adir", "x.cue"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "Cannot open track list called adir: Is a directory\n");

  // A WAV file named where the list belongs, small or over the list's limit.
  PutWav("song.wav", 0);
  PutWav("long.wav", 1024 * 1024);
  for (std::string wav : {"song.wav", "long.wav"}) {
    o = Run({wav, "x.cue"});
    EXPECT_EQ(o.status, wav == "song.wav" ? 2 : 1);
    EXPECT_EQ(o.err.substr(0, o.err.find('\n') + 1),
              "vantorel: warning: " + wav +
                  " starts with RIFF: it is a WAV file, not a track list; name the track list "
                  "first, or make one of the WAV files here: ls *.wav > tlist.txt\n");
    unlink(Path(wav).c_str());
  }

  Put("big.txt", std::string(1024 * 1024, '\n'));
  EXPECT_EQ(Run({"big.txt"}).status, 0);
  Put("big.txt", std::string(1024 * 1024 + 1, '\n'));
  unlink(Path("output.cue").c_str());
  o = Run({"big.txt"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "Track list called big.txt is too large\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"adir", "big.txt"}));
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

TEST_F(Vantorel, ManyLinesAndManyTracks) {
  PutWav("a.wav", 0);
  std::string list = "a.wav\n";
  for (int i = 1; i < 128; ++i) list += "S " + std::to_string(i) + "\n";
  Put("tlist.txt", list);
  Outcome o = Run({});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, kReportHeader +
                       "1\ta.wav\t\t0:0:0\n"
                       "\nTotal Time:  0 min : 0 sec\n"
                       "Cue sheet has more than 99 tracks; a CD holds at most 99\n"
                       "\nWrote cue file called output.cue\n");
  std::string cue = Read("output.cue");

  // Every line counts, past the 128th too.
  PutWav("b.wav", 0);
  Put("tlist.txt", list + "P 00:02:00\nb.wav\n");
  o = Run({});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind(kReportHeader + "1\ta.wav\t\t0:0:0\n2\tb.wav\t\t0:0:0\n", 0), 0u);
  EXPECT_EQ(Read("output.cue"),
            cue.substr(0, cue.size() - 17) +
                "    PREGAP 00:02:00\n    INDEX 01 127\n"
                "FILE \"b.wav\" WAVE\n  TRACK 129 AUDIO\n    INDEX 01 00:00:00\n");
}

TEST_F(Vantorel, CueFileThatCannotBeWritten) {
  PutWav("a.wav", 44100);
  Put("tlist.txt", "a.wav\n");
  Put("keep.cue", "old");
  const std::string report = kReportHeader + "1\ta.wav\t\t0:1:0\n\nTotal Time:  0 min : 1 sec\n";
  symlink("a.wav", Path("link.wav").c_str());
  link(Path("a.wav").c_str(), Path("hard.wav").c_str());

  // Which errors the writer meets is its own test; here its error and its refusals are said.
  struct Case {
    std::string name, why;
  } cases[] = {
      {"/dev/full", "No space left on device"},     {"tlist.txt", "it is the track list"},
      {"./a.wav", "it is a WAV file of the list"},  {"link.wav", "it is a WAV file of the list"},
      {"hard.wav", "it is a WAV file of the list"},
  };
  std::string wav = Read("a.wav");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o = Run({"ignored.txt", c.name});
    EXPECT_EQ(o.status, 3);
    EXPECT_EQ(o.out, report + "Cannot write cue file called " + c.name + ": " + c.why + "\n");
  }
  EXPECT_EQ(Read("tlist.txt"), "a.wav\n");
  EXPECT_EQ(Read("a.wav"), wav);
  EXPECT_EQ(Read("keep.cue"), "old");
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"a.wav", "hard.wav", "keep.cue", "link.wav", "tlist.txt"}));
}

TEST_F(Vantorel, StandardOutputThatCannotBeWritten) {
  // Where the cue file goes, standard output among the rest, is the targets' test.
  PutWav("a.wav", 0);
  Put("tlist.txt", "a.wav\n");
  Outcome o = Run({}, {.stdout_path = "/dev/full"});
  EXPECT_EQ(o.status, 3);
  EXPECT_TRUE(
      o.err.ends_with("vantorel: cannot write to standard output: No space left on device\n"))
      << o.err;
}

TEST_F(Vantorel, WavFileThatCannotBeUsed) {
  PutWav("good.wav", 2646000);
  Put("nodata.wav", "RIFF\x24\0\0\0WAVEfmt "s + std::string(16, '\1') + "list");
  Put("nofmt.wav", "RIFF\x24\0\0\0WAVEFMT "s + std::string(16, '\1') + "data\4\0\0\0"s);
  std::string zero_channels = WavHeader(100);
  zero_channels[22] = 0;
  Put("zero.wav", zero_channels);
  mkdir(Path("dir.wav").c_str(), 0755);
  // A file that is there but that its mode lets no one read; root reads it all the same, and so
  // runs the tool as another user.
  PutWav("locked.wav", 0);
  chmod(Path("locked.wav").c_str(), 0);
  Put("keep.cue", "old");

  struct Case {
    std::string entry, out, err;
    bool locked_out = false;  // The run needs a user whom locked.wav keeps out.
  } cases[] = {
      {"missing.wav", "Cannot find file in track list called missing.wav\n",
       "error: cannot open \"missing.wav\": No such file or directory; check the name, relative to "
       "the working directory\n"},
      {"nodata.wav", "Can't find data block in wave file!\n",
       "error: \"nodata.wav\" has no data block at an even position in its first 15000 bytes; "
       "convert it with sox\n"},
      {"nofmt.wav",
       "Can't find format chunk in wave file!\nUnsupported format in wave file called nofmt.wav\n",
       "warning: \"nofmt.wav\" has no fmt block in its first 15000 bytes, so its length is "
       "probably wrong; convert it with sox\n"
       "vantorel: tlist.txt:3: error: \"nofmt.wav\" gives no channels, fewer than 8 bits a sample "
       "or a sample rate of 0; convert it with sox\n"},
      {"zero.wav", "Unsupported format in wave file called zero.wav\n",
       "error: \"zero.wav\" gives no channels, fewer than 8 bits a sample or a sample rate of 0; "
       "convert it with sox\n"},
      {"dir.wav", "Cannot read file in track list called dir.wav: Is a directory\n",
       "error: cannot read \"dir.wav\": Is a directory\n"},
      // Only a name that ends in blanks is tried without them.
      {"locked.wav", "Cannot find file in track list called locked.wav\n",
       "error: cannot open \"locked.wav\": Permission denied; check the name, relative to the "
       "working directory\n",
       true},
      {"good.wav \t", "Cannot find file in track list called good.wav \t\n",
       "error: cannot open \"good.wav \t\": No such file or directory; check the name, relative to "
       "the working directory; the name ends in 2 blanks that the file's name lacks: write the "
       "line as \"good.wav\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    // The bad file comes after a good one: nothing of the report is printed all the same. On
    // standard error the line of the list is named.
    Put("tlist.txt", "good.wav\n\n" + c.entry + "\n");
    Outcome o = Run({"tlist.txt", "keep.cue"}, {.as_nobody = c.locked_out && geteuid() == 0});
    if (!o.skipped.empty()) {
      std::cout << "SKIP: " << c.entry << ": " << o.skipped << "\n";
      continue;
    }
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(o.err, "vantorel: tlist.txt:3: " + c.err);
    EXPECT_EQ(Read("keep.cue"), "old");
    EXPECT_FALSE(Exists("output.cue"));
  }

  // Every file that cannot be used is named on standard error in one run; standard output tells
  // of the first.
  Put("tlist.txt", "missing.wav\ngood.wav\nzero.wav\ndir.wav\n");
  Outcome o = Run({"tlist.txt", "keep.cue"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, cases[0].out);
  EXPECT_EQ(o.err, "vantorel: tlist.txt:1: " + cases[0].err + "vantorel: tlist.txt:3: " +
                       cases[3].err + "vantorel: tlist.txt:4: " + cases[4].err);
}

TEST_F(Vantorel, MissingFormatBlockIsOnlyAWarning) {
  // The format fields are then read at 15000, which this file has, inside its second of audio.
  std::string wav = "RIFF\x24\0\0\0WAVEdata"s;
  PutLe(&wav, 16, 176400, 4);
  PutBytes(&wav, 20 + 176400 - 1, "\0"s);
  PutLe(&wav, 15010, 2, 2);
  PutLe(&wav, 15012, 44100, 4);
  PutLe(&wav, 15022, 16, 2);
  Put("tlist.txt", "odd.wav\n");
  Put("odd.wav", wav);
  Outcome o = Run({});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "Can't find format chunk in wave file!\n" + kReportHeader +
                       "1\todd.wav\t\t0:1:0\n"
                       "\nTotal Time:  0 min : 1 sec\n\nWrote cue file called output.cue\n");
}

}  // namespace
