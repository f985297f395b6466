#include "disc/disc.h"

#include <algorithm>
#include <optional>

#include "disc/checks.h"

namespace vantorel {

namespace {

// Numbers the lines of a text in one pass: each call counts on from where the last one stopped,
// so the lines asked for must come in the order of the text. A line holds no line end, so only
// the bytes between one line and the next are looked at: the ends that separate them.
struct LineCounter {
  std::string_view text;
  size_t pos = 0;
  int number = 1;

  ListLine At(std::string_view line) {
    auto to = static_cast<size_t>(line.data() - text.data());
    for (; pos < to; ++pos) {
      // CR ends a line, and so does LF unless it completes a CR LF.
      if (text[pos] == '\r' || (text[pos] == '\n' && (pos == 0 || text[pos - 1] != '\r'))) {
        ++number;
      }
    }
    pos = to + line.size();
    return {number, line};
  }
};

}  // namespace

Disc BuildDisc(std::string_view list_text, const TrackTable& table) {
  Disc disc;
  LineCounter lines{list_text};
  const size_t count = table.text.size();
  size_t wav_entries = 0;
  size_t splits = 0;
  for (LineKind kind : table.kind) {
    wav_entries += kind == LineKind::kWav;
    splits += kind == LineKind::kSplit;
  }
  disc.files.reserve(wav_entries);
  disc.tracks.reserve(wav_entries + splits);
  auto look_up = [&disc](const ListLine& line, LineKind kind) {
    if (std::optional<LookUp> how = WorthLookingUp(line.text, kind)) {
      disc.lookups.push_back({.line = line, .how = *how});
    }
  };
  for (size_t i = 0; i < count; ++i) {
    ListLine line = lines.At(table.text[i]);
    LineKind kind = table.kind[i];
    Track* track = nullptr;
    if (kind == LineKind::kWav) {
      disc.files.push_back({line, {}, disc.tracks.size(), 1});
      disc.tracks.push_back({line, "00:00:00", {}});
      track = &disc.tracks.back();
    } else if (kind == LineKind::kSplit) {
      // The first line is always a WAV entry, so a split always has a file to belong to.
      ++disc.files.back().track_count;
      disc.tracks.push_back({line, TimeText(line.text), {}});
      track = &disc.tracks.back();
    } else if (kind == LineKind::kPregap) {
      disc.stray_pregaps.push_back(line);
    } else {
      disc.ignored.push_back(line);
    }
    if (kind != LineKind::kWav) look_up(line, kind);
    // A pregap line counts only right after the line that opened a track, and is used up there.
    if (track != nullptr && i + 1 < count && table.kind[i + 1] == LineKind::kPregap) {
      track->pregap = lines.At(table.text[++i]);
      look_up(track->pregap, LineKind::kPregap);
    }
  }
  return disc;
}

void MeasureLengths(Disc* disc) {
  std::vector<SampleCount> counts;
  for (DiscFile& file : disc->files) {
    const HeaderFacts& h = file.wav.header;
    file.wav.length = LengthOf(h.sample_frames, h.sample_rate);
    counts.push_back({h.sample_frames, h.sample_rate});
  }
  disc->total_seconds = TotalSeconds(counts);
}

const LineLookup* LookupOf(const Disc& disc, const ListLine& line) {
  auto found = std::lower_bound(
      disc.lookups.begin(), disc.lookups.end(), line.number,
      [](const LineLookup& lookup, int number) { return lookup.line.number < number; });
  return found != disc.lookups.end() && found->line.number == line.number ? &*found : nullptr;
}

int TrackCount(const Disc& disc) {
  return static_cast<int>(disc.tracks.size());
}

}  // namespace vantorel
