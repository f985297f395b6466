// Fuzz target: any bytes as a playlist, read into at most the files an album keeps, each with its
// name and texts as UTF-8 and its line after the one before.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "encoding.h"
#include "tracklist/album.h"
#include "tracklist/playlist.h"

using namespace vantorel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Playlist list = ReadPlaylist(std::string_view(reinterpret_cast<const char*>(data), size));
  if (list.entries.size() > kMaxAlbumFiles) std::abort();
  int line = 0;
  for (const PlaylistEntry& e : list.entries) {
    if (e.line <= line || e.name.empty() || e.seconds < -1) std::abort();
    if (!IsUtf8(e.name) || !IsUtf8(e.title) || !IsUtf8(e.performer)) std::abort();
    line = e.line;
  }
  return 0;
}
