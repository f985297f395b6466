#include "disc/layout.h"

#include <limits>
#include <span>

#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// a + b, held at the largest count rather than wrapped round; only a header that declares audio
// past all reason comes near it.
uint64_t Plus(uint64_t a, uint64_t b) {
  uint64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<uint64_t>::max() : sum;
}

// The time of a split or pregap line as the cue sheet gives it, in CD frames.
std::optional<uint64_t> TimeOf(const ListLine& line) {
  std::optional<uint32_t> frames = CueTimeFrames(TimeText(line.text));
  if (!frames) return std::nullopt;
  return *frames;
}

}  // namespace

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
    // The start of the last track placed, and whether that is the track before.
    uint64_t last = 0;
    bool before_placed = false;
    for (size_t t = 0; t < tracks.size(); ++t) {
      TrackPlace& place = places[t];
      place.pregap = tracks[t].pregap.number != 0 ? TimeOf(tracks[t].pregap) : 0;
      place.in_file = t == 0 ? 0 : TimeOf(tracks[t].opened_by);
      bool placed = t == 0 || (place.in_file && *place.in_file > last && *place.in_file < end);
      if (before_placed && placed) places[t - 1].length = *place.in_file - last;
      known = known && place.pregap && placed;
      if (known) {
        base = Plus(base, *place.pregap);
        place.on_disc = Plus(base, *place.in_file);
      }
      if (placed) last = *place.in_file;
      before_placed = placed;
    }
    if (before_placed) places.back().length = end - last;
    at = Plus(base, end);
  }
  if (known) layout.frames = at;
  return layout;
}

}  // namespace vantorel
