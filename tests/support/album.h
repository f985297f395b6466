// An album read from a cue sheet or a FLAC block, in short, for the readers' tests to compare.
#pragma once

#include <ostream>
#include <string>

#include "tracklist/album.h"

namespace vantorel {

inline void PrintTo(const AlbumFinding& f, std::ostream* os) {
  *os << "{" << static_cast<int>(f.kind) << " line " << f.line << ": " << f.value << ", " << f.other
      << "}";
}

// The album's layout in short: its catalog and its files' types by number; then for each track
// its number, its mode (m) where not audio, FLAGS bits (f), session (s) where not 1, pregap (p),
// postgap (q), i where it has an ISRC, and each index as number@file:frames.
inline std::string Layout(const Album& a) {
  std::string s = a.catalog + " ";
  for (const AlbumFile& f : a.files) s += std::to_string(static_cast<int>(f.type));
  for (const AlbumTrack& t : a.tracks) {
    s += "|" + std::to_string(t.number);
    if (t.mode != TrackMode::kAudio) s += "m" + std::to_string(static_cast<int>(t.mode));
    if (t.flags) s += "f" + std::to_string(t.flags);
    if (t.session != 1) s += "s" + std::to_string(t.session);
    if (t.pregap) s += "p" + std::to_string(*t.pregap);
    if (t.postgap) s += "q" + std::to_string(*t.postgap);
    if (!t.isrc.empty()) s += "i";
    for (const AlbumIndex& i : t.indexes) {
      s += " " + std::to_string(i.number) + "@" + std::to_string(i.file) + ":" +
           std::to_string(i.frames);
    }
  }
  return s;
}

}  // namespace vantorel
