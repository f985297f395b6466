// Every text the user reads: the usage text, the report's layout and the messages, each with its
// line end. Keeping them in one place lets them be read, compared and changed together.
#pragma once

#include <string>
#include <string_view>

#include "audio/lengths.h"
#include "io/cue_file.h"
#include "tracklist/track_table.h"

extern const char kUsageText[];

std::string ListCannotOpen(std::string_view name, int error);
std::string ListTooLarge(std::string_view name);
std::string LinesDropped();

std::string WavCannotOpen(std::string_view path);
std::string WavCannotRead(std::string_view path, int error);
std::string FormatChunkMissing();
std::string DataBlockMissing();
std::string FormatUnsupported(std::string_view path);

// The listing of every WAV entry's length and the total playing time.
std::string LengthReport(const TrackTable& table, int line_count, TotalTime total);

std::string TooManyTracks();
std::string CueCannotWrite(std::string_view name, const CueFileWrite& write);
std::string CueWritten(std::string_view name);

// Said on standard error, since standard output itself failed.
std::string StdoutFailed(int error);
