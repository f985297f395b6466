// Every text the user reads: the usage text, the report's layout and the messages, each with its
// line end. Keeping them in one place lets them be read, compared and changed together.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "audio/lengths.h"
#include "disc/disc.h"
#include "disc/findings.h"
#include "disc/layout.h"
#include "io/cue_file.h"
#include "tracklist/list_form.h"

namespace vantorel {

extern const char kUsageText[];

// The help text: the synopsis, what the tool does, its options, the list's format with an
// example, the exit statuses and where to read more.
std::string HelpText();

std::string ListCannotOpen(std::string_view name, int error);

// Said on standard error of an argument that starts with - and is no option.
std::string UnknownOption(std::string_view arg);
std::string ListTooLarge(std::string_view name);

// Said on standard output of a list that is a cue sheet or a playlist (form), of which no cue file
// is written: what it is, and the command that makes its track list, once, where it has errors
// that keep the list from being made (usable false), they are mended.
std::string AlbumIsNoList(std::string_view name, ListForm form, bool usable);

// Said on standard error of the line of a list of one FLAC file that holds a cue sheet.
std::string FlacHoldsCueSheet(std::string_view list, const ListLine& line);

// Appends standard output's messages of the probe of the WAV file called name: that it cannot be
// opened or read, or lacks a format or data block, or gives a format that cannot be measured.
void AppendProbeMessages(std::string* out, std::string_view name, const WavFile& wav);

// Appends the listing of every WAV entry's length and the total playing time.
void AppendLengthReport(std::string* out, const Disc& disc, TotalTime total);

// Appends the view of every track of the disc as it is laid out, with the disc's length.
void AppendTrackView(std::string* out, const Disc& disc, const DiscLayout& layout);

std::string TooManyTracks();
std::string CueCannotWrite(std::string_view name, const CueFileWrite& write);
std::string CueWritten(std::string_view name);

// Said on standard error, since standard output itself failed.
std::string StdoutFailed(int error);

std::string VersionLine();

// Said on standard error when the file made for the cue sheet stays, named by the path it was made
// at: it could not be removed again (error), or another program moved it away (error 0).
std::string CueNotRemoved(std::string_view name, int error);

}  // namespace vantorel
