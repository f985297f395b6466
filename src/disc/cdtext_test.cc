#include "disc/cdtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantorel {

namespace {

struct TextRow {
  std::string raw;
  std::string text;
  bool changed;
  bool lost = false;  // Whether a character of text is a `?` that stands for a lost one.
};

void ExpectTexts(const std::vector<TextRow>& rows) {
  for (const TextRow& row : rows) {
    SheetText got = ToSheetText(row.raw);
    EXPECT_EQ(got.text, row.text) << row.raw;
    EXPECT_EQ(got.changed, row.changed) << row.raw;
    EXPECT_EQ(got.empty, row.text.empty()) << row.raw;
    EXPECT_EQ(got.lost, row.lost) << row.raw;
  }
}

TEST(ToSheetText, AsciiQuotesAndBlanks) {
  ExpectTexts({
      {"Opening", "Opening", false},
      {"\"Live at the Mill\"", "Live at the Mill", false},
      {"  Second Song\t ", "Second Song", false},
      {"\"Hello\" and \"Goodbye\"", "'Hello' and 'Goodbye'", true},
      {"\"Intro", "'Intro", true},
      {"He said \"hi\" \\ bye", "He said 'hi' / bye", true},
      {"a\tb\x01"
       "c\x7F",
       "a b c", true},
      {"\" padded \"", "padded", true},
      {"", "", false},
      {"\"\"", "", false},
      {"\"   \"", "", true},
      {"\"", "'", true},
      {"  \"Live\"  ", "Live", false},
      {" \"Live ", "'Live", true},
  });
}

TEST(ToSheetText, Utf8AndLatin1) {
  ExpectTexts({
      {"Caf\xC3\xA9 Stra\xC3\x9F\xC3\xA6 \xC3\xB8", "Cafe Strassae o", true},
      {"\xC5\x81\xC3\xB3"
       "d\xC5\xBA \xC5\x92uvre \xC4\xB2sselmeer",
       "Lodz OEuvre IJsselmeer", true},
      {"Cafe\xCC\x81", "Cafe", true},  // An accent that combines with the letter before it.
      {"\xE2\x80\x9C"
       "Don\xE2\x80\x99t\xE2\x80\x9D \xC2\xAB"
       "Oui\xC2\xBB",
       "'Don't' 'Oui'", true},
      {"a\xE2\x80\x93"
       "b\xE2\x80\x94"
       "c\xE2\x88\x92"
       "d\xE2\x80\x92"
       "e",
       "a-b-c-d-e", true},
      {"Wait\xE2\x80\xA6\xC2\xA0now", "Wait... now", true},
      {"\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5 \xE2\x82\xAC", "?? ? ?", true, true},
      {"\xC2\xBF?", "??", true},  // An inverted question mark has its ASCII form.
      {"a\xC2\x85"
       "b",
       "a b", true},  // U+0085, a control character.
      {"\xC2\xA0", "", true},
      // Not UTF-8, so every byte is one Latin-1 character.
      {"Caf\xE9 \xC6on", "Cafe AEon", true},
      {"\xC3\xA9 \xE9", "A(C) e", true},
      {"\xC0\xAF", "A?", true, true},              // Overlong.
      {"\xED\xA0\x80", "i ?", true, true},         // A surrogate.
      {"\xF4\x90\x80\x80", "o ??", true, true},    // Past U+10FFFF.
      {"\xF9\x90\x80\x80", "u ??", true, true},    // No UTF-8 lead byte.
      {"\xE2\x80", "a?", true, true},              // Cut short.
      {"\xE2\x80\x99 \xE2", "a?? a", true, true},  // One byte spoils the whole text.
      {"Don\x92t \x96 stop\x85 \x8A", "Don't - stop... S", true},  // Windows' signs.
      {"a\x81"
       "b",
       "a b", true},  // A byte Windows leaves unused: a control character.
  });
  // A sequence cut short by the end of the text, though the bytes after it would complete it.
  EXPECT_EQ(ToSheetText(std::string_view("x\xE2\x80\x80", 3)).text, "xa?");
}

TEST(ToSheetText, CutTo80Characters) {
  std::string x79(79, 'x');
  ExpectTexts({
      {x79 + "x", x79 + "x", false},
      {x79 + "xy", x79 + "x", true},
      {x79 + "\xC3\xA9", x79 + "e", true},
      {x79 + "\xC3\x9F", x79 + "s", true},
      {x79 + " y", x79, true},
      {x79 + " \xE5\xA4\x9C", x79, true},  // A character lost past the cut is not written.
      {"  \xE5\xA4\x9C", "?", true, true},
      {"\"" + x79 + "x\"", x79 + "x", false},
      {"   " + x79 + "x   ", x79 + "x", false},
  });
}

TEST(CountCdTextPacks, TitlesAndPerformersOfDiscAndTracks) {
  const std::vector<CdTextPair> example = {{"Opening", "The Night Owls"},
                                           {"Second Song", "The Night Owls"},
                                           {"Third Song", "The Night Owls"},
                                           {"Encore", "The Night Owls"}};
  // A unique 50-character title for the disc and each track, and one performer for all.
  std::vector<std::string> titles;
  for (int i = 0; i <= 60; ++i) titles.push_back(std::string(48, 't') + std::to_string(10 + i));
  std::vector<CdTextPair> sixty;
  for (int i = 1; i <= 60; ++i) sixty.push_back({titles[i], "The Night Owls"});
  const CdTextPair long_disc = {titles[0], "The Night Owls"};
  const std::string x11(11, 'x');

  struct Row {
    CdTextPair disc;
    std::vector<CdTextPair> tracks;
    size_t packs;
    PerformerShare disc_performer = {};  // Its tracks, and the packs it takes on them.
  };
  const Row rows[] = {
      {{"Live at the Mill", "The Night Owls"}, example, 15, {4, 5}},
      {long_disc, {sixty.begin(), sixty.begin() + 40}, 230, {40, 47}},
      {long_disc, sixty, 340, {60, 70}},
      {{}, {}, 0},
      {{}, {{}, {}}, 0},
      {{"", "P"}, {{}}, 4},  // A kind with any text has a zero byte for every track.
      {{x11, ""}, {}, 4},
      {{x11, ""}, {{}}, 5},
      {{x11, x11}, {{}}, 7},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CountCdTextPacks(row.disc, row.tracks), row.packs)
        << row.disc.title << "/" << row.disc.performer << " and " << row.tracks.size();
    PerformerShare share = DiscPerformerShare(row.disc, row.tracks);
    EXPECT_EQ(share.tracks, row.disc_performer.tracks) << row.packs;
    EXPECT_EQ(share.packs, row.disc_performer.packs) << row.packs;
  }
}

}  // namespace

}  // namespace vantorel
