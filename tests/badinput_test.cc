// Bad input of every kind meets a clear message and a defined exit status: never a crash, a hang,
// a half-written cue file or a damaged file of the user's.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "support/tool_fixture.h"

namespace {

using namespace std::string_literals;
using BadInput = Vantorel;

// A statement that the run ended by itself with one of its own statuses, and said anything more
// only in lines of its own on standard error.
void ExpectOrderlyEnd(const Outcome& o) {
  EXPECT_GE(o.status, 0);
  EXPECT_LE(o.status, 3) << o.out << o.err;
  for (size_t line = 0; line < o.err.size(); line = o.err.find('\n', line) + 1) {
    EXPECT_EQ(o.err.compare(line, 10, "vantorel: "), 0) << o.err;
    if (o.err.find('\n', line) == std::string::npos) break;
  }
}

TEST_F(BadInput, ListsOfEveryShape) {
  PutWav("a.wav", 44100);
  std::mt19937 rng(20261207);
  std::string noise(200 * 1024, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  Put("noise.txt", noise);
  Outcome o = Run({"noise.txt"});
  ExpectOrderlyEnd(o);
  EXPECT_EQ(o.status, 2);  // Its first line names no file.
  EXPECT_EQ(o.out.rfind("Cannot find file in track list called ", 0), 0u);

  // Lines of 10,000 characters: a name too long to open, and time texts that go in whole.
  std::string longest(10000, 't');
  Put("long.txt", "a.wav\nS " + longest + "\nP " + longest + "\n" + longest + ".wav\n");
  o = Run({"long.txt"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "Cannot find file in track list called " + longest + ".wav\n");
  Put("long.txt", "a.wav\nS " + longest + "\nP " + longest + "\n");
  o = Run({"long.txt"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("output.cue"),
            "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    PREGAP " +
                longest + "\n    INDEX 01 " + longest + "\n");

  // NUL bytes end the list; CR alone ends a line.
  Put("nul.txt", "a.wav\rS 00:00:10\r\0missing.wav\r"s);
  o = Run({"nul.txt"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Read("output.cue"),
            "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    INDEX 01 00:00:10\n");
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"a.wav", "long.txt", "noise.txt", "nul.txt", "output.cue"}));
}

TEST_F(BadInput, WavHeadersCutShortOrLying) {
  // What the probe makes of every length of a header cut short, and of every layout, is the
  // probe's own test; here each outcome meets its message and status.
  std::string huge = WavHeader(0);
  huge.replace(40, 4, "\xff\xff\xff\xff");
  struct Case {
    std::string what, bytes;
    int status;
    std::string out;
  } cases[] = {
      {"cut before the format tag", WavHeader(44100).substr(0, 10), 2,
       "Can't find format chunk in wave file!\nCan't find data block in wave file!\n"},
      {"cut before the data tag", WavHeader(44100).substr(0, 20), 2,
       "Can't find data block in wave file!\n"},
      {"cut inside the data size, whose missing bytes read as zero", WavHeader(44100).substr(0, 42),
       0, kReportHeader + "1\tcut.wav\t\t0:0:19\n"},
      {"the largest data size", huge, 0, kReportHeader + "1\tcut.wav\t\t405:47:66\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put("cut.wav", c.bytes);
    Put("tlist.txt", "cut.wav\n");
    Outcome o = Run({});
    ExpectOrderlyEnd(o);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(Exists("output.cue"), c.status == 0);
    unlink(Path("output.cue").c_str());
  }
}

TEST_F(BadInput, FailedWritesLeaveTheOldCueFile) {
  PutWav("a.wav", 44100);
  std::string list = "a.wav\n";
  for (int i = 0; i < 50; ++i) list += "S 00:00:" + std::to_string(i) + "\n";
  Put("tlist.txt", list);
  Put("album.cue", "the old cue sheet\n");
  chmod(Path("album.cue").c_str(), 0640);

  // The file size limit stops the write of the new sheet part way.
  Outcome o = Run({"x", "album.cue"}, "", 1000);
  EXPECT_EQ(o.status, 3);
  EXPECT_NE(o.out.find("Cannot write cue file called album.cue: File too large\n"),
            std::string::npos);
  EXPECT_EQ(Read("album.cue"), "the old cue sheet\n");

  // Through a symbolic link, too; and with the link to a device, the device is written.
  symlink("album.cue", Path("link.cue").c_str());
  EXPECT_EQ(Run({"x", "link.cue"}, "", 1000).status, 3);
  EXPECT_EQ(Read("album.cue"), "the old cue sheet\n");
  symlink("/dev/full", Path("full.cue").c_str());
  o = Run({"x", "full.cue"});
  EXPECT_EQ(o.status, 3);
  EXPECT_NE(o.out.find("Cannot write cue file called full.cue: No space left on device\n"),
            std::string::npos);
  EXPECT_EQ(Entries(),
            (std::vector<std::string>{"a.wav", "album.cue", "full.cue", "link.cue", "tlist.txt"}));

  // Once it can be written, the new sheet replaces the old one whole and keeps its mode.
  EXPECT_EQ(Run({"x", "link.cue"}).status, 0);
  EXPECT_EQ(Read("album.cue").rfind("FILE \"a.wav\" WAVE\n", 0), 0u);
  struct stat st;
  ASSERT_EQ(stat(Path("album.cue").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(BadInput, FifoAsAWavEntryDoesNotHang) {
  ASSERT_EQ(mkfifo(Path("pipe.wav").c_str(), 0644), 0);
  Put("tlist.txt", "pipe.wav\n");
  Outcome o = Run({});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "Can't find format chunk in wave file!\nCan't find data block in wave file!\n");
}

}  // namespace
