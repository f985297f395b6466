// What the run finds wrong with a list, its WAV files or the disc they make, as data: a kind, the
// line of the list it is about, and the numbers it rests on. The run's texts word each one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "audio/wavprobe.h"
#include "tracklist/track_table.h"

namespace vantorel {

enum class FindingKind : uint8_t {
  // Of the run as a whole.
  kListNotUsed,         // A tlist.txt was read, not the list named (subject).
  kListIsWav,           // The list starts with RIFF.
  kNoWavFile,           // The list names no WAV file, so the cue file is empty.
  kNulInList,           // line: the list's line that holds a NUL byte, after which nothing is read.
  kDiscTooLong,         // frames: the disc's length with its pregaps.
  kTooManyTracks,       // count.tracks: the tracks on the disc.
  kWrittenWithoutLock,  // Another program held the cue file (subject) locked too long.
  // Of CD-TEXT the sheet carries but cdrdao would not burn as it is.
  kNoDiscTitle,
  kNoDiscPerformer,  // No performer for the disc, which tracks without one take.
  kTooManyPacks,     // count.packs: the packs the CD-TEXT takes, and the share of subject, the
                     // disc's performer.

  // Of a WAV entry that cannot be used, or used only in part. subject is its name.
  kWavNotOpened,      // error: why; names.trimmed_name: the name without the blanks at its end,
                      // when that is a file's name; maybe_note: it may be a note written first,
                      // holding no .wav; part.cd_text: then, the text of it the sheet would write
                      // for the disc's title, or its performer where line_kind says so.
  kWavNotRead,        // error: why.
  kWavWithoutFormat,  // Its format fields are read at the limit of the search.
  kWavWithoutData,    // converter and part.stem: where it names audio of another kind by its
                      // extension.
  kWavUnsupported,    // format: what the header says; part.stem and converter: for compressed
                      // audio alone, the name's stem and the tool that decodes it, if any; also:
                      // what else its command does, or that the file holds no audio.
  kNotWavAudio,       // Audio of another kind, by what the file holds; audio: that kind;
                      // converter and part.stem: the tool that makes CD audio of it and the name's
                      // stem; names.sox_type: the kind as sox is told it, where the name does not
                      // give it.

  // Of a WAV file a burner would refuse or misread. subject is its name.
  kQuoteInName,
  // part.stem: what a CD WAV made of it is named after. One command mends each of the five below
  // and whatever of RF64, RIFX and not CD audio the file is besides, which also names. format:
  // what the header says.
  kIrregularChunks,  // Chunks cdrdao and sox cannot walk (see HeaderFacts::irregular_chunks);
                     // frames: where its samples start; other_frames: the sample frames it
                     // holds. Its command reads them as they stand.
  kRf64,             // An RF64 file, which cdrdao does not read.
  kRifx,             // A big-endian RIFX file, which cdrdao does not read.
  kNotCdAudio,       // Not the plain PCM format of CD audio.
  kShortOfDeclared,  // frames: the length declared; other_frames: the length held.
  kSizeNotFilledIn,  // It declares no audio, but frames of it follow the header.
  kNoAudio,
  kEndsInsideFrame,  // A note: another file follows with no pause; names.next_file: that file;
                     // count.samples: of silence, at the CD's rate, that a burner adds to end on a
                     // whole frame; frames: where the next file would start if the two were
                     // joined; joinable: they can be, the next being CD audio of one track.
  kPartSampleFrame,  // A note: CD audio whose data chunk ends inside a sample frame; count.bytes:
                     // the bytes of that frame it holds.

  // Of a line of the list. subject is the line.
  kMixedCaseWav,        // A .Wav line, or a time line that names one. names.spelling, as the
                        // run found: ".wav" or ".WAV", the ending with which it names a file in
                        // place of its own, or else the line itself, when it is a file's name;
                        // part.stem: the line without its ending.
  kNoSpaceAfterLetter,  // A digit stands where the separator is skipped, and the time the sheet
                        // carries is not the one written; frames, where timed: the time meant.
  kNotACueTime,
  // A split's time, and where it lands. names.title: the title after a split's time, if any, as
  // the sheet writes it; four_fields: the time to write reads two ways as minutes:seconds:frames.
  kEditorTime,           // A time as audio editors write it; frames: the time it means.
  kTimeWithoutFrames,    // minutes:seconds; frames: that time; other_frames: seconds:frames, as
                         // cdrdao reads it.
  kTimeSettled,          // A time that reads two ways, of which the file's other splits hold
                         // only one; frames: the time it means; other_frames: the other reading.
  kTimesTwoWays,         // The first of a file's split times that read two ways, where either
                         // way holds; names.file: the file; frames and other_frames: where its
                         // last split that reads two ways starts, read the larger way and the
                         // smaller.
  kFractionSettled,      // Two digits after a point, which the file's other times read only as
                         // CD frames or only as hundredths; frames: the time it means;
                         // other_frames: the other reading.
  kFractionsTwoWays,     // Likewise kTimesTwoWays, of the two readings of fractions: frames as
                         // CD frames after the point, other_frames as hundredths.
  kSplitPastEnd,         // names.file: the file; frames: its length.
  kSplitNotLater,        // frames: where the track before it starts; other_frames: the time it
                         // gives read as hours:minutes:seconds, where that rises inside the file.
  kSplitAtStart,         // The first split of a file, at 00:00:00, where its first track starts;
                         // names.title: the split's title, where the first track has none;
                         // other_line: the file's line.
  kFirstPregap,          // A note: a pregap on the disc's first track; frames: the silence before
                         // it, with the 2 seconds every CD has.
  kTrackBeforeTooShort,  // The track that ends at this split; frames: its length.
  kLastTrackTooShort,    // The last track of a split file starts at this line; frames: its length.
  kFileTooShort,         // A file of one track; frames: its length.
  kPregapIgnored,        // names.line_above and other_line: the ignored line right above it, if
                         // any, and its number.
  kPregapWithoutLength,
  kLowercaseLetter,     // An s or p line with a time; line_kind: what it would be with a capital;
                        // frames, where timed: the time it means, and names.title its title.
  kSplitWithoutLetter,  // A time and a title as a pasted tracklist writes them, without the S of
                        // a split line; frames, where timed: the time it means; names.title;
                        // other_frames: the length it gives, where the file's numbered lines
                        // give lengths.
  kNoteReadAsLine,      // An S or P line that holds no time: a note, but read as line_kind.
  kOtherAudio,          // An ignored line that names an audio file of another kind; converter
                        // and part.stem: the tool that makes CD audio of it and the name's stem.
  kOtherAudioNotFound,  // Likewise, but no file of that name can be read here.
  kFileNotWav,          // An ignored line that is the name of an existing file.
  kWavWithoutExt,       // An ignored line that, with .wav added, is the name of an existing file.
  kLongFileName,        // A WAV line of count.bytes, too many for Debian's cdrdao.

  // Of a title or performer line, or a split line with a title after its time.
  kTextChanged,        // Its text cannot be burnt as it is; names.written: what is written;
                       // part.lead: the line before its text; letters_lost: some of its
                       // characters are written as ?, which no line can mend but in other
                       // letters.
  kTextEmpty,          // It gives no text, and nothing is written.
  kTextAgain,          // The track or the disc has one already; other_line: that line;
                       // line_kind: of which kind this line is.
  kTrackWithoutTitle,  // The track this line opens has no title, while the sheet carries CD-TEXT.
};

// How much a finding weighs: an error, after which the run cannot go on (a WAV file it cannot
// use); a warning of what a burner would refuse or misread; or a note, something worth knowing
// that needs nothing done, which --strict passes.
enum class Severity { kError, kWarning, kNote };

// The tool that makes CD audio of a file: sox for what Debian's sox reads, ffmpeg for the rest.
enum class Converter : uint8_t { kNone, kSox, kFfmpeg };

// The fields of a format block that decide whether a file is CD audio.
struct AudioFormat {
  uint32_t code = 0;
  uint32_t coding = 0;  // The code of what the samples are; see HeaderFacts.
  uint32_t rate = 0;
  uint32_t bits = 0;
  uint32_t channels = 0;
};

// The kinds a finding's one command mends besides its own, as a set: of a file's own finding, RIFX,
// RF64 and not CD audio; of compressed audio, a header over no audio or one that declares none.
class AlsoMends {
 public:
  constexpr AlsoMends() = default;
  constexpr AlsoMends(std::initializer_list<FindingKind> kinds) {
    for (FindingKind kind : kinds) Add(kind);
  }
  constexpr void Add(FindingKind kind) { bits_ |= Bit(kind); }
  constexpr bool Has(FindingKind kind) const { return (bits_ & Bit(kind)) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  bool operator==(const AlsoMends&) const = default;

  // The kinds a set may hold, in the order they are said.
  static constexpr FindingKind kKinds[] = {FindingKind::kRifx, FindingKind::kRf64,
                                           FindingKind::kNotCdAudio, FindingKind::kNoAudio,
                                           FindingKind::kSizeNotFilledIn};

 private:
  static constexpr uint8_t Bit(FindingKind kind) {
    for (size_t i = 0; i < std::size(kKinds); ++i) {
      if (kKinds[i] == kind) return static_cast<uint8_t>(1u << i);
    }
    return 0;
  }
  uint8_t bits_ = 0;
};

// A second text a finding names, by its kind.
union FindingNames {
  std::string_view none = {};
  std::string_view trimmed_name;  // kWavNotOpened: the name without the blanks at its end.
  std::string_view sox_type;      // kNotWavAudio: the kind as sox is told it.
  std::string_view next_file;     // kEndsInsideFrame: the file that follows.
  std::string_view spelling;      // kMixedCaseWav: the ending with which it names a file.
  std::string_view file;          // kSplitPastEnd: the split's file.
  std::string_view line_above;    // kPregapIgnored: the ignored line right above it.
  std::string_view written;       // kTextChanged: what the sheet writes.
  // Of a split's time: the title after it, as the sheet writes it, which a line to write keeps.
  std::string_view title;
};

// A part of a finding's subject, by its kind.
union SubjectPart {
  std::string_view none = {};
  std::string_view stem;     // Of a file's name: what a CD WAV made of it is named after.
  std::string_view lead;     // kTextChanged: the line before its text.
  std::string_view cd_text;  // kWavNotOpened: the text the disc's title or performer would be.
};

// The packs a CD-TEXT block takes, and the disc performer's share: the tracks that take it and
// the packs it takes there (a CD has far fewer tracks than these hold).
struct PackCount {
  uint32_t all;
  uint16_t performer_tracks;
  uint16_t performer_packs;
};

// A count a finding gives, by its kind.
union FindingCount {
  uint64_t none = 0;
  uint64_t samples;  // kEndsInsideFrame: of silence, at the CD's rate.
  uint64_t tracks;   // kTooManyTracks.
  PackCount packs;   // kTooManyPacks.
  uint64_t bytes;    // kLongFileName: of the name; kPartSampleFrame: of the part frame.
};

// A finding: its kind, its place and the facts its wording and its fix rest on. Each kind sets
// the fields its comment above names; a field of a union is read only by the kinds that set it.
struct Finding {
  FindingKind kind = {};
  int line = 0;  // The list's line, or 0 for the run as a whole.
  std::string_view subject = {};
  FindingNames names = {};
  uint64_t frames = 0;  // A time or length in CD frames.
  uint64_t other_frames = 0;
  int error = 0;       // An errno value.
  int other_line = 0;  // Another line of the list, by number.
  FindingCount count = {};
  AudioFormat format = {};
  Converter converter = Converter::kNone;
  AlsoMends also = {};
  // How many taken names the name of the new file its fix makes passes over: 0 for x-cd.wav, 1
  // for x-cd2.wav; and for the file two joined files make.
  uint16_t name_skip = 0;
  SubjectPart part = {};
  OtherAudio audio = OtherAudio::kNone;  // kNotWavAudio: the kind of audio the file holds.
  bool joinable = false;                 // kEndsInsideFrame: the two files can be joined.
  uint16_t joined_skip = 0;
  bool maybe_note = false;
  LineKind line_kind = LineKind::kNone;
  // frames is the time the line means, which its line to write gives.
  bool timed = false;
  bool four_fields = false;
  bool letters_lost = false;
};

// Whether the finding also says what a finding of kind would: where it gives a command, that the
// command mends that too.
inline bool AlsoSays(const Finding& f, FindingKind kind) {
  return f.also.Has(kind);
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
