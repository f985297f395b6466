#include "tracklist/playlist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tracklist/list_form.h"

namespace vantorel {

namespace {

// Each entry as line: name | performer | title | seconds.
std::string Entries(const Playlist& list) {
  std::string s;
  for (const PlaylistEntry& e : list.entries) {
    s += std::to_string(e.line) + ": " + e.name + " | " + e.performer + " | " + e.title + " | " +
         std::to_string(e.seconds) + "\n";
  }
  return s;
}

TEST(ReadPlaylist, EntriesAndTheirTitles) {
  std::ifstream in(std::string(VANTOREL_CORPUS_DIR) + "/playlist/freac-playlist.m3u8");
  std::string freac{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_PRED2([](const std::string& s, const char* start) { return s.starts_with(start); },
               Entries(ReadPlaylist(freac)),
               "3: Ondřej Kříž Quartet - Světla nad řekou - 01 - Úvod.flac | Ondřej Kříž Quartet | "
               "Úvod | 131\n5: Ondřej Kříž Quartet - Světla nad řekou - 02 - Na Kampě.flac | "
               "Ondřej Kříž Quartet | Na Kampě | 341\n");
  EXPECT_EQ(ReadPlaylist(freac).entries.size(), 5u);
  EXPECT_EQ(Entries(ReadPlaylist("\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1,Radio\r\n\r\n"
                                 "#EXTINF:12 tvg=\"x\", Caf\xE9 -  A - B \r\n  Disc 1\\01.mp3 \r"
                                 "#EXTVLCOPT:x\n02.flac\n#EXTINF:x\n03.flac")),
            "5: Disc 1/01.mp3 | Café | A - B | 12\n7: 02.flac |  |  | -1\n9: 03.flac |  |  | -1\n");
  std::string many;
  for (int i = 0; i < 300; ++i) many += "a.flac\n";
  EXPECT_EQ(ReadPlaylist(many).entries_not_kept, 45u);
}

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
