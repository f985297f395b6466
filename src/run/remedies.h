// What the user is given to do: times as a cue sheet writes them, names as the shell takes them,
// the names of new files, and the sox, ffmpeg and mv commands that make them.
#pragma once

#include <cstdint>
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

// What the name of a CD WAV made of another file ends in, after the other file's stem. The new
// file's name is not the stem's plain WAV name, which may already be taken by a file of the list.
constexpr std::string_view kCdWavSuffix = "-cd.wav";

// The name of the CD WAV made of a file whose name's stem is stem.
std::string CdWavName(std::string_view stem);

// Appends the command by which the converter makes CD audio of the file from, into the CD WAV
// named after stem. Nothing for Converter::kNone.
void AppendConvertCommand(std::string* out, Converter by, std::string_view from,
                          std::string_view stem);

// Appends the sox command that joins the files a and b into the file joined.
void AppendJoinCommand(std::string* out, std::string_view a, std::string_view b,
                       std::string_view joined);

// Appends the sox command that pads the file from with samples of silence into the CD WAV named
// after stem.
void AppendPadCommand(std::string* out, std::string_view from, std::string_view stem,
                      uint64_t samples);

// Appends the command that renames the file from to stem.wav.
void AppendRenameCommand(std::string* out, std::string_view from, std::string_view stem);

}  // namespace vantorel
