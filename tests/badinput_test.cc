// Bad input of every kind meets a clear message and a defined exit status: never a crash, a hang,
// a half-written cue file or a damaged file of the user's.
#include <fcntl.h>
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
  // The largest data size, as a program writing to a pipe leaves it, before a second of audio.
  std::string huge = WavHeader(0);
  huge.replace(40, 4, "\xff\xff\xff\xff");
  huge += std::string(44100 * 4, '\0');
  auto written = [](const std::string& length, int seconds) {
    return kReportHeader + "1\tcut.wav\t\t" + length +
           "\n\nTotal Time:  0 min : " + std::to_string(seconds) +
           " sec\n\nWrote cue file called output.cue\n";
  };
  struct Case {
    std::string what, bytes;
    int status;
    std::string out;
  } cases[] = {
      {"cut before the format tag", WavHeader(44100).substr(0, 10), 2,
       "Can't find format chunk in wave file!\nCan't find data block in wave file!\n"},
      {"cut before the data tag", WavHeader(44100).substr(0, 20), 2,
       "Can't find data block in wave file!\n"},
      {"cut inside the data size", WavHeader(44100).substr(0, 42), 0, written("0:0:0", 0)},
      {"the largest data size", huge, 0, written("0:1:0", 1)},
      // The total, too, counts what the file holds.
      {"20 seconds declared, 5 held", WavHeader(20 * 44100) + std::string(5 * 44100 * 4, '\0'), 0,
       written("0:5:0", 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put("cut.wav", c.bytes);
    Put("tlist.txt", "cut.wav\n");
    Outcome o = Run({});
    ExpectOrderlyEnd(o);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.out, c.out);
    EXPECT_EQ(Exists("output.cue"), c.status == 0);
    unlink(Path("output.cue").c_str());
  }
}

TEST_F(BadInput, FifoAsAWavEntryIsReadWhenItsWriterComes) {
  // As cat does, the tool waits for a writer that comes late, and reads what it writes.
  ASSERT_EQ(mkfifo(Path("pipe.wav").c_str(), 0644), 0);
  Put("tlist.txt", "pipe.wav\n");
  pid_t writer = fork();
  if (writer == 0) {
    usleep(300'000);
    // The tool may be slow to come (under a sanitizer, on a loaded machine); with no reader for
    // 20 seconds, the test fails rather than hangs.
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 2000; ++tries) {
      fd = open(Path("pipe.wav").c_str(), O_WRONLY | O_NONBLOCK);
      if (fd < 0) usleep(10'000);
    }
    std::string header = WavHeader(44100);
    _exit(fd >= 0 && write(fd, header.data(), header.size()) == ssize_t(header.size()) ? 0 : 1);
  }
  Outcome o = Run({});
  int wstatus = 0;
  waitpid(writer, &wstatus, 0);
  EXPECT_EQ(wstatus, 0);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind(kReportHeader + "1\tpipe.wav\t\t0:1:0\n", 0), 0u) << o.out;
}

}  // namespace
