// An album laid out as a track list lays out a disc: the list's files, each one of the album's or
// several joined where a track's gap runs over from the file before, and where each audio track
// starts in them, with its gap, pregap, texts and codes; and what of the album no track list
// carries, or carries otherwise, as findings on the sheet's lines.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "disc/findings.h"
#include "tracklist/album.h"

namespace vantorel {

// What the run learned of one of the album's files.
enum class FileState : uint8_t {
  kUnused,     // No audio track lies in it, and it was not looked at.
  kNotUsable,  // It cannot be used: a finding of the run says why.
  kAsIs,       // CD audio cdrdao takes as it stands, under a name the list reads as a WAV file's.
  kConverted,  // Audio the script makes a CD WAV of.
};

struct AlbumFileFacts {
  FileState state = FileState::kUnused;
  // Its length in CD frames, the last one part of a frame where the audio ends inside one; none
  // where it is not known.
  std::optional<uint64_t> frames = {};
  // Whether frames is exact: samples at the CD's rate that fill whole frames, so that the script
  // can join the next file to it and know where that starts.
  bool whole = false;
};

// Which of the album's files an audio track lies in, and is looked at.
std::vector<bool> FilesInUse(const Album& album);

// A file of the list: the album's files it is made of, in order, more than one where they are
// joined.
struct PlannedFile {
  std::vector<uint16_t> parts;
};

// A track of the list. The first track of a file opens it, and its gap is the file's audio before
// its start; every other track is a split at its start.
struct PlannedTrack {
  const AlbumTrack* track = nullptr;  // Its texts, codes and number, as the album gives them.
  uint16_t file = 0;                  // In the plan's files.
  uint32_t start = 0;                 // Where its INDEX 01 lies in the file, in CD frames.
  uint32_t gap = 0;                   // Its gap of audio before its start (INDEX 00).
  uint32_t pregap = 0;                // Its pregap of silence.
  uint8_t flags = 0;                  // The flags a track list writes: DCP, 4CH and PRE.
};

struct AlbumPlan {
  std::vector<PlannedFile> files;
  std::vector<PlannedTrack> tracks;
  // The reader's findings but those the plan says more closely, and the plan's, in the order of
  // the lines.
  std::vector<AlbumFinding> findings;
  // Whether the list is the disc the album means: no finding is an error, and every file in use
  // can be used.
  bool usable = false;
};

// Lays out the album read, whose files the run found as files says (one for each of the album's
// files).
AlbumPlan PlanAlbum(const AlbumRead& read, std::span<const AlbumFileFacts> files);

// What a finding of a kind weighs: an error keeps the list from being made; a warning says what
// of the disc the list loses or changes; a note says what it leaves out that a burner would not
// take, or how it keeps the disc as it was.
Severity SeverityOf(AlbumFindingKind kind);

}  // namespace vantorel
