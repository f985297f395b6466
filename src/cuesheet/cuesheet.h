// The cue sheet: its text, composed from the disc.
#pragma once

#include <string>

#include "disc/disc.h"

namespace vantorel {

// The cue sheet of the disc: a FILE line for each file, and a TRACK, PREGAP and INDEX line for
// each of its tracks, in order, with the texts of the list as they stand.
std::string BuildCueSheet(const Disc& disc);

}  // namespace vantorel
