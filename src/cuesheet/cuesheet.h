// The cue sheet: its text, composed from the track table.
#pragma once

#include <string>

#include "tracklist/track_table.h"

// A CD holds at most this many tracks.
constexpr int kCdMaxTracks = 99;

struct CueSheet {
  std::string text;
  int tracks = 0;
};

// Walks the first line_count slots of the table into cue sheet text.
CueSheet BuildCueSheet(const TrackTable& table, int line_count);
