// Checks of the disc against what a CD burner takes: what it would refuse or misread. They read
// only the disc and what the run learned of its files, and touch nothing.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "disc/disc.h"
#include "disc/findings.h"

namespace vantorel {

// Every problem of the disc, in the order of the list's lines; those of the disc as a whole come
// last.
std::vector<Finding> CheckDisc(const Disc& disc);

// Whether an ignored line of the list is worth looking up as the name of a file: one of another
// kind of audio, which is made CD audio only if it is there, or one the user may have typed
// without its .wav, which is no note (those start with #), of which the checks say nothing else
// and which is not too long to be a name.
bool MayNameAFile(std::string_view line);

// The tool that makes CD audio of an audio file of a kind other than WAV: sox for the kinds
// Debian's sox reads, ffmpeg for the others.
enum class Converter { kSox, kFfmpeg };

// The converter for the audio file a line names by its extension, where it is of a kind other
// than WAV.
std::optional<Converter> OtherAudioOf(std::string_view line);

}  // namespace vantorel
