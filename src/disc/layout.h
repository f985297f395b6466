// Where each track of the disc lies as a burner lays the cue sheet out: every file takes the
// whole CD frames of its audio, a last part of a frame padded to a whole one, and every pregap
// is silence put before its track's start, pushing back all that follows. Positions count in CD
// frames from the start of the disc, the first track's pregap included, as cdrdao's show-toc
// counts them. The layout is the one place that decides where a track lands, how long it lasts
// and how long the disc is; the track view and the checks read it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "disc/disc.h"

namespace vantorel {

// Whether a track could be placed in its file, and if not, which rule its split broke.
enum class Placing : uint8_t {
  kPlaced,
  kAtStart,   // The file's first split, at its start, however written: where its first track is.
  kNoTime,    // Its split's time cannot be read as a cue sheet's time.
  kPastEnd,   // Its split is at or past the end of its file.
  kNotLater,  // Its split is at or before the latest start in its file before it (see bound).
};

// A place that follows from a time of the list that cannot be read, or from a split that cannot
// be placed, is missing: a burner refuses such a sheet, or lays it out in a way of its own, so
// nothing is said of where it puts the track.
struct TrackPlace {
  // Where its audio starts in its file: 0 for the file's first track, else its S line's time as
  // the cue sheet gives it.
  std::optional<uint32_t> in_file = {};
  // The length of its pregap, 0 without one.
  std::optional<uint32_t> pregap = {};
  // Where its audio starts on the disc, after its pregap: show-toc's START. Missing for every
  // track from the first that cannot be placed or whose pregap cannot be read, and the disc's
  // length with them.
  std::optional<uint64_t> on_disc = {};
  // Of a track placed: from its start to the start of the next track of its file that is placed,
  // or to the file's end: show-toc's END less its START, where every split is placed.
  std::optional<uint64_t> length = {};
  // The disc's track whose start ends it, where that is not the file's end.
  std::optional<uint32_t> ended_by = {};
  // Of a split kNotLater: its time read as hours:minutes:seconds, where that lies after bound
  // and inside the file, as times past an hour are often written; 0 otherwise.
  uint32_t as_hours = 0;
  // Its length rests on a split that could not be placed, between it and what ends it: a burner
  // refuses such a sheet, so the length is only what it would be without that split.
  bool past_misplaced = false;
  Placing placing = Placing::kPlaced;
  // Of a split not placed: the end of its file (kPastEnd), or the latest start before it in its
  // file as the user means it (kNotLater): of a track placed, of a time an audio editor writes
  // read as it means, or of a time read as hours:minutes:seconds as below.
  uint64_t bound = 0;
};

// How the split times of a file read, taken together, where some read two ways: in the larger
// units (two numbers as minutes:seconds, three whose first has one digit as hours:minutes:seconds)
// or in the smaller, as cdrdao reads them (seconds:frames, minutes:seconds:frames). A way holds
// where it makes the file's splits rise within it with every track at least 4 seconds long.
enum class TimesRead : uint8_t {
  kOneWay,   // No split of the file reads two ways.
  kNeither,  // Neither way holds.
  kLarger,   // Only the larger units hold: that is how the file's splits are meant.
  kSmaller,  // Only the smaller hold.
  kEither,   // Both hold: the user's choice, one for the whole file.
};

// The readings of a split's time in CD frames, the larger first; two_ways where they differ in
// kind, readable where there is any.
struct SplitReadings {
  bool readable = false;
  bool two_ways = false;
  uint32_t larger = 0;
  uint32_t smaller = 0;
};
SplitReadings ReadingsOf(std::string_view time);

struct DiscLayout {
  std::vector<TrackPlace> tracks;          // In the order of the disc's tracks.
  std::vector<TimesRead> times_read = {};  // In the order of the files.
  std::optional<uint64_t> frames = {};     // The disc's length with its pregaps.
  // What the disc lasts at least: its files and every pregap that can be read, wherever the
  // tracks land. It is the disc's length where that is known.
  uint64_t least_frames = 0;
  // The CD frames each file takes, its audio padded to a whole frame: in the order of the files.
  std::vector<uint64_t> file_frames = {};
};

// Lays out a disc whose files' lengths are measured.
DiscLayout LayOutDisc(const Disc& disc);

}  // namespace vantorel
