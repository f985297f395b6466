// What the user is given to do: times as a cue sheet writes them, names as the shell takes them,
// the names of new files, and the sox, ffmpeg and mv commands that make them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "disc/findings.h"

namespace vantorel {

// A length in CD frames as a cue sheet writes it, minutes:seconds:frames, each of at least two
// digits.
std::string CueTime(uint64_t frames);

// Appends the name made of name and suffix as the shell takes it: bare where every byte is one
// the shell takes as itself, in single quotes otherwise; after ./ where it starts with a dash.
void AppendShellWord(std::string* out, std::string_view name, std::string_view suffix = "");

// A split or pregap line as it is to be written: the letter of line, the time, and the title
// after it, if any.
std::string TimeLineText(std::string_view line, uint64_t frames, std::string_view title);

// Appends text in single quotes, as the shell takes it byte for byte.
void AppendSingleQuoted(std::string* out, std::string_view text);

// What the name of a CD WAV made of another file ends in, after the other file's stem. The new
// file's name is not the stem's plain WAV name, which may already be taken by a file of the list.
constexpr std::string_view kCdWavSuffix = "-cd.wav";

// The name of the CD WAV made of a file whose name's stem is stem.
std::string CdWavName(std::string_view stem);

// Appends the command by which the converter makes CD audio of the file from, into the CD WAV
// named after stem; sox is told the file's kind where type gives it, and either, with to_end, to
// read all that follows the data chunk's header. Nothing for Converter::kNone.
void AppendConvertCommand(std::string* out, Converter by, std::string_view from,
                          std::string_view stem, std::string_view type = {}, bool to_end = false);

// Appends the sox command that joins the files a and b into the file joined.
void AppendJoinCommand(std::string* out, std::string_view a, std::string_view b,
                       std::string_view joined);

// Appends the sox command that pads the file from with samples of silence into the CD WAV named
// after stem.
void AppendPadCommand(std::string* out, std::string_view from, std::string_view stem,
                      uint64_t samples);

// Appends the command that renames the file from to stem.wav.
void AppendRenameCommand(std::string* out, std::string_view from, std::string_view stem);

// What a finding asks of the user, as it can be done without a choice: a command that makes a
// file, and the line to write in place of the finding's line. The wording of the finding and
// --script both take them from here.
struct Fix {
  std::string command = {};  // Empty where there is none.
  // The line to write, where there is one to write; an empty one is the line removed.
  std::optional<std::string> line = {};
};
Fix FixOf(const Finding& f);

}  // namespace vantorel
