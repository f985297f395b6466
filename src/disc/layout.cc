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
    place->bound = end;
  } else if (*place->in_file <= latest) {
    place->placing = Placing::kNotLater;
    place->bound = latest;
    std::optional<uint32_t> hours = ReadHoursTime(time);
    if (hours && *hours > latest && *hours < end) place->as_hours = *hours;
  }
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

// How the splits of a file of end frames read, taken together.
TimesRead ReadTogether(std::span<const Track> tracks, uint64_t end) {
  std::vector<SplitReadings> splits;
  bool any_two = false;
  for (size_t t = 1; t < tracks.size(); ++t) {
    SplitReadings r = ReadingsOf(tracks[t].start);
    // A first split at the start is where the first track starts already, either way.
    if (t == 1 && r.readable && r.larger == 0) continue;
    any_two = any_two || r.two_ways;
    splits.push_back(r);
  }
  if (!any_two) return TimesRead::kOneWay;
  auto holds = [&](bool larger) {
    uint64_t last = 0;
    for (const SplitReadings& r : splits) {
      if (!r.readable) return false;
      uint64_t at = larger ? r.larger : r.smaller;
      if (at < last + cd::kShortestTrackFrames) return false;
      last = at;
    }
    return end >= last + cd::kShortestTrackFrames;
  };
  bool larger = holds(true), smaller = holds(false);
  if (larger && smaller) return TimesRead::kEither;
  if (larger) return TimesRead::kLarger;
  return smaller ? TimesRead::kSmaller : TimesRead::kNeither;
}

}  // namespace

SplitReadings ReadingsOf(std::string_view time) {
  if (std::optional<uint32_t> cue = ReadCueTime(time)) {
    // Hours are written with one digit, as h:mm:ss; minutes:seconds:frames as a cue sheet
    // writes them, with two, read only so.
    size_t first = time.find_first_not_of(" \t");
    std::optional<uint32_t> hours =
        time.find(':') == first + 1 ? ReadHoursTime(time) : std::nullopt;
    if (hours && *hours != *cue) return {true, true, *hours, *cue};
    return {true, false, *cue, *cue};
  }
  TimeReadings meant = ReadEditorTime(time);
  if (meant.count == 2) return {true, true, meant.frames[0], meant.frames[1]};
  if (meant.count == 1) return {true, false, meant.frames[0], meant.frames[0]};
  return {};
}

DiscLayout LayOutDisc(const Disc& disc) {
  DiscLayout layout;
  layout.tracks.resize(disc.tracks.size());
  layout.file_frames.reserve(disc.files.size());
  layout.times_read.reserve(disc.files.size());
  // Where the next file starts on the disc, known while every track before it is placed and
  // every pregap before it read.
  uint64_t at = 0;
  bool known = true;
  for (const DiscFile& file : disc.files) {
    const uint64_t end = BurnedFrames(file.wav.length);
    layout.file_frames.push_back(end);
    std::span<const Track> tracks = TracksOf(disc, file);
    layout.times_read.push_back(tracks.size() > 1 ? ReadTogether(tracks, end) : TimesRead::kOneWay);
    std::span<TrackPlace> places =
        std::span(layout.tracks).subspan(file.first_track, tracks.size());
    // Where the file starts on the disc with the pregaps of its tracks so far.
    uint64_t base = at;
    // The start of the last track placed, and which track that is; the latest start the user
    // means.
    uint64_t last = 0;
    size_t last_placed = 0;
    uint64_t latest = 0;
    layout.least_frames = SaturatingAdd(layout.least_frames, end);
    for (size_t t = 0; t < tracks.size(); ++t) {
      TrackPlace& place = places[t];
      const ListLine& pregap = tracks[t].pregap;
      // A pregap's time is its line's text from the third character on, whatever the second is.
      place.pregap = pregap.number != 0 ? ReadCueTime(TimeTextOf(pregap.text)) : 0;
      place.in_file = t == 0 ? 0 : ReadCueTime(tracks[t].start);
      if (t != 0) {
        PlaceSplit(tracks[t].start, t == 1, end, latest, &place);
        latest = MeantAfter(tracks[t].start, place, latest);
      }
      bool placed = place.placing == Placing::kPlaced;
      if (t != 0 && placed) {
        TrackPlace& before = places[last_placed];
        before.length = *place.in_file - last;
        before.ended_by = static_cast<uint32_t>(file.first_track + t);
        before.past_misplaced = last_placed + 1 != t;
      }
      layout.least_frames = SaturatingAdd(layout.least_frames, place.pregap.value_or(0));
      known = known && place.pregap && placed;
      if (known) {
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
    at = SaturatingAdd(base, end);
  }
  if (known) layout.frames = at;
  return layout;
}

}  // namespace vantorel
