// Every text the user reads: the usage text, the report's layout and the messages, each with its
// line end. Keeping them in one place lets them be read, compared and changed together.
#pragma once

#include <cstdint>
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

std::string VersionLine();

// Standard error lines about what a burner would refuse or misread. Each is said of a line of
// the list ("vantorel: LIST:LINE: warning: ...") or of the run as a whole (line 0).
struct Where {
  std::string_view list;
  int line = 0;
};
std::string Warning(Where where, std::string_view text);
std::string Error(Where where, std::string_view text);

// The texts of those lines, each quoting what it is about and saying what to do.
std::string ListNotUsed(std::string_view used, std::string_view named);
std::string ListIsWav(std::string_view list);
std::string WavNotOpened(std::string_view path, int error);
std::string WavNotRead(std::string_view path, int error);
std::string WavWithoutFormat(std::string_view path);
std::string WavWithoutData(std::string_view path);
std::string WavUnsupported(std::string_view path);
std::string NoSpaceAfterLetter(std::string_view line);
std::string NotACueTime(std::string_view line);
std::string SplitPastEnd(std::string_view line, std::string_view path, uint64_t file_frames);
std::string SplitNotLater(std::string_view line, uint64_t previous_frames);
std::string TrackTooShort(std::string_view line, bool ends_it, bool split, uint64_t frames);
std::string PregapIgnored(std::string_view line);
std::string PregapWithoutLength(std::string_view line);
std::string MixedCaseWav(std::string_view line);
std::string LowercaseLetter(std::string_view line);
std::string QuoteInName(std::string_view path);
std::string NotCdAudio(std::string_view path, uint32_t format, uint32_t sub_format, uint32_t rate,
                       uint32_t bits, uint32_t channels);
std::string ShortOfDeclared(std::string_view path, uint64_t declared_frames, uint64_t held_frames);
std::string NoAudio(std::string_view path);
std::string DiscTooLong(uint64_t frames);
std::string NoWavFile(std::string_view list, std::string_view cue);
