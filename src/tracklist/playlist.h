// The playlist reader: an .m3u or .m3u8 playlist's files, in order, with the title and performer
// its #EXTINF lines give them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tracklist/album.h"

namespace vantorel {

struct PlaylistEntry {
  std::string raw_name;  // The name as the playlist writes it.
  std::string name;      // As UTF-8, with Windows' `\` between folders as `/`.
  // From the #EXTINF line above the name, as UTF-8: its text after the first comma, cut at its
  // first " - " into the performer and the title, or all of it the title where it has none.
  std::string title;
  std::string performer;
  int seconds = -1;  // The #EXTINF length in whole seconds; -1 where none is given.
  int line = 0;
};

struct Playlist {
  std::vector<PlaylistEntry> entries;  // At most kMaxAlbumFiles.
  size_t entries_not_kept = 0;         // Those past the limit.
};

// Reads a playlist's text: every line that is not blank and does not start with # names a file;
// an #EXTINF line gives the next file its length, title and performer, and every other # line
// (#EXTM3U first of all) is passed over. Blanks around a line are dropped; a line ends at LF,
// CR LF or a lone CR; a UTF-8 byte order mark at the start is skipped, and a text after a UTF-16
// one is read as UTF-16. Texts and names are each read as Windows-1252 where they are not valid
// UTF-8, as in an .m3u written on Windows.
Playlist ReadPlaylist(std::string_view text);

// The album a playlist gives: a file and an audio track of each entry, in order, the track titled
// by its #EXTINF line, with the findings of a name from the root or out of the folder, and of
// entries past the most a disc holds.
AlbumRead PlaylistAlbum(const Playlist& list);

}  // namespace vantorel
