// Where each track of the disc lies as a burner lays the cue sheet out: every file takes the
// whole CD frames of its audio, a last part of a frame padded to a whole one, and every pregap
// is silence put before its track's start, pushing back all that follows. Positions count in CD
// frames from the start of the disc, the first track's pregap included, as cdrdao's show-toc
// counts them. The layout is the one place that decides where a track lands, how long it lasts
// and how long the disc is; the track view and the checks read it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disc/disc.h"

namespace vantorel {

// Whether a track could be placed in its file, and if not, which rule its split broke.
enum class Placing : uint8_t {
  kPlaced,
  kAtStart,   // The file's first split, at its start, however written: where its first track is.
  kNoTime,    // Its split's time cannot be read as a cue sheet's time.
  kPastEnd,   // Its split is at or past the end of its file.
  kNotLater,  // Its split is at or before the latest start in its file before it.
};

// A place that follows from a time of the list that cannot be read, or from a split that cannot
// be placed, is missing: a burner refuses such a sheet, or lays it out in a way of its own, so
// nothing is said of where it puts the track.
struct TrackPlace {
  // Where its audio starts in its file: 0 for the file's first track, or the gap its G line gives
  // where that is written; else its S line's time as the cue sheet gives it.
  std::optional<uint32_t> in_file = {};
  // The length of its pregap, 0 without one.
  std::optional<uint32_t> pregap = {};
  // Where its audio starts on the disc, after its pregap: show-toc's START. Missing for every
  // track from the first that cannot be placed or whose pregap cannot be read, and the disc's
  // length with them.
  std::optional<uint64_t> on_disc = {};
  // Of a track placed: from its start to the start of the next track of its file that is placed,
  // or to the file's end: show-toc's END less its START, where every split is placed.
  std::optional<uint64_t> length = {};
  // The disc's track whose start ends it, where that is not the file's end.
  std::optional<uint32_t> ended_by = {};
  // Of a split kNotLater: its time read as hours:minutes:seconds, where that lies after
  // latest_before and inside the file, as times past an hour are often written; 0 otherwise.
  uint32_t as_hours = 0;
  // The sheet carries its start as meant, not as the list writes it: a time written as a pasted
  // tracklist writes it, or in four fields.
  bool as_meant = false;
  // Its length rests on a split that could not be placed, between it and what ends it: a burner
  // refuses such a sheet, so the length is only what it would be without that split.
  bool past_misplaced = false;
  Placing placing = Placing::kPlaced;
  // Of a split kPastEnd: the end of its file.
  uint64_t file_end = 0;
  // Of a split kNotLater: the latest start before it in its file as the user means it: of a track
  // placed, of a time an audio editor writes read as it means, or of a time read as
  // hours:minutes:seconds as below.
  uint64_t latest_before = 0;
};

// How the split times of a file read, taken together, where some read two ways (see Doubt): in
// the larger units or as cdrdao reads them; in CD frames after the point or in hundredths. A way
// holds where it makes the file's splits rise within it with every track at least 4 seconds long,
// and no time of the file is written in a form that rules it out.
enum class TimesRead : uint8_t {
  kOneWay,   // No split of the file reads two ways.
  kNeither,  // Neither way holds.
  kLarger,   // Only the larger holds: that is how the file's splits are meant.
  kSmaller,  // Only the smaller holds.
  kEither,   // Both hold: the user's choice, one for the whole file.
};

// How a file's split times read, for each doubt.
struct FileReading {
  TimesRead units = TimesRead::kOneWay;
  TimesRead fractions = TimesRead::kOneWay;
  // The times at the end of the file's numbered lines are the lengths of its tracks (see
  // PastedTime), not their starts.
  bool lengths = false;
  // The times the tool writes for the file's splits, as they are meant, would read two ways again
  // where written as minutes:seconds:frames: those that read as hours are written in four fields.
  bool four_fields = false;
};

// What a time means in a file read as reading says: where it reads two ways, the way its file's
// times read, the larger where that is the user's choice, or with smaller, the smaller; nothing
// where the file does not settle it.
std::optional<uint32_t> MeantIn(const TimeReading& time, const FileReading& reading,
                                bool smaller = false);

// A split line's time as it is meant: its reading, as written from a digit right after the letter
// where one stands there, and in the larger units alone where it is written as a pasted
// tracklist writes it.
TimeReading MeantTimeOf(std::string_view line);

// The time the tool writes for a split meant at frames in a file whose reading is four_fields.
std::string WrittenTime(uint32_t frames, bool four_fields);

// Whether the times written as minutes:seconds:frames at the positions a file's splits are meant
// at, in the order of its lines, would read two ways again in a file of end frames: as hours
// where they can, they too would rise with every track at least 4 seconds long.
bool WrittenTimesReadTwoWays(std::span<const uint32_t> positions, uint64_t end);

// Where a split the list means is meant to start in its file: a split of the sheet's, or a loose
// split; nothing where the list leaves it unknown.
struct MeantPlace {
  int line = 0;
  std::optional<uint32_t> frames = {};
  TimeReading time = {};  // How its time reads, as its line means it.
};

// Why a track's gap, whose time reads, is not written.
enum class GapFault : uint8_t {
  kNone,
  kWithPregap,     // The track has a pregap of silence too, and cdrdao takes only one of them.
  kPastFileStart,  // Under a split: it starts before its file does.
  kTrackBefore,    // Under a split: it leaves the track before it less than 4 seconds.
  kOwnTrack,       // Under a WAV line: it leaves its track less than 4 seconds of its file.
};

// Where a track's gap lies: the gap written, which ends where the track starts in its file and
// is 0 where none is written; and where it is not written for its length, the longest gap the
// track can have.
struct GapPlace {
  uint32_t frames = 0;
  uint32_t longest = 0;
  GapFault fault = GapFault::kNone;
};

struct DiscLayout {
  std::vector<TrackPlace> tracks;         // In the order of the disc's tracks.
  std::vector<FileReading> reading = {};  // In the order of the files.
  std::vector<MeantPlace> meant = {};     // In the order of the list.
  std::optional<uint64_t> frames = {};    // The disc's length with its pregaps.
  // What the disc lasts at least: its files and every pregap that can be read, wherever the
  // tracks land. It is the disc's length where that is known.
  uint64_t least_frames = 0;
  // The CD frames each file takes, its audio padded to a whole frame: in the order of the files.
  std::vector<uint64_t> file_frames = {};
  std::vector<GapPlace> gaps = {};  // In the order of the disc's track_marks.
};

// Where the gap of a track lies, or no gap where it has none.
inline GapPlace GapOf(const DiscLayout& layout, const Track& track) {
  return track.marks == kNoMarks ? GapPlace{} : layout.gaps[track.marks];
}

// Where the split on a line is meant to start in its file, where the layout knows it, and how its
// time reads; nothing for a line that is no split the list means.
const MeantPlace* MeantOf(const DiscLayout& layout, int line);

// Lays out a disc whose files' lengths are measured.
DiscLayout LayOutDisc(const Disc& disc);

}  // namespace vantorel
