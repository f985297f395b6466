// What an album's findings say: those of the reader of a cue sheet, a CUESHEET block or a
// playlist, and those of laying the album out as a track list.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tracklist/album.h"

namespace vantorel {

// The names a finding's wording gives: what the album was read from, and each of its files, as
// the run found it or else as the album names it.
struct AlbumNames {
  std::string_view source;
  const Album& album;
  std::span<const std::string> files;
};

// Appends what a finding says, with its place ("SOURCE:LINE: warning: ...", or "SOURCE: ..." for
// no line), on no line of its own, its control characters masked.
void AppendAlbumPlacedText(std::string* out, const AlbumFinding& f, const AlbumNames& names);

// Appends each finding's line ("vantorel: SOURCE:LINE: ..."), in the order given.
void AppendAlbumFindingLines(std::string* out, std::span<const AlbumFinding> findings,
                             const AlbumNames& names);

}  // namespace vantorel
