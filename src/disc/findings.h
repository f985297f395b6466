// What the run finds wrong with a list, its WAV files or the disc they make, as data: a kind, the
// line of the list it is about, and the numbers it rests on. The run's texts word each one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <variant>

#include "audio/wavprobe.h"
#include "disc/disc.h"
#include "disc/layout.h"
#include "tracklist/track_table.h"

namespace vantorel {

// The kinds of findings. The facts each rests on, beside its line and subject, are the fields of
// the type FactsFor gives it below; a kind not named there rests on none.
enum class FindingKind : uint8_t {
  // Of the run as a whole.
  kListNotUsed,         // A tlist.txt was read, not the list named (subject).
  kListIsWav,           // The list starts with RIFF.
  kNoWavFile,           // The list names no WAV file, so the cue file is empty.
  kNulInList,           // A NUL byte stands on the line, and nothing after it is read.
  kDiscTooLong,         // DiscLength.
  kTooManyTracks,       // TrackTotal.
  kWrittenWithoutLock,  // Another program held the cue file (subject) locked too long.
  // Of CD-TEXT the sheet carries but cdrdao would not burn as it is.
  kNoDiscTitle,
  kNoDiscPerformer,  // No performer for the disc, which tracks without one take.
  kTooManyPacks,     // PackTotal; subject: the disc's performer.

  // Of a WAV entry that cannot be used, or used only in part. subject is its name.
  kWavNotOpened,      // NotOpened.
  kWavNotRead,        // NotRead.
  kWavWithoutFormat,  // Its format fields are read at the limit of the search.
  kWavWithoutData,    // Remade: where it names audio of another kind by its extension.
  kWavUnsupported,    // Remade: for compressed audio alone, the tool that decodes it, if any.
  kNotWavAudio,       // ForeignAudio: audio of another kind, by what the file holds.

  // Of a WAV file a burner would refuse or misread. subject is its name.
  kQuoteInName,
  // Remade. One command mends each of the six below and whatever of RF64, RIFX and not CD audio
  // the file is besides, which also names.
  kIrregularChunks,  // Chunks cdrdao and sox cannot walk (see HeaderFacts::irregular_chunks); its
                     // command reads its samples as they stand.
  kRf64,             // An RF64 file, which cdrdao does not read.
  kRifx,             // A big-endian RIFX file, which cdrdao does not read.
  kNotCdAudio,       // Not the plain PCM format of CD audio.
  kShortOfDeclared,  // It declares more audio than it holds.
  kSizeNotFilledIn,  // It declares no audio, but audio follows the header.
  kNoAudio,
  kEndsInsideFrame,  // A note: Padding.
  kPartSampleFrame,  // A note: CD audio whose data chunk ends inside a sample frame; ByteCount.

  // Of a line of the list. subject is the line.
  kMixedCaseWav,        // A .Wav line, or a time line that names one; Respelling.
  kNoSpaceAfterLetter,  // A digit stands where the separator is skipped, and the time the sheet
                        // carries is not the one written; LineToWrite.
  kNotACueTime,
  // A split's time, and where it lands.
  kEditorTime,         // A time as audio editors write it; LineToWrite.
  kTimeWithoutFrames,  // minutes:seconds, which the file does not settle; TwoReadings.
  kTimeSettled,        // A time that reads two ways, of which the file's other splits hold
                       // only one; TwoReadings.
  kTimesTwoWays,       // The first of a file's split times that read two ways, where either
                       // way holds; FileChoice.
  kFractionSettled,    // Two digits after a point, which the file's other times read only as
                       // CD frames or only as hundredths; TwoReadings.
  kFractionsTwoWays,   // Likewise kTimesTwoWays, of fractions: FileChoice, the larger as CD
                       // frames after the point, the smaller as hundredths.
  kSplitPastEnd,       // PastEnd.
  kSplitNotLater,      // NotLater.
  kSplitAtStart,       // The first split of a file, at its start, where its first track starts;
                       // AtStart.
  kFirstPregap,        // A note: a pregap on the disc's first track; FrameCount: the silence before
                       // the first song, with the 2 seconds every CD has.
  kTrackBeforeTooShort,  // The track that ends at this split; FrameCount.
  kLastTrackTooShort,    // The last track of a split file starts at this line; FrameCount.
  kFileTooShort,         // A file of one track; FrameCount.
  kPregapIgnored,        // StrayPregap.
  kPregapWithoutLength,
  kLowercaseLetter,     // An s or p line with a time; LineToWrite.
  kSplitWithoutLetter,  // A time and a title as a pasted tracklist writes them, without the S of
                        // a split line; LineToWrite.
  kNoteReadAsLine,      // An S or P line that holds no time: a note; NoteRead.
  kOtherAudio,          // An ignored line that names an audio file of another kind; ForeignAudio.
  kOtherAudioNotFound,  // Likewise, but no file of that name can be read here.
  kFileNotWav,          // An ignored line that is the name of an existing file.
  kWavWithoutExt,       // An ignored line that, with .wav added, is the name of an existing file.
  kLongFileName,        // A WAV line too long for Debian's cdrdao; ByteCount.
  kLowercaseKeyword,    // An ISRC, FLAGS or CATALOG line whose keyword is not in capitals;
                        // KeywordLine.

  // Of a G, ISRC, FLAGS or CATALOG line. Nothing is written for the line, but as said.
  kGapIgnored,     // A G line that follows no line opening a track; StrayPregapFacts.
  kGapWithPregap,  // A G line of a track with a P line too.
  kGapTooLong,     // GapLimit.
  kMarkAgain,      // Its track or the disc has one of its kind already; TextAgainOf.
  kIsrcForm,       // Not 5 capitals or digits and 7 digits.
  kIsrcZeros,
  kCatalogForm,  // Not 13 digits.
  kCatalogZeros,
  kFlagWords,  // Words other than DCP, 4CH and PRE, each once; the flags it gives are written.

  // Of a title or performer line, or a split line with a title after its time.
  kTextChanged,        // Its text cannot be burnt as it is; TextWritten.
  kTextEmpty,          // It gives no text, and nothing is written.
  kTextAgain,          // The track or the disc has one already; TextAgainOf.
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

// The packs a CD-TEXT block takes, and the disc performer's share: the tracks that take it and
// the packs it takes there (a CD has far fewer tracks than these hold).
struct PackCount {
  uint32_t all;
  uint16_t performer_tracks;
  uint16_t performer_packs;
};

// The facts of the kinds of findings, each named for what it is to them.
struct NoFacts {
  bool operator==(const NoFacts&) const = default;
};
struct DiscLength {
  uint64_t frames = 0;  // With its pregaps.
};
struct TrackTotal {
  uint64_t tracks = 0;
};
struct PackTotal {
  PackCount packs = {};
};
struct NotOpened {
  int error = 0;  // An errno value: why.
  // The name without the blanks at its end, where that is a file's name.
  std::string_view trimmed_name = {};
  // It may be a note written first, holding no .wav; then the text of it the sheet would write
  // for the disc's title, or its performer where written_as says so.
  bool maybe_note = false;
  std::string_view disc_text = {};
  LineKind written_as = LineKind::kDiscTitle;
};
struct NotRead {
  int error = 0;  // An errno value: why.
};
// The new file a fix makes of the finding's file: the tool that makes it (none where none can),
// what it is named after, and how many taken names its name passes over (0 for x-cd.wav, 1 for
// x-cd2.wav).
struct NewFile {
  Converter by = Converter::kNone;
  std::string_view stem = {};
  uint16_t skip = 0;
};
// A file one command makes again as CD audio, whatever of its faults also names besides the
// finding's own.
struct Remade {
  NewFile made = {};
  AudioFormat format = {};  // What the header says.
  AlsoMends also = {};
  uint64_t declared_frames = 0;  // kShortOfDeclared: in CD frames.
  uint64_t held_frames = 0;      // kShortOfDeclared, kSizeNotFilledIn: in CD frames.
  uint64_t data_start = 0;       // kIrregularChunks: where the samples start,
  uint64_t sample_frames = 0;    // and how many sample frames it holds.
};
struct ForeignAudio {
  NewFile made = {};
  OtherAudio audio = OtherAudio::kNone;  // kNotWavAudio: what the file holds.
  std::string_view sox_type = {};        // The kind as sox is told it, where the name does not.
};
struct Padding {
  NewFile made = {};  // The file padded to a whole frame.
  std::string_view next_file = {};
  uint64_t silence = 0;      // The samples of silence, at the CD's rate, a burner adds.
  uint64_t join_at = 0;      // Where the next file would start were the two joined, in CD frames.
  bool joinable = false;     // They can be: the next is CD audio of one track.
  uint16_t joined_skip = 0;  // Taken names the joined file's name passes over.
};
struct ByteCount {
  uint64_t bytes = 0;  // Of the name as the sheet writes it, or of the part sample frame.
};
struct Respelling {
  Spelling spelling = Spelling::kNone;
  std::string_view stem = {};  // The line without its ending.
};
// A split or pregap line to write whole: its letter, the time it means, where that is known, in
// four fields where it would read two ways, and its title, as the sheet writes it or, where
// letters of it would be lost, as the list does.
struct LineToWrite {
  LineKind letter = LineKind::kSplit;
  bool known = false;
  uint32_t frames = 0;
  bool four_fields = false;
  std::string_view title = {};
  uint32_t length = 0;  // kSplitWithoutLetter: the length it gives, where the file's numbered
                        // lines give lengths.
};
// A split's two readings: the one meant, or the larger, and the other.
struct TwoReadings {
  uint32_t meant = 0;
  uint32_t other = 0;
  bool four_fields = false;
  std::string_view title = {};
};
// The choice of reading for a file's split times: where its last split that reads two ways starts
// each way, and how the times written for the larger read.
struct FileChoice {
  std::string_view file = {};
  uint32_t larger = 0;
  uint32_t smaller = 0;
  bool four_fields = false;
};
struct PastEnd {
  std::string_view file = {};
  uint64_t file_end = 0;
};
struct NotLater {
  uint64_t before = 0;    // Where the track before it starts.
  uint32_t as_hours = 0;  // Its time read as hours:minutes:seconds, where that rises in the file.
  bool four_fields = false;
  std::string_view title = {};
};
struct AtStart {
  std::string_view title = {};  // Its title, where the file's first track has none.
  int file_line = 0;
};
struct FrameCount {
  uint64_t frames = 0;
};
struct StrayPregapFacts {
  ListLine above = {};  // The ignored line right above it, if any.
};
struct NoteRead {
  LineKind read_as = LineKind::kSplit;
};
struct TextWritten {
  std::string_view written = {};  // What the sheet writes.
  std::string_view lead = {};     // The line before its text.
  bool letters_lost = false;      // Some of it is written as ?, which only other letters mend.
  // The line's time, where the line is written whole with it.
  bool timed = false;
  uint32_t frames = 0;
  bool four_fields = false;
};
struct TextAgainOf {
  int first = 0;  // The line of the first, which stands.
  LineKind kind = LineKind::kTitle;
};
struct KeywordLine {
  LineKind kind = LineKind::kIsrc;  // What the line is with its keyword in capitals.
};
struct GapLimit {
  GapFault fault = GapFault::kNone;
  uint32_t longest = 0;  // The longest gap the track can have.
};

using FindingFacts =
    std::variant<NoFacts, DiscLength, TrackTotal, PackTotal, NotOpened, NotRead, Remade,
                 ForeignAudio, Padding, ByteCount, Respelling, LineToWrite, TwoReadings, FileChoice,
                 PastEnd, NotLater, AtStart, FrameCount, StrayPregapFacts, NoteRead, TextWritten,
                 TextAgainOf, KeywordLine, GapLimit>;

// The facts of each kind.
template <FindingKind K>
struct FactsFor {
  using type = NoFacts;
};
#define VANTOREL_FACTS(kind, facts)    \
  template <>                          \
  struct FactsFor<FindingKind::kind> { \
    using type = facts;                \
  };
VANTOREL_FACTS(kDiscTooLong, DiscLength)
VANTOREL_FACTS(kTooManyTracks, TrackTotal)
VANTOREL_FACTS(kTooManyPacks, PackTotal)
VANTOREL_FACTS(kWavNotOpened, NotOpened)
VANTOREL_FACTS(kWavNotRead, NotRead)
VANTOREL_FACTS(kWavWithoutData, Remade)
VANTOREL_FACTS(kWavUnsupported, Remade)
VANTOREL_FACTS(kNotWavAudio, ForeignAudio)
VANTOREL_FACTS(kIrregularChunks, Remade)
VANTOREL_FACTS(kRf64, Remade)
VANTOREL_FACTS(kRifx, Remade)
VANTOREL_FACTS(kNotCdAudio, Remade)
VANTOREL_FACTS(kShortOfDeclared, Remade)
VANTOREL_FACTS(kSizeNotFilledIn, Remade)
VANTOREL_FACTS(kEndsInsideFrame, Padding)
VANTOREL_FACTS(kPartSampleFrame, ByteCount)
VANTOREL_FACTS(kMixedCaseWav, Respelling)
VANTOREL_FACTS(kNoSpaceAfterLetter, LineToWrite)
VANTOREL_FACTS(kEditorTime, LineToWrite)
VANTOREL_FACTS(kTimeWithoutFrames, TwoReadings)
VANTOREL_FACTS(kTimeSettled, TwoReadings)
VANTOREL_FACTS(kTimesTwoWays, FileChoice)
VANTOREL_FACTS(kFractionSettled, TwoReadings)
VANTOREL_FACTS(kFractionsTwoWays, FileChoice)
VANTOREL_FACTS(kSplitPastEnd, PastEnd)
VANTOREL_FACTS(kSplitNotLater, NotLater)
VANTOREL_FACTS(kSplitAtStart, AtStart)
VANTOREL_FACTS(kFirstPregap, FrameCount)
VANTOREL_FACTS(kTrackBeforeTooShort, FrameCount)
VANTOREL_FACTS(kLastTrackTooShort, FrameCount)
VANTOREL_FACTS(kFileTooShort, FrameCount)
VANTOREL_FACTS(kPregapIgnored, StrayPregapFacts)
VANTOREL_FACTS(kLowercaseLetter, LineToWrite)
VANTOREL_FACTS(kSplitWithoutLetter, LineToWrite)
VANTOREL_FACTS(kNoteReadAsLine, NoteRead)
VANTOREL_FACTS(kOtherAudio, ForeignAudio)
VANTOREL_FACTS(kLongFileName, ByteCount)
VANTOREL_FACTS(kTextChanged, TextWritten)
VANTOREL_FACTS(kTextAgain, TextAgainOf)
VANTOREL_FACTS(kLowercaseKeyword, KeywordLine)
VANTOREL_FACTS(kGapIgnored, StrayPregapFacts)
VANTOREL_FACTS(kGapTooLong, GapLimit)
VANTOREL_FACTS(kMarkAgain, TextAgainOf)
#undef VANTOREL_FACTS

// A finding: its kind, its place, and the facts its wording and its fix rest on, of the type its
// kind has them in.
struct Finding {
  FindingKind kind = {};
  int line = 0;  // The list's line, or 0 for the run as a whole.
  std::string_view subject = {};
  FindingFacts facts = {};
};

// A finding of kind K about line at, whose subject is the line's text unless another is given.
template <FindingKind K>
Finding MakeFinding(int line, std::string_view subject, typename FactsFor<K>::type facts = {}) {
  return {K, line, subject, std::move(facts)};
}

// The facts of a finding of kind K.
template <FindingKind K>
const typename FactsFor<K>::type& FactsOf(const Finding& f) {
  const auto* facts = std::get_if<typename FactsFor<K>::type>(&f.facts);
  if (f.kind != K || facts == nullptr) std::abort();
  return *facts;
}

// A visitor of a finding's facts made of one lambda for each type it takes.
template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
// Clang before 17 deduces no aggregate's template arguments without a guide.
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// The new file a finding's fix makes, if it makes one.
NewFile* NewFileOf(Finding* f);
const NewFile* NewFileOf(const Finding& f);

// What a finding of a kind weighs. A kind must be weighed here before it can be said.
Severity SeverityOf(FindingKind kind);

inline bool IsError(FindingKind kind) {
  return SeverityOf(kind) == Severity::kError;
}
inline bool IsNote(FindingKind kind) {
  return SeverityOf(kind) == Severity::kNote;
}

}  // namespace vantorel
