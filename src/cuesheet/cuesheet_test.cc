#include "cuesheet/cuesheet.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "temp_dir.h"

namespace {

std::string Cue(std::string_view list) {
  TrackTable table;
  Classified c = ClassifyTrackList(list, &table);
  return BuildCueSheet(table, c.line_count).text;
}

TEST(BuildCueSheet, FilesSplitsAndPregaps) {
  EXPECT_EQ(Cue("a.wav\nS 03:00:00\nP 00:02:00\nb.WAV\nP 00:01:00\njunk line\nS 01:00:00\n"),
            "FILE \"a.wav\" WAVE\n"
            "  TRACK 01 AUDIO\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n"
            "    PREGAP 00:02:00\n"
            "    INDEX 01 03:00:00\n"
            "FILE \"b.WAV\" WAVE\n"
            "  TRACK 03 AUDIO\n"
            "    PREGAP 00:01:00\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 04 AUDIO\n"
            "    INDEX 01 01:00:00\n");
  EXPECT_EQ(Cue("one.wav"), "FILE \"one.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  EXPECT_EQ(Cue(""), "");
}

TEST(BuildCueSheet, PregapCountsOnlyRightAfterATrackOpens) {
  // A last line, after a split; a second pregap in a row; after an ignored line; at the very end
  // after an ignored line.
  EXPECT_EQ(Cue("a.wav\nS 1\nP 2\nP 3\nx\nP 4\nS 5\nS 6\nP 7\nx\nP 8"),
            "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    PREGAP 2\n    INDEX 01 1\n"
            "  TRACK 03 AUDIO\n    INDEX 01 5\n"
            "  TRACK 04 AUDIO\n    PREGAP 7\n    INDEX 01 6\n");
  EXPECT_EQ(Cue("a.wav\nP 00:02:00"),
            "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:00:00\n");
}

TEST(BuildCueSheet, TrackNumbersAndLongTexts) {
  std::string list = "a.wav\n";
  for (int i = 0; i < 99; ++i) list += "S 0" + std::to_string(i) + "\n";
  TrackTable table;
  Classified c = ClassifyTrackList(list, &table);
  CueSheet cue = BuildCueSheet(table, c.line_count);
  EXPECT_EQ(cue.tracks, 100);
  EXPECT_NE(cue.text.find("  TRACK 09 AUDIO\n    INDEX 01 07\n  TRACK 10 AUDIO\n"),
            std::string::npos);
  EXPECT_NE(cue.text.find("  TRACK 100 AUDIO\n    INDEX 01 098\n"), std::string::npos);

  std::string name(5000, 'n');
  std::string time(300, '9');
  EXPECT_EQ(Cue(name + ".wav\nS " + time + "\nP " + time),
            "FILE \"" + name +
                ".wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                "  TRACK 02 AUDIO\n    PREGAP " +
                time + "\n    INDEX 01 " + time + "\n");
}

using WriteCueFileTest = TempDirTest;

TEST_F(WriteCueFileTest, NewAndReplacedFiles) {
  mode_t old = umask(027);
  std::string out = Path("out.cue");
  EXPECT_TRUE(WriteCueFile(out, "new\n", {}).ok);
  EXPECT_EQ(Read("out.cue"), "new\n");
  struct stat st;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  umask(old);

  chmod(out.c_str(), 0604);
  ino_t before = st.st_ino;
  EXPECT_TRUE(WriteCueFile(out, "", {}).ok);
  EXPECT_EQ(Read("out.cue"), "");
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0604u);
  EXPECT_NE(st.st_ino, before);  // Replaced whole, never rewritten in place.
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.cue"});
}

TEST_F(WriteCueFileTest, SymbolicLinksAreFollowedAndKept) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  Put("sub/real.cue", "old");
  ASSERT_EQ(symlink("sub/real.cue", Path("link.cue").c_str()), 0);
  ASSERT_EQ(symlink("real.cue", Path("sub/rel.cue").c_str()), 0);
  ASSERT_EQ(symlink("new.cue", Path("dangling.cue").c_str()), 0);

  EXPECT_TRUE(WriteCueFile(Path("link.cue"), "one", {}).ok);
  EXPECT_EQ(Read("sub/real.cue"), "one");
  EXPECT_TRUE(WriteCueFile(Path("sub/rel.cue"), "two", {}).ok);
  EXPECT_EQ(Read("sub/real.cue"), "two");
  EXPECT_TRUE(WriteCueFile(Path("dangling.cue"), "three", {}).ok);
  EXPECT_EQ(Read("new.cue"), "three");

  struct stat st;
  ASSERT_EQ(lstat(Path("link.cue").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(symlink("loop.cue", Path("loop.cue").c_str()), 0);
  EXPECT_EQ(
      WriteCueFile(Path("loop.cue"), "x", {}).message,
      "Cannot write cue file called " + Path("loop.cue") + ": Too many levels of symbolic links");
}

TEST_F(WriteCueFileTest, FailuresLeaveEverythingAsItWas) {
  Put("plain", "keep");
  struct stat st;
  ASSERT_EQ(stat(Path("plain").c_str(), &st), 0);
  std::vector<GuardedFile> guarded = {{st.st_dev, st.st_ino, "it is the track list"}};

  struct Case {
    std::string name, message;
  } cases[] = {
      {Path("plain"), "it is the track list"},
      {Path("missing/out.cue"), "No such file or directory"},
      {Path("plain/out.cue"), "Not a directory"},
      {"/dev/full", "No space left on device"},
      {dir_, "Is a directory"},
  };
  for (const Case& c : cases) {
    CueWrite w = WriteCueFile(c.name, "text\n", guarded);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.message, "Cannot write cue file called " + c.name + ": " + c.message);
  }
  EXPECT_EQ(Read("plain"), "keep");
  EXPECT_EQ(Entries(), std::vector<std::string>{"plain"});
}

}  // namespace
