#include "tracklist/tracklist.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vantorel {

namespace {

struct Row {
  std::string text;
  LineKind kind;
  bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(std::string_view list) {
  static TrackTable table;  // Static: the table holds views into list, which outlives the call.
  int count = ClassifyTrackList(list, &table);
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i) rows.push_back({std::string(table.text[i]), table.kind[i]});
  return rows;
}

TEST(ClassifyTrackList, KindsOfLines) {
  using K = LineKind;
  std::vector<Row> want = {
      {"P first.txt", K::kWav},  // Line 1 is a WAV entry whatever it holds.
      {"Song.wav", K::kWav},     {"Pause.WAV", K::kWav},     {"S song.wav", K::kWav},
      {"S 03:15:00", K::kSplit}, {"P 00:02:00", K::kPregap}, {"s 03:15:00", K::kNone},
      {"track.Wav", K::kNone},   {"S", K::kSplit},           {"   ", K::kNone},
      {" spaced.wav ", K::kWav},
  };
  EXPECT_EQ(Rows("P first.txt\nSong.wav\nPause.WAV\nS song.wav\nS 03:15:00\nP 00:02:00\n"
                 "s 03:15:00\ntrack.Wav\nS\n   \n spaced.wav "),
            want);
}

// CD-TEXT lines: their keyword in capitals and a blank, and their text after it; other spellings
// are ignored lines, and a line with .wav a WAV file's name.
TEST(KindOf, CdTextLines) {
  using K = LineKind;
  struct Row {
    std::string_view line;
    LineKind kind;
    std::string_view text = "";
  } rows[] = {
      {"TITLE Opening", K::kTitle, "Opening"},
      {"TITLE\tOpening ", K::kTitle, "Opening "},
      {"TITLE \"Quoted\"", K::kTitle, "\"Quoted\""},
      {"TITLE Remix.wav", K::kWav},
      {"TITLE ", K::kTitle, ""},
      {"PERFORMER The Night Owls", K::kPerformer, "The Night Owls"},
      {"PERFORMER 00:02:00", K::kPerformer, "00:02:00"},
      {"DISC TITLE Live at the Mill", K::kDiscTitle, "Live at the Mill"},
      {"DISC PERFORMER  Two blanks", K::kDiscPerformer, " Two blanks"},
      {"TITLE", K::kNone},
      {"Title: Opening", K::kNone},
      {"title Opening", K::kNone},
      {"TITLES Opening", K::kNone},
      {"DISCTITLE Opening", K::kNone},
      {"DISC  TITLE Opening", K::kNone},
      {" TITLE Opening", K::kNone},
      {"PERFORMER", K::kPregap},
      {"PERFORMERS x", K::kPregap},
      {"DISC TITLE", K::kNone},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KindOf(row.line), row.kind) << row.line;
    if (row.kind != K::kWav && row.kind != K::kNone && row.kind != K::kPregap) {
      EXPECT_EQ(CdTextOf(row.line), row.text) << row.line;
    }
  }
}

// Lines of what a ripped disc carries, and the line that says what one means where that is sure:
// codes written in groups or in small letters, a UPC of 12 digits, flags in any case and order.
TEST(KindOf, GapAndCodeLines) {
  using K = LineKind;
  struct Row {
    std::string_view line;
    LineKind kind;
    std::string_view to_write = "";
  } rows[] = {
      {"G 00:02:00", K::kGap},
      {"G00:02:00", K::kGap},
      {"Guest vocals", K::kNone},
      {"g 00:02:00", K::kNone},
      {"ISRC USABC1234567", K::kIsrc, "ISRC USABC1234567"},
      {"ISRC us-abc-12-34567 ", K::kIsrc, "ISRC USABC1234567"},
      {"ISRC US ABC 12 34567", K::kIsrc, "ISRC USABC1234567"},
      {"ISRC USABC123456A", K::kIsrc},
      {"ISRC 000000000000", K::kIsrc},
      {"ISRC hidden.wav", K::kWav},
      {"isrc USABC1234567", K::kNone, "ISRC USABC1234567"},
      {"CATALOG 123456789012", K::kCatalog, "CATALOG 0123456789012"},
      {"CATALOG 0000000000000", K::kCatalog},
      {"CATALOG 01234567890123", K::kCatalog},
      {"Catalog 0123456789012", K::kNone, "CATALOG 0123456789012"},
      {"FLAGS pre DCP PRE SCMS", K::kFlags, "FLAGS DCP PRE"},
      {"FLAGS\t4ch", K::kFlags, "FLAGS 4CH"},
      {"FLAGS SCMS", K::kFlags},
      {"FLAGS", K::kNone},
      {"CATALOGUE 0123456789012", K::kNone},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KindOf(row.line), row.kind) << row.line;
    const LineKind as = row.kind == K::kNone ? KeywordInOtherCase(row.line) : row.kind;
    if (IsMarkKind(as) && as != K::kGap) {
      EXPECT_EQ(CodeLineToWrite(as, row.line), row.to_write) << row.line;
    }
  }
  EXPECT_EQ(KindWithCapital("g 00:02:00"), K::kGap);
  EXPECT_EQ(KindWithCapital("guest"), K::kNone);
  EXPECT_EQ(ReadFlags("DCP PRE").as_written, true);
  EXPECT_EQ(ReadFlags("DCP DCP").as_written, false);
}

// A split line's title after its time, where the first word reads as a time and the whole does
// not.
TEST(CutSplitLine, TimeAndTitle) {
  struct Row {
    std::string_view line, time, title;
  } rows[] = {
      {"S 04:12:37 Aurora Lane - Tidal", "04:12:37", "Aurora Lane - Tidal"},
      {"S 04:12:37", "04:12:37", ""},
      {"S 04:12:37  \t ", "04:12:37  \t ", ""},
      {"S  04:12:37\tTitle", " 04:12:37", "Title"},
      {"S 4:12.5 \"Song\"", "4:12.5", "\"Song\""},
      {"S 0 h 17 m 2.5 s", "0 h 17 m 2.5 s", ""},
      {"S 4m 12s", "4m 12s", ""},
      {"Side B", "de B", ""},
      {"S 00:10:80 x", "00:10:80", "x"},
      {"S 1:2:3x y", "1:2:3x y", ""},
      {"S", "", ""},
  };
  for (const Row& row : rows) {
    SplitText got = CutSplitLine(row.line);
    EXPECT_EQ(got.time, row.time) << row.line;
    EXPECT_EQ(got.title, row.title) << row.line;
  }
}

TEST(ClassifyTrackList, LineEndsAndBlankLines) {
  std::vector<Row> lf = Rows("a.wav\nS 01:00:00\nb.wav\n");
  EXPECT_EQ(Rows("\r\n\r\na.wav\r\n\r\nS 01:00:00\r\n\r\n\r\nb.wav\r\n"), lf);
  EXPECT_EQ(Rows("a.wav\rS 01:00:00\r\rb.wav"), lf);
  EXPECT_EQ(Rows("\xEF\xBB\xBF"
                 "a.wav\nS 01:00:00\nb.wav\n"),
            lf);  // A byte order mark.
  EXPECT_EQ(lf.size(), 3u);
  EXPECT_TRUE(Rows("").empty());
  EXPECT_TRUE(Rows("\r\n\n\r").empty());
}

TEST(ClassifyTrackList, ZeroByteEndsTheText) {
  std::string list("a.wav\nb.w\0av\nc.wav\n", 19);
  std::vector<Row> want = {{"a.wav", LineKind::kWav}, {"b.w", LineKind::kNone}};
  EXPECT_EQ(Rows(list), want);
  EXPECT_TRUE(Rows(std::string("\0a.wav", 6)).empty());
}

TEST(ClassifyTrackList, EveryLineIsUsed) {
  // 99 files with a pregap each, and a title line for each, take 298 lines.
  std::string list;
  for (int i = 1; i <= 99; ++i) list += std::to_string(i) + ".wav\nP 00:02:00\n# title\n";
  list += "last.wav\n";
  std::vector<Row> rows = Rows(list);
  ASSERT_EQ(rows.size(), 298u);
  EXPECT_EQ(rows[294], (Row{"99.wav", LineKind::kWav}));
  EXPECT_EQ(rows.back(), (Row{"last.wav", LineKind::kWav}));
}

// A plain search, a byte at a time: the reference the faster one must agree with.
std::string_view NextLineByBytes(std::string_view text, size_t* pos) {
  auto is_end = [](char c) { return c == '\r' || c == '\n'; };
  size_t start = *pos;
  while (start < text.size() && is_end(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && !is_end(text[end])) ++end;
  *pos = end;
  return text.substr(start, end - start);
}

TEST(LineSearches, AgreeWithTheByteAtATimeSearch) {
  // Pieces that make line ends of every kind meet often, at every position of a line.
  const std::vector<std::string> kPieces = {"\r",   "\n",   "\r\n", ".",   "wav", "WAV",
                                            ".wav", ".WAV", ".wAv", "Wav", "x",   "xxxxxxxx"};
  std::mt19937 random(19);
  for (int round = 0; round < 50000; ++round) {
    std::string text;
    for (size_t n = random() % 16; n > 0; --n) text += kPieces[random() % kPieces.size()];
    size_t pos = 0, want_pos = 0;
    for (std::string_view line; !(line = NextLine(text, &pos)).empty();) {
      std::string_view want = NextLineByBytes(text, &want_pos);
      ASSERT_EQ(line.data(), want.data()) << text;
      ASSERT_EQ(line, want) << text;
      ASSERT_EQ(pos, want_pos) << text;
    }
    ASSERT_TRUE(NextLineByBytes(text, &want_pos).empty()) << text;
  }
}

}  // namespace

}  // namespace vantorel
