#include "disc/layout.h"

#include <algorithm>
#include <span>

#include "cd.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// Whether a split's time means the start of its file, however it is written; in_file is the time
// as a cue sheet's, if it reads as one.
bool MeansStart(std::string_view time, std::optional<uint32_t> in_file) {
  if (in_file) return *in_file == 0;
  TimeReadings meant = ReadEditorTime(time);
  return meant.count != 0 && meant.frames[0] == 0;
}

// Where a split at place lands in its file, given the latest start before it there as the user
// means it; first_split says that it is the file's first.
void PlaceSplit(std::string_view time, bool first_split, uint64_t end, uint64_t latest,
                TrackPlace* place) {
  if (first_split && MeansStart(time, place->in_file)) {
    place->placing = Placing::kAtStart;
  } else if (!place->in_file) {
    place->placing = Placing::kNoTime;
  } else if (*place->in_file >= end) {
    place->placing = Placing::kPastEnd;
    place->file_end = end;
  } else if (*place->in_file <= latest) {
    place->placing = Placing::kNotLater;
    place->latest_before = latest;
    std::optional<uint32_t> hours = ReadHoursTime(time);
    if (hours && *hours > latest && *hours < end) place->as_hours = *hours;
  }
}

// Where cdrdao puts a split whose time, as its line means it, reads as time: at its time as the
// sheet carries it, which is the time as written, or as meant (as_meant) where it is written as a
// pasted tracklist writes it or in four fields; meant is where the list means it to start, if that
// is known.
std::optional<uint32_t> SheetTime(const Track& track, const TimeReading& time, bool pasted,
                                  std::optional<uint32_t> meant, bool* as_meant) {
  // Where a digit stands right after the letter, the sheet's time is not the one meant.
  const bool as_written = !(track.opened_by.text.size() >= 2 && IsDigit(track.opened_by.text[1]));
  const TimeReading sheet = as_written ? time : ReadTime(track.start);
  *as_meant = pasted || sheet.four_fields;
  if (*as_meant) return meant;
  return sheet.cue ? std::optional(sheet.smaller) : std::nullopt;
}

// The latest start in a file as the user means it after a split at place: one the layout placed,
// or else what an audio editor's time means, or a time read as hours.
uint64_t MeantAfter(std::string_view time, const TrackPlace& place, uint64_t latest) {
  switch (place.placing) {
    case Placing::kPlaced:
      return std::max<uint64_t>(latest, *place.in_file);
    case Placing::kNoTime: {
      TimeReadings meant = ReadEditorTime(time);
      return meant.count != 0 ? std::max<uint64_t>(latest, meant.frames[0]) : latest;
    }
    case Placing::kNotLater:
      return std::max<uint64_t>(latest, place.as_hours);
    case Placing::kAtStart:
    case Placing::kPastEnd:
      return latest;
  }
  return latest;
}

// A split of a file as its time is meant, by the number of its line.
struct MeantSplitTime {
  int line = 0;
  TimeReading time = {};
  bool pasted = false;  // Written as a pasted tracklist writes it.
  bool at_end = false;  // Its time stands at the end of a numbered line: a start, or a length.
};

// A split line, whatever the case of its letter or without one, as it is meant.
MeantSplitTime MeantSplitTimeOf(const ListLine& line) {
  std::string_view text = line.text;
  if (text.starts_with('S') || text.starts_with('s')) {
    SplitText cut = MeantSplit(text);
    bool pasted = cut.form == SplitForm::kPasted;
    return {line.number, ReadTime(cut.time, pasted), pasted, cut.at_end};
  }
  std::optional<PastedTime> pasted = ReadPastedTime(text);
  if (!pasted) return {.line = line.number};
  return {line.number, ReadTime(pasted->time, true), true, pasted->at_end};
}

// The splits a file's lines mean, in the order of the list: those of its tracks but the first,
// and its loose splits.
std::vector<MeantSplitTime> MeantSplitsOf(const Disc& disc, const DiscFile& file, size_t index) {
  std::vector<MeantSplitTime> splits;
  auto add = [&splits](const ListLine& line) { splits.push_back(MeantSplitTimeOf(line)); };
  for (const Track& track : TracksOf(disc, file).subspan(1)) add(track.opened_by);
  for (const LooseSplit& loose : disc.loose_splits) {
    if (loose.file == index) add(loose.line);
  }
  std::sort(splits.begin(), splits.end(),
            [](const MeantSplitTime& a, const MeantSplitTime& b) { return a.line < b.line; });
  return splits;
}

// Whether the times at the end of a file's numbered lines may be the lengths of its tracks, as an
// album's tracklist gives them: every split of the file is such a line, each track lasts at least
// 4 seconds, and together they last as long as the file, give or take a second a track, as
// lengths rounded to the second do.
bool MayBeLengths(std::span<const MeantSplitTime> splits, uint64_t end) {
  if (splits.empty()) return false;
  uint64_t sum = 0;
  for (const MeantSplitTime& s : splits) {
    if (!s.at_end || !s.time.readable || s.time.larger < cd::kShortestTrackFrames) return false;
    sum += s.time.larger;
  }
  const uint64_t slack = splits.size() * cd::kFramesPerSecond;
  return sum <= end + slack && sum + slack >= end;
}

// How the splits of a file of end frames read, taken together: their times at the end of numbered
// lines as starts or lengths, the units, then the fractions, with the units read as they are
// settled. A first split at the file's start, where its first track starts already either way,
// counts for nothing.
FileReading ReadTogether(std::span<const MeantSplitTime> splits, uint64_t end) {
  constexpr int kUnits = 0, kFraction = 1;
  auto index_of = [](Doubt d) { return d == Doubt::kUnits ? kUnits : kFraction; };
  bool any[2] = {}, larger_out[2] = {}, smaller_out[2] = {};
  for (const MeantSplitTime& s : splits) {
    if (s.time.doubt != Doubt::kNone) any[index_of(s.time.doubt)] = true;
    if (s.time.settles != Doubt::kNone) {
      (s.time.settles_larger ? smaller_out : larger_out)[index_of(s.time.settles)] = true;
    }
  }
  std::span<const MeantSplitTime> counted = splits;
  if (!counted.empty() && counted[0].time.readable && counted[0].time.larger == 0) {
    counted = counted.subspan(1);
  }
  FileReading reading;
  auto holds = [&](int doubt, bool larger) {
    if (larger ? larger_out[doubt] : smaller_out[doubt]) return false;
    uint64_t last = 0;
    for (const MeantSplitTime& s : counted) {
      if (!s.time.readable) return false;
      uint64_t at = s.time.larger;
      if (s.time.doubt != Doubt::kNone && index_of(s.time.doubt) == doubt) {
        at = larger ? s.time.larger : s.time.smaller;
      } else if (s.time.doubt == Doubt::kUnits) {
        at = MeantIn(s.time, reading).value_or(s.time.larger);
      }
      if (at < last + cd::kShortestTrackFrames) return false;
      last = at;
    }
    return end >= last + cd::kShortestTrackFrames;
  };
  // Starts that add up to the file's length are a chance too rare to weigh; a first start is
  // mostly 0:00, which is no length.
  reading.lengths = MayBeLengths(splits, end);
  auto decide = [&](int doubt) {
    if (!any[doubt]) return TimesRead::kOneWay;
    bool larger = holds(doubt, true), smaller = holds(doubt, false);
    if (larger && smaller) return TimesRead::kEither;
    if (larger) return TimesRead::kLarger;
    return smaller ? TimesRead::kSmaller : TimesRead::kNeither;
  };
  if (!reading.lengths) {
    reading.units = decide(kUnits);
    reading.fractions = decide(kFraction);
  }
  return reading;
}

// Where each of a file's splits is meant to start, read as reading: its time as the file reads it,
// or where its lengths at the end of numbered lines lead, the first at the file's start.
std::vector<std::optional<uint32_t>> MeantPlaces(std::span<const MeantSplitTime> splits,
                                                 const FileReading& reading) {
  std::vector<std::optional<uint32_t>> places;
  places.reserve(splits.size());
  uint64_t at = 0;
  for (const MeantSplitTime& s : splits) {
    if (reading.lengths) {
      places.push_back(static_cast<uint32_t>(std::min<uint64_t>(at, UINT32_MAX)));
      at += s.time.larger;
    } else {
      places.push_back(MeantIn(s.time, reading));
    }
  }
  return places;
}

}  // namespace

std::optional<uint32_t> MeantIn(const TimeReading& time, const FileReading& reading, bool smaller) {
  if (!time.readable) return std::nullopt;
  if (time.doubt == Doubt::kNone) return time.larger;
  switch (time.doubt == Doubt::kUnits ? reading.units : reading.fractions) {
    case TimesRead::kLarger:
      return time.larger;
    case TimesRead::kSmaller:
      return time.smaller;
    case TimesRead::kEither:
      return smaller ? time.smaller : time.larger;
    case TimesRead::kOneWay:
    case TimesRead::kNeither:
      return std::nullopt;
  }
  return std::nullopt;
}

TimeReading MeantTimeOf(std::string_view line) {
  return MeantSplitTimeOf({0, line}).time;
}

const MeantPlace* MeantOf(const DiscLayout& layout, int line) {
  auto found = std::lower_bound(layout.meant.begin(), layout.meant.end(), line,
                                [](const MeantPlace& m, int number) { return m.line < number; });
  return found != layout.meant.end() && found->line == line ? &*found : nullptr;
}

std::string WrittenTime(uint32_t frames, bool four_fields) {
  std::string time = CueTimeText(frames);
  return four_fields && ReadsAsHours(time) ? FourFieldTimeText(frames) : time;
}

bool WrittenTimesReadTwoWays(std::span<const uint32_t> positions, uint64_t end) {
  bool two_ways = false;
  uint64_t last = 0;
  for (uint32_t meant : positions) {
    uint64_t at = meant;
    std::optional<uint32_t> hours = ReadHoursTime(CueTimeText(meant));
    if (hours && *hours != meant) {
      at = *hours;
      two_ways = true;
    }
    if (at < last + cd::kShortestTrackFrames) return false;
    last = at;
  }
  return two_ways && end >= last + cd::kShortestTrackFrames;
}

namespace {

// The split lines of a file and where each is meant to start, where that is known.
struct FileSplits {
  std::vector<MeantSplitTime> splits;
  std::vector<std::optional<uint32_t>> meant;
};

// Reads the split times of file index, of end frames, together, into layout's readings and meant
// places.
FileSplits ReadSplits(const Disc& disc, size_t index, uint64_t end, DiscLayout* layout) {
  FileSplits read;
  // Most files are tracks of their own, with nothing to read.
  if (disc.files[index].track_count == 1 &&
      std::none_of(disc.loose_splits.begin(), disc.loose_splits.end(),
                   [index](const LooseSplit& loose) { return loose.file == index; })) {
    layout->reading.emplace_back();
    return read;
  }
  read.splits = MeantSplitsOf(disc, disc.files[index], index);
  FileReading& reading = layout->reading.emplace_back(ReadTogether(read.splits, end));
  read.meant = MeantPlaces(read.splits, reading);
  // The times written for the splits as they are meant, where all of them are known; a first one
  // at the file's start is where its first track starts, and is not written.
  std::vector<uint32_t> written;
  bool all_known = true;
  for (size_t i = 0; i < read.meant.size(); ++i) {
    all_known = all_known && read.meant[i].has_value();
    if (all_known && !(i == 0 && *read.meant[i] == 0)) written.push_back(*read.meant[i]);
  }
  if (all_known) reading.four_fields = WrittenTimesReadTwoWays(written, end);
  for (size_t i = 0; i < read.splits.size(); ++i) {
    layout->meant.push_back({read.splits[i].line, read.meant[i], read.splits[i].time});
  }
  return read;
}

// Where the gap of track, of gap frames, lies in a file of end frames: before its start there,
// after the start of the track before it in the file where there is one (before), or else as the
// file's first audio, which its track follows.
GapPlace PlaceGap(const Track& track, uint32_t gap, uint64_t start, std::optional<uint64_t> before,
                  uint64_t end) {
  GapPlace at;
  constexpr uint64_t kShortest = cd::kShortestTrackFrames;
  if (gap == 0) return at;
  if (track.pregap.number != 0) {
    at.fault = GapFault::kWithPregap;
  } else if (!before) {
    at.fault = uint64_t{gap} + kShortest <= end ? GapFault::kNone : GapFault::kOwnTrack;
    at.longest =
        static_cast<uint32_t>(std::min<uint64_t>(end - std::min(end, kShortest), UINT32_MAX));
  } else {
    // cdrdao ends the track before at the gap: it must still last 4 seconds.
    const uint64_t earliest = *before + kShortest;
    at.fault = gap > start              ? GapFault::kPastFileStart
               : start - gap < earliest ? GapFault::kTrackBefore
                                        : GapFault::kNone;
    at.longest = static_cast<uint32_t>(start - std::min(start, earliest));
  }
  if (at.fault == GapFault::kNone) at.frames = gap;
  return at;
}

// Places the tracks of file, of end frames, whose split lines read says, in layout, the file
// starting at frame at of the disc; known says whether that is known, and stays so while every
// track is placed and every pregap read. Returns where the next file starts.
uint64_t PlaceTracks(const Disc& disc, const DiscFile& file, uint64_t end, const FileSplits& read,
                     uint64_t at, bool* known, DiscLayout* layout) {
  std::span<const Track> tracks = TracksOf(disc, file);
  // The split the line of a track of the file means: they are in the order of the list, as the
  // tracks are.
  size_t next_split = 0;
  auto split_of_track = [&](const Track& track) {
    while (read.splits[next_split].line != track.opened_by.number) ++next_split;
    return next_split;
  };
  std::span<TrackPlace> places = std::span(layout->tracks).subspan(file.first_track, tracks.size());
  // Where the file starts on the disc with the pregaps of its tracks so far.
  uint64_t base = at;
  // The start of the last track placed, and which track that is; the latest start the user
  // means.
  uint64_t last = 0;
  size_t last_placed = 0;
  uint64_t latest = 0;
  layout->least_frames = SaturatingAdd(layout->least_frames, end);
  for (size_t t = 0; t < tracks.size(); ++t) {
    TrackPlace& place = places[t];
    const ListLine& pregap = tracks[t].pregap;
    // A pregap's time is its line's text from the third character on, whatever the second is.
    place.pregap = pregap.number != 0 ? ReadCueTime(TimeTextOf(pregap.text)) : 0;
    place.in_file = 0;
    if (t != 0) {
      const size_t i = split_of_track(tracks[t]);
      place.in_file = SheetTime(tracks[t], read.splits[i].time, read.splits[i].pasted,
                                read.meant[i], &place.as_meant);
      PlaceSplit(tracks[t].start, t == 1, end, latest, &place);
      latest = MeantAfter(tracks[t].start, place, latest);
    }
    bool placed = place.placing == Placing::kPlaced;
    // A gap under a WAV line is the file's first audio, and its track starts after it.
    const uint32_t marks = tracks[t].marks;
    if (marks != kNoMarks && placed && disc.track_marks[marks].gap.number != 0) {
      GapPlace& at = layout->gaps[marks];
      const std::string_view gap = TimeTextOf(disc.track_marks[marks].gap.text);
      at = PlaceGap(tracks[t], ReadCueTime(gap).value_or(0), *place.in_file,
                    t == 0 ? std::nullopt : std::optional(last), end);
      if (t == 0 && at.frames != 0) {
        place.in_file = at.frames;
        latest = at.frames;
      }
    }
    if (t != 0 && placed) {
      TrackPlace& before = places[last_placed];
      before.length = *place.in_file - last;
      before.ended_by = static_cast<uint32_t>(file.first_track + t);
      before.past_misplaced = last_placed + 1 != t;
    }
    layout->least_frames = SaturatingAdd(layout->least_frames, place.pregap.value_or(0));
    *known = *known && place.pregap && placed;
    if (*known) {
      base = SaturatingAdd(base, *place.pregap);
      place.on_disc = SaturatingAdd(base, *place.in_file);
    }
    if (placed) {
      last = *place.in_file;
      last_placed = t;
    }
  }
  places[last_placed].length = end - last;
  places[last_placed].past_misplaced = last_placed + 1 != places.size();
  return SaturatingAdd(base, end);
}

}  // namespace

DiscLayout LayOutDisc(const Disc& disc) {
  DiscLayout layout;
  layout.tracks.resize(disc.tracks.size());
  layout.file_frames.reserve(disc.files.size());
  layout.reading.reserve(disc.files.size());
  layout.gaps.resize(disc.track_marks.size());
  // Where the next file starts on the disc, known while every track before it is placed and
  // every pregap before it read.
  uint64_t at = 0;
  bool known = true;
  for (size_t index = 0; index < disc.files.size(); ++index) {
    const uint64_t end = BurnedFrames(disc.files[index].wav.length);
    layout.file_frames.push_back(end);
    const FileSplits read = ReadSplits(disc, index, end, &layout);
    at = PlaceTracks(disc, disc.files[index], end, read, at, &known, &layout);
  }
  if (known) layout.frames = at;
  return layout;
}

}  // namespace vantorel
