#include "tracklist/playlist.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

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
  EXPECT_EQ(Entries(ReadPlaylist(std::string("\xFE\xFF\0#\0\n\0\xE9\0.\0w\0a\0v", 16))),
            "2: é.wav |  |  | -1\n");
  std::string many;
  for (int i = 0; i < 300; ++i) many += "a.flac\n";
  EXPECT_EQ(ReadPlaylist(many).entries_not_kept, 45u);
}

}  // namespace

}  // namespace vantorel
