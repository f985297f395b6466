// The cue sheet: its text, composed from the disc.
#pragma once

#include <string>

#include "disc/disc.h"
#include "disc/layout.h"

namespace vantorel {

// The cue sheet of the disc: a FILE line for each file, and a TRACK, PREGAP and INDEX line for
// each of its tracks, in order, with the texts of the list as they stand, but for a file named
// again right after a split in it, whose name is written with ./ in front (/. where it starts
// with /), and for a split whose time the layout places as meant, not as written, which is given
// as minutes:seconds:frames. A track's FLAGS and ISRC lines follow its texts, and its gap, where
// the layout writes it, is an INDEX 00 line at the gap's start; the CATALOG line comes first.
std::string BuildCueSheet(const Disc& disc, const DiscLayout& layout);

}  // namespace vantorel
