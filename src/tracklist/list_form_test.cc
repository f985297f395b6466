#include "tracklist/list_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vantorel {

namespace {

TEST(FormOfList, ByNameThenByText) {
  struct Row {
    std::string_view name;
    std::string_view text;
    ListForm form;
  } rows[] = {
      {"album.CUE", "a.wav", ListForm::kCueSheet},
      {"list.M3u8", "FILE \"a.wav\" WAVE", ListForm::kPlaylist},
      {"list.m3u", "", ListForm::kPlaylist},
      {"list", "\xEF\xBB\xBF#EXTM3U\n", ListForm::kPlaylist},
      {"-", "\r\n  \nREM GENRE Jazz\r\nREM\n\tPERFORMER \"x\"\n", ListForm::kCueSheet},
      {"tlist.txt", "\xEF\xBB\xBFREM DISCID 1\nCDTEXTFILE a\n", ListForm::kCueSheet},
      {"tlist.txt", "REM a\nREM b\n", ListForm::kCueSheet},
      {"tlist.txt", "REM.wav\nFILE x\n", ListForm::kTrackList},
      {"tlist.txt", "TITLE.wav\n", ListForm::kTrackList},
      {"tlist.txt", "song.wav\nTITLE x\n", ListForm::kTrackList},
      {"tlist.txt", "MCN 0602435678912\nFILE a WAVE\n", ListForm::kCueSheet},
      {"tlist.txt", "FILE\tx\n", ListForm::kCueSheet},
      {"tlist.txt", "FILE\nTITLE x\n", ListForm::kTrackList},
      {"album.cue.txt", "", ListForm::kTrackList},
      {"tlist.txt", {"\xFF\xFE#\0E\0X\0T\0M\0\x33\0U\0", 16}, ListForm::kPlaylist},
  };
  for (const Row& row : rows) EXPECT_EQ(FormOfList(row.name, row.text), row.form) << row.text;
  // Every ripper's sheet is known by its text alone.
  for (const auto& entry : std::filesystem::directory_iterator(VANTOREL_CORPUS_DIR "/cue")) {
    std::ifstream in(entry.path());
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(FormOfList("list", text), ListForm::kCueSheet) << entry.path();
  }
}

}  // namespace

}  // namespace vantorel
