// What the user is given to do: times as a cue sheet writes them, names as the shell takes them,
// the names of new files, and the sox, ffmpeg and mv commands that make them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "disc/findings.h"
#include "tracklist/times.h"

namespace vantorel {

// Appends name, and suffix after it, as a path that no program reads as anything but a file's
// name: after lead where it does not start with /, so that a | or - at its start, or a URL or
// protocol such as http: or pipe:, names a file; and in single quotes, so that the shell takes
// every byte as itself. The lead is ./ where the command runs in the list's folder, and ../ in
// the fix script's own directory inside it.
void AppendPathWord(std::string* out, std::string_view name, std::string_view suffix = "",
                    std::string_view lead = "./");

// A split or pregap line as it is to be written: the letter (S or P), the time, in four fields
// where it would read two ways and four_fields says the file's times do, and the title after it,
// if any.
std::string LineWithTime(char letter, uint64_t frames, std::string_view title,
                         bool four_fields = false);

// Appends text in single quotes, as the shell takes it byte for byte.
void AppendSingleQuoted(std::string* out, std::string_view text);

// The name of a new file, stem and suffix, that a file system and a cue sheet take: the last part
// of the stem cut where a character starts, so that the last part of the name holds at most 255
// bytes and the whole, reached from the fix script's own directory, at most 4095; and each " in
// that part, which no cue sheet can hold, written as '.
std::string NewFileName(std::string_view stem, std::string_view suffix);

// The name of the CD WAV made of a file whose name's stem is stem: the stem and -cd.wav, or where
// the stem already ends in -cd, the stem and 2.wav; where skip names taken by other files are
// passed over, the next numbers (x-cd2.wav, x-cd3.wav).
std::string CdWavName(std::string_view stem, uint32_t skip = 0);

// The name of a new file, name.wav, where skip names taken by other files are passed over:
// name2.wav, name3.wav.
std::string NumberedName(std::string_view name, uint32_t skip);

// Appends the sox command that joins the files a and b into the file joined.
void AppendJoinCommand(std::string* out, std::string_view a, std::string_view b,
                       std::string_view joined);

// Appends the sox command that pads the file from with samples of silence into the new file made.
void AppendPadCommand(std::string* out, std::string_view from, std::string_view made,
                      uint64_t samples);

// Appends the command that renames the file from to stem.wav.
void AppendRenameCommand(std::string* out, std::string_view from, std::string_view stem);

// Samples read as they stand from a file whose chunks no reader walks: how each is stored, as
// ffmpeg names it, their rate and channels, where they start and how many sample frames there are.
struct RawSamples {
  std::string_view format = {};  // Empty where the samples are not read so.
  uint32_t rate = 0;
  uint32_t channels = 0;
  uint64_t start = 0;
  uint64_t frames = 0;
};

// How a finding's fix makes CD audio of its file: the converter (none where it makes no file),
// the kind sox is told the file is, whether all that follows the data chunk's header is read, and
// for ffmpeg, the samples to read as they stand, where it reads them so.
struct Making {
  Converter by = Converter::kNone;
  std::string_view type = {};
  bool to_end = false;
  RawSamples raw = {};
};
Making MakingOf(const Finding& f);

// Appends the command by which making makes CD audio of the file from, reached after from_lead,
// into the new file made. sox takes each name after --no-glob, lest it read * ? [ ] { } in it as a
// pattern of other files' names; ffmpeg reads no standard input, so that a script read from a
// pipe is left whole, and writes over no file. Nothing for Converter::kNone.
void AppendConvertCommand(std::string* out, const Making& making, std::string_view from,
                          std::string_view made, std::string_view from_lead = "./");

// What a finding asks of the user, as it can be done without a choice: a command that makes a
// file, and the line to write in place of the finding's line. The wording of the finding and
// --script both take them from here.
enum class LineChange : uint8_t {
  kNone,
  kRemove,  // The line is to go.
  kWrite,   // Another line is to stand in its place.
};
struct Fix {
  std::string command = {};  // Empty where there is none.
  LineChange change = LineChange::kNone;
  std::string line = {};  // kWrite: the line to write.
};
Fix FixOf(const Finding& f);

}  // namespace vantorel
