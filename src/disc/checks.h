// Checks of the disc against what a CD burner takes: what it would refuse or misread. They read
// only the disc, its layout and what the run learned of its files and lines, and touch nothing.
// Every finding is made here, whole: with the names, commands' tools and spellings its wording
// needs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/disc.h"
#include "disc/findings.h"
#include "disc/layout.h"

namespace vantorel {

// The findings of a WAV file's probe: a file that cannot be opened, read or used, and one whose
// format fields are read at the limit of the search. An error, if any, comes last.
std::vector<Finding> ProbeFindings(const DiscFile& file);

// The findings of a file probed alone, as the only WAV line of a list: its probe's and, where it
// can be used, what one command mends of its audio, or what keeps cdrdao from taking it as it
// stands. A file with none is CD audio cdrdao takes.
std::vector<Finding> FileFindings(const DiscFile& file);

// Whether a WAV file can be used: it was opened and read, and its audio can be measured. Its
// probe's findings hold an error where it cannot.
bool IsUsable(const WavFile& wav);

// Every other problem of the disc, laid out as layout says, in the order of the list's lines;
// those of the disc as a whole come last. Of a file that cannot be used, only the times of its
// lines are checked.
std::vector<Finding> CheckDisc(const Disc& disc, const DiscLayout& layout);

// Whether an ignored line says what it likes: a note, which starts with #, or prose too long to be
// the name of a file. The checks say nothing of it.
bool IsProse(std::string_view line);

// How a line of kind, no WAV entry, is worth looking up on disk, if at all: one that may name
// audio of another kind, which is made CD audio only if it is there, or a WAV file typed without
// its .wav, and which is no note (those start with #), of which the checks say nothing else and
// which is not too long to be a name; or one that ends in .wav in mixed case.
std::optional<LookUp> WorthLookingUp(std::string_view line, LineKind kind);

// Whether an ignored line is taken for a track's line written wrong: a WAV file's name with .wav
// in mixed case, the name of audio of another kind, or a split with a small s. Mended as its
// warning says, it opens a track, which the title and performer lines under it give their texts.
bool OpensTrackOnceMended(std::string_view line);

// Whether an ignored line is meant as a split: one written with a small s, or a time and a title
// as a pasted tracklist writes them without the S (see LooseSplit).
bool IsLooseSplit(std::string_view line);

// The tool that makes CD audio of the audio file a line names by its extension, where it is of a
// kind other than WAV; kNone otherwise.
Converter OtherAudioOf(std::string_view line);

// The name of the file that joins the files a and b, in a's directory: after both, or where that
// would run two long names together, after a alone.
std::string JoinedName(std::string_view a, std::string_view b);

// The name of a kind of audio other than WAV, and of a compressed coding in a WAV file, as the
// findings give them; empty for a coding without a name.
std::string_view AudioName(OtherAudio kind);
std::string_view CodingName(uint32_t coding);

// A file's name without its extension: the part before the last dot of its last component, where
// that dot does not start it.
std::string_view StemOf(std::string_view name);

}  // namespace vantorel
