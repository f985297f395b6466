// Checks of the disc against what a CD burner takes: what it would refuse or misread. They read
// only the disc and what the run learned of its files, and touch nothing.
#pragma once

#include <vector>

#include "disc/disc.h"
#include "disc/findings.h"

namespace vantorel {

// Every problem of the disc, in the order of the list's lines; those of the disc as a whole come
// last.
std::vector<Finding> CheckDisc(const Disc& disc);

// Whether the disc has more tracks than a CD holds.
bool TooManyTracks(const Disc& disc);

// Whether an ignored line of the list is worth looking up as the name of a file, which it may be
// when the user left out its .wav: it is no note (those start with #), the checks say nothing else
// of it, and it is not too long to be a name.
bool MayNameAFile(std::string_view line);

}  // namespace vantorel
