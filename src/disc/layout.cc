#include "disc/layout.h"

#include <span>

#include "tracklist/tracklist.h"

namespace vantorel {

std::optional<uint64_t> TimeOf(std::string_view time_text) {
  std::optional<uint32_t> frames = CueTimeFrames(time_text);
  if (!frames) return std::nullopt;
  return *frames;
}

DiscLayout LayOutDisc(const Disc& disc) {
  DiscLayout layout;
  layout.tracks.resize(disc.tracks.size());
  // Where the next file starts on the disc, known while every track before it is placed and
  // every pregap before it read.
  uint64_t at = 0;
  bool known = true;
  for (const DiscFile& file : disc.files) {
    const uint64_t end = BurnedFrames(file.wav.length);
    std::span<const Track> tracks = TracksOf(disc, file);
    std::span<TrackPlace> places =
        std::span(layout.tracks).subspan(file.first_track, tracks.size());
    // Where the file starts on the disc with the pregaps of its tracks so far.
    uint64_t base = at;
    // The start of the last track placed, and which track that is.
    uint64_t last = 0;
    size_t last_placed = 0;
    layout.least_frames = SaturatingAdd(layout.least_frames, end);
    for (size_t t = 0; t < tracks.size(); ++t) {
      TrackPlace& place = places[t];
      const ListLine& pregap = tracks[t].pregap;
      place.pregap = pregap.number != 0 ? TimeOf(TimeText(pregap.text)) : 0;
      place.in_file = t == 0 ? 0 : TimeOf(tracks[t].start);
      if (!place.in_file) {
        place.placing = Placing::kNoTime;
      } else if (t != 0 && *place.in_file >= end) {
        place.placing = Placing::kPastEnd;
        place.bound = end;
      } else if (t != 0 && *place.in_file <= last) {
        place.placing = Placing::kNotLater;
        place.bound = last;
      }
      bool placed = place.placing == Placing::kPlaced;
      if (t != 0 && placed) {
        TrackPlace& before = places[last_placed];
        before.length = *place.in_file - last;
        before.ended_by = file.first_track + t;
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
