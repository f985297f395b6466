// What the run finds wrong with a list, its WAV files or the disc they make, as data: a kind, the
// line of the list it is about, and the numbers it rests on. The run's texts word each one.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tracklist/track_table.h"

namespace vantorel {

enum class FindingKind {
  // Of the run as a whole.
  kListNotUsed,         // A tlist.txt was read, not the list named (subject).
  kListIsWav,           // The list starts with RIFF.
  kNoWavFile,           // The list names no WAV file, so the cue file is empty.
  kDiscTooLong,         // frames: the disc's length with its pregaps.
  kTooManyTracks,       // count: the tracks on the disc.
  kWrittenWithoutLock,  // Another program held the cue file (subject) locked too long.
  // Of CD-TEXT the sheet carries but cdrdao would not burn as it is.
  kNoDiscTitle,
  kNoDiscPerformer,  // No performer for the disc, which tracks without one take.
  kTooManyPacks,     // count: the packs the CD-TEXT takes; subject: the disc's performer;
                     // performer_tracks and performer_packs: the tracks whose performer it is,
                     // and the packs it takes on them.

  // Of a WAV entry that cannot be used, or used only in part. subject is its name.
  kWavNotOpened,      // error: why; other: the name without the blanks at its end, when that is
                      // a file's name; maybe_note: it may be a note written first, holding no
                      // .wav; title: then, as the sheet would write it for the disc's title, or
                      // its performer where line_kind says so.
  kWavNotRead,        // error: why.
  kWavWithoutFormat,  // Its format fields are read at the limit of the search.
  kWavWithoutData,    // converter and stem: where it names audio of another kind by its extension.
  kWavUnsupported,    // format: what the header says; stem, converter and format_name: for
                      // compressed audio alone, the name's stem, the tool that decodes it, if
                      // any, and the coding's name, if known; also: what else its command does,
                      // or that the file holds no audio.
  kNotWavAudio,       // Audio of another kind, by what the file holds; format_name: that kind;
                      // converter and stem: the tool that makes CD audio of it and the name's stem;
                      // other: the kind as sox is told it, where the name does not give it.

  // Of a WAV file a burner would refuse or misread. subject is its name.
  kQuoteInName,
  // stem: what a CD WAV made of it is named after. One command mends each of the five below
  // and whatever of RF64, RIFX and not CD audio the file is besides, which also names. format:
  // what the header says.
  kRf64,             // An RF64 file, which cdrdao does not read.
  kRifx,             // A big-endian RIFX file, which cdrdao does not read.
  kNotCdAudio,       // Not the plain PCM format of CD audio.
  kShortOfDeclared,  // frames: the length declared; other_frames: the length held.
  kSizeNotFilledIn,  // It declares no audio, but frames of it follow the header.
  kNoAudio,
  kEndsInsideFrame,  // A note: another file follows with no pause; other: that file; count:
                     // samples of silence, at the CD's rate, that a burner adds to end on a whole
                     // frame; frames: where the next file would start if the two were joined;
                     // joined: the name of the two joined, where they can be, the next being CD
                     // audio of one track.
  kPartSampleFrame,  // A note: CD audio whose data chunk ends inside a sample frame; count: the
                     // bytes of that frame it holds.

  // Of a line of the list. subject is the line.
  kMixedCaseWav,        // A .Wav line, or a time line that names one. other, as the run found:
                        // ".wav" or ".WAV", the ending with which it names a file in place of
                        // its own, or else the line itself, when it is a file's name; stem: the
                        // line without its ending.
  kNoSpaceAfterLetter,  // A digit stands where the separator is skipped.
  kNotACueTime,
  // A split's time, and where it lands. title: the title after a split's time, if any.
  kEditorTime,           // A time as audio editors write it; frames: the time it means.
  kTimeWithoutFrames,    // minutes:seconds; frames: that time; other_frames: seconds:frames, as
                         // cdrdao reads it.
  kSplitPastEnd,         // other: the file; frames: its length.
  kSplitNotLater,        // frames: where the track before it starts; other_frames: the time it
                         // gives read as hours:minutes:seconds, where that rises inside the file.
  kSplitAtStart,         // The first split of a file, at 00:00:00, where its first track starts;
                         // title: the split's title, where the first track has none; count: the
                         // file's line.
  kFirstPregap,          // A note: a pregap on the disc's first track; frames: the silence before
                         // it, with the 2 seconds every CD has.
  kTrackBeforeTooShort,  // The track that ends at this split; frames: its length.
  kLastTrackTooShort,    // The last track of a split file starts at this line; frames: its length.
  kFileTooShort,         // A file of one track; frames: its length.
  kPregapIgnored,        // other: the ignored line right above it, if any; count: its number.
  kPregapWithoutLength,
  kLowercaseLetter,     // An s or p line with a time; line_kind: what it would be with a capital.
  kNoteReadAsLine,      // An S or P line that holds no time: a note, but read as line_kind.
  kOtherAudio,          // An ignored line that names an audio file of another kind; converter
                        // and stem: the tool that makes CD audio of it and the name's stem.
  kOtherAudioNotFound,  // Likewise, but no file of that name can be read here.
  kFileNotWav,          // An ignored line that is the name of an existing file.
  kWavWithoutExt,       // An ignored line that, with .wav added, is the name of an existing file.
  kLongFileName,        // A WAV line of count bytes, too many for Debian's cdrdao.

  // Of a title or performer line, or a split line with a title after its time.
  kTextChanged,        // Its text cannot be burnt as it is; other: what is written; stem: the
                       // line before its text.
  kTextEmpty,          // It gives no text, and nothing is written.
  kTextAgain,          // The track or the disc has one already; count: that line; line_kind: of
                       // which kind this line is.
  kTrackWithoutTitle,  // The track this line opens has no title, while the sheet carries CD-TEXT.
};

// How much a finding weighs: an error, after which the run cannot go on (a WAV file it cannot
// use); a warning of what a burner would refuse or misread; or a note, something worth knowing
// that needs nothing done, which --strict passes.
enum class Severity { kError, kWarning, kNote };

// The tool that makes CD audio of a file: sox for what Debian's sox reads, ffmpeg for the rest.
enum class Converter { kNone, kSox, kFfmpeg };

// The fields of a format block that decide whether a file is CD audio.
struct AudioFormat {
  uint32_t code = 0;
  uint32_t coding = 0;  // The code of what the samples are; see HeaderFacts.
  uint32_t rate = 0;
  uint32_t bits = 0;
  uint32_t channels = 0;
};

struct Finding {
  FindingKind kind = {};
  int line = 0;  // The list's line, or 0 for the run as a whole.
  std::string_view subject = {};
  std::string_view other = {};
  uint64_t frames = 0;  // A time or length in CD frames.
  uint64_t other_frames = 0;
  int error = 0;  // An errno value.
  uint64_t count = 0;
  uint32_t performer_tracks = 0;
  uint32_t performer_packs = 0;
  AudioFormat format = {};
  Converter converter = Converter::kNone;
  std::string_view stem = {};
  // How many taken names the name of the CD WAV its fix makes passes over: 0 for x-cd.wav, 1 for
  // x-cd2.wav.
  uint32_t name_skip = 0;
  std::string_view format_name = {};
  std::string joined = {};
  std::string title = {};
  LineKind line_kind = LineKind::kNone;
  bool maybe_note = false;
  std::vector<FindingKind> also = {};  // More that the finding's one command mends.
};

// Whether the finding also says what a finding of kind would: where it gives a command, that the
// command mends that too.
inline bool AlsoSays(const Finding& f, FindingKind kind) {
  return std::find(f.also.begin(), f.also.end(), kind) != f.also.end();
}

// What a finding of a kind weighs. A kind must be weighed here before it can be said.
Severity SeverityOf(FindingKind kind);

inline bool IsError(FindingKind kind) {
  return SeverityOf(kind) == Severity::kError;
}
inline bool IsNote(FindingKind kind) {
  return SeverityOf(kind) == Severity::kNote;
}

}  // namespace vantorel
