// An album read from a cue sheet or a FLAC block, and what was found, in short, for the readers'
// tests to compare.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "tracklist/album.h"

namespace vantorel {

// Findings in short: each as its kind's name without the k, @ its line, then : its value where
// it or other is not 0, and , other where other is not 0.
inline std::string Found(const std::vector<AlbumFinding>& findings) {
  static const char* const kNames[] = {
      "UnknownCommand",      "LineNotTaken",      "WordNotKnown",       "TrackNumberOutOfRange",
      "TrackNumberNotNext",  "TrackAgain",        "TooManyTracks",      "IndexNumberNotNext",
      "TimeOutOfRange",      "TimeUnreadable",    "IndexBackwards",     "NoIndex01",
      "Index00InFileBefore", "AbsoluteName",      "ParentInName",       "TooManyFiles",
      "FlagsAgain",          "IsrcMalformed",     "IsrcZeros",          "CatalogMalformed",
      "CatalogZeros",        "TextTooLong",       "TooManyRemarks",     "BlockCut",
      "BlockLonger",         "NoLeadOut",         "OffsetPastEnd",      "OffsetNotOnFrame",
      "FileMissing",         "FileNotRegular",    "FileOtherName",      "FileNotUsed",
      "FilesJoined",         "CannotJoin",        "AudioBeforeLeftOut", "GapInTrackBefore",
      "GapFromTrackBefore",  "IndexesLeftOut",    "PregapWithGap",      "PostgapLeftOut",
      "DataTrackLeftOut",    "DataTrackInFile",   "ScmsLeftOut",        "IndexPastEnd",
      "TextsLeftOut",        "CdTextFileLeftOut", "NoAudioTrack",       "FindingsNotKept"};
  static_assert(std::size(kNames) == static_cast<size_t>(AlbumFindingKind::kFindingsNotKept) + 1);
  std::string s;
  for (const AlbumFinding& f : findings) {
    s += (s.empty() ? "" : " ") + std::string(kNames[static_cast<int>(f.kind)]) + "@" +
         std::to_string(f.line);
    if (f.value != 0 || f.other != 0) s += ":" + std::to_string(f.value);
    if (f.other != 0) s += "," + std::to_string(f.other);
  }
  return s;
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
