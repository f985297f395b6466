// What every album a reader makes holds to, whatever the bytes it read: the limits kept, every
// index in a file the album has, each index number once in a track, and every text UTF-8.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "encoding.h"
#include "tracklist/album.h"

namespace vantorel {

inline void CheckTexts(const AlbumTexts& t, const std::vector<Remark>& remarks) {
  for (const std::string* text :
       {&t.title, &t.performer, &t.songwriter, &t.composer, &t.arranger, &t.message}) {
    if (!IsUtf8(*text)) std::abort();
  }
  if (remarks.size() > kMaxRemarks) std::abort();
  for (const Remark& r : remarks) {
    if (!IsUtf8(r.key) || !IsUtf8(r.value)) std::abort();
  }
}

inline void CheckAlbum(const AlbumRead& read, int lines) {
  const Album& a = read.album;
  if (a.tracks.size() > kMaxAlbumTracks || a.files.size() > kMaxAlbumFiles) std::abort();
  if (!a.catalog.empty() && CatalogProblem(a.catalog)) std::abort();
  CheckTexts(a.texts, a.remarks);
  for (const AlbumFile& f : a.files) {
    if (!IsUtf8(f.name) || f.name.find('\\') != std::string::npos) std::abort();
  }
  for (const AlbumTrack& t : a.tracks) {
    CheckTexts(t.texts, t.remarks);
    if (!t.isrc.empty() && IsrcProblem(t.isrc)) std::abort();
    if (t.indexes.size() > kMaxIndexNumber + 1) std::abort();
    for (size_t i = 0; i < t.indexes.size(); ++i) {
      const AlbumIndex& x = t.indexes[i];
      if (x.file >= a.files.size() || x.number > kMaxIndexNumber) std::abort();
      for (size_t j = 0; j < i; ++j) {
        if (t.indexes[j].number == x.number) std::abort();
      }
    }
  }
  const std::vector<AlbumFinding>& found = read.findings;
  if (found.size() > kMaxAlbumFindings + 1) std::abort();
  for (size_t i = 0; i < found.size(); ++i) {
    bool not_kept = found[i].kind == AlbumFindingKind::kFindingsNotKept;
    if (not_kept != (i == kMaxAlbumFindings) || found[i].line < 0 || found[i].line > lines) {
      std::abort();
    }
  }
}

}  // namespace vantorel
