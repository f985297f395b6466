// Where each track of the disc lies as a burner lays the cue sheet out: every file takes the
// whole CD frames of its audio, a last part of a frame padded to a whole one, and every pregap
// is silence put before its track's start, pushing back all that follows. Positions count in CD
// frames from the start of the disc, the first track's pregap included, as cdrdao's show-toc
// counts them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "disc/disc.h"

namespace vantorel {

// A place that follows from a time of the list that cannot be read, or from a split that cannot
// be placed, is missing. A split cannot be placed at or past the end of its file, nor at or
// before the start of the last track of its file that was placed. A burner refuses such a sheet,
// or lays it out in a way of its own, so nothing is said of where it puts the track.
struct TrackPlace {
  // Where its audio starts in its file: 0 for the file's first track, else its S line's time as
  // the cue sheet gives it.
  std::optional<uint64_t> in_file;
  // The length of its pregap, 0 without one.
  std::optional<uint64_t> pregap;
  // Where its audio starts on the disc, after its pregap: show-toc's START. Missing for every
  // track from the first that cannot be placed or whose pregap cannot be read, and the disc's
  // length with them.
  std::optional<uint64_t> on_disc;
  // From its start to the next track's start in the file, or to the file's end: show-toc's END
  // less its START.
  std::optional<uint64_t> length;
};

struct DiscLayout {
  std::vector<TrackPlace> tracks;  // In the order of the disc's tracks.
  std::optional<uint64_t> frames;  // The disc's length with its pregaps.
};

// Lays out a disc whose files' lengths are measured.
DiscLayout LayOutDisc(const Disc& disc);

}  // namespace vantorel
