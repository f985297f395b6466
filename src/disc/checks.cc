#include "disc/checks.h"

#include <algorithm>
#include <optional>

#include "disc/cd.h"

namespace {

constexpr uint64_t kShortestTrackFrames =
    uint64_t{cd::kShortestTrackSeconds} * cd::kFramesPerSecond;

bool ContainsWavAnyCase(std::string_view line) {
  for (size_t i = 0; i + 4 <= line.size(); ++i) {
    if (line[i] != '.') continue;
    std::string_view ext = line.substr(i + 1, 3);
    if ((ext[0] | 0x20) == 'w' && (ext[1] | 0x20) == 'a' && (ext[2] | 0x20) == 'v') return true;
  }
  return false;
}

bool StartsWithLowercaseAndTime(std::string_view line) {
  return (line[0] == 's' || line[0] == 'p') && line.size() > 2 && line[2] >= '0' && line[2] <= '9';
}

bool IsCdAudio(const HeaderFacts& h) {
  // cdrdao takes nothing but a plain PCM format block, not even an extensible one of PCM.
  return h.format == kFormatPcm && h.sample_rate == cd::kRate && h.bits_per_sample == cd::kBits &&
         h.channels == cd::kChannels;
}

struct Checker {
  std::vector<Finding> found;

  void Add(FindingKind kind, const ListLine& at, Finding f = {}) {
    f.kind = kind;
    f.line = at.number;
    if (f.subject.empty()) f.subject = at.text;
    found.push_back(f);
  }

  // The time of a split or pregap line as the user meant it. A line whose time a burner would
  // misread is found, once, and has no time to check further.
  std::optional<uint32_t> TimeOf(const ListLine& line) {
    std::string_view text = line.text;
    if (ContainsWavAnyCase(text)) {
      Add(FindingKind::kMixedCaseWav, line);
      return std::nullopt;
    }
    // The character after the letter is skipped whatever it is; a digit there is lost.
    if (text.size() >= 2 && text[1] >= '0' && text[1] <= '9') {
      Add(FindingKind::kNoSpaceAfterLetter, line);
      return std::nullopt;
    }
    std::optional<uint32_t> frames = CueTimeFrames(TimeText(text));
    if (!frames) Add(FindingKind::kNotACueTime, line);
    return frames;
  }

  // A used pregap's length in CD frames, or 0 when it has none a burner could read.
  uint64_t PregapOf(const Track& track) {
    if (track.pregap.number == 0) return 0;
    std::optional<uint32_t> frames = TimeOf(track.pregap);
    if (frames && *frames == 0) Add(FindingKind::kPregapWithoutLength, track.pregap);
    return frames.value_or(0);
  }

  // Checks a file and its tracks, and returns its length in CD frames with its pregaps. Its
  // length is what it holds, as a burner takes it, where that is less than its header declares.
  // Times are compared in samples times frames a second, so that CD frames and samples compare
  // exactly.
  uint64_t File(const DiscFile& file) {
    const HeaderFacts& h = file.wav.header;
    const ListLine& entry = file.entry;
    uint64_t rate = h.sample_rate;
    // A burner rounds the last part of a CD frame up to a whole one.
    auto frames_of = [rate](uint64_t scaled) { return (scaled + rate - 1) / rate; };

    if (entry.text.find('"') != entry.text.npos) Add(FindingKind::kQuoteInName, entry);
    if (h.format_found && !IsCdAudio(h)) {
      Add(FindingKind::kNotCdAudio, entry,
          {.format = {h.format, h.sub_format, h.sample_rate, h.bits_per_sample, h.channels}});
    }
    uint64_t end = uint64_t{h.sample_frames} * cd::kFramesPerSecond;
    if (file.wav.regular && file.wav.size < h.data_start + h.data_size) {
      uint64_t block = uint64_t{h.channels} * (h.bits_per_sample / 8);
      uint64_t held = file.wav.size > h.data_start ? (file.wav.size - h.data_start) / block : 0;
      Add(FindingKind::kShortOfDeclared, entry,
          {.frames = frames_of(end), .other_frames = frames_of(held * cd::kFramesPerSecond)});
      end = held * cd::kFramesPerSecond;
    }
    if (h.sample_frames == 0) Add(FindingKind::kNoAudio, entry);

    // Where each track starts, and the line that opened it; a split that cannot be placed is
    // found and leaves the tracks as they were.
    struct Start {
      uint64_t at;
      const ListLine* line;
    };
    std::vector<Start> starts = {{0, &entry}};
    uint64_t pregaps = PregapOf(file.tracks[0]);
    for (size_t t = 1; t < file.tracks.size(); ++t) {
      const Track& track = file.tracks[t];
      std::optional<uint32_t> frames = TimeOf(track.opened_by);
      if (frames) {
        uint64_t at = uint64_t{*frames} * rate;
        if (at >= end) {
          Add(FindingKind::kSplitPastEnd, track.opened_by,
              {.other = entry.text, .frames = frames_of(end)});
        } else if (at <= starts.back().at) {
          Add(FindingKind::kSplitNotLater, track.opened_by,
              {.frames = frames_of(starts.back().at)});
        } else {
          starts.push_back({at, &track.opened_by});
        }
      }
      pregaps += PregapOf(track);
    }

    // Each track runs to the next one or to the file's end. A track too short is said at the
    // split that ends it, the line to move, or else at its start.
    for (size_t t = 0; end != 0 && t < starts.size(); ++t) {
      bool last = t + 1 == starts.size();
      uint64_t length = frames_of((last ? end : starts[t + 1].at) - starts[t].at);
      if (length >= kShortestTrackFrames) continue;
      FindingKind kind = !last               ? FindingKind::kTrackBeforeTooShort
                         : starts.size() > 1 ? FindingKind::kLastTrackTooShort
                                             : FindingKind::kFileTooShort;
      Add(kind, *(last ? starts[t].line : starts[t + 1].line), {.frames = length});
    }
    return frames_of(end) + pregaps;
  }
};

}  // namespace

std::vector<Finding> CheckDisc(const Disc& disc) {
  if (disc.files.empty()) return {{.kind = FindingKind::kNoWavFile}};
  Checker check;
  uint64_t disc_frames = 0;
  for (const DiscFile& file : disc.files) disc_frames += check.File(file);
  for (const ListLine& line : disc.stray_pregaps) {
    check.Add(
        ContainsWavAnyCase(line.text) ? FindingKind::kMixedCaseWav : FindingKind::kPregapIgnored,
        line);
  }
  for (const ListLine& line : disc.ignored) {
    if (ContainsWavAnyCase(line.text)) {
      check.Add(FindingKind::kMixedCaseWav, line);
    } else if (StartsWithLowercaseAndTime(line.text)) {
      check.Add(FindingKind::kLowercaseLetter, line);
    }
  }
  // In the order of the list; the findings of one line stay in the order they were found.
  std::stable_sort(check.found.begin(), check.found.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  if (disc_frames > cd::kLongestDiscFrames) {
    check.found.push_back({.kind = FindingKind::kDiscTooLong, .frames = disc_frames});
  }
  return check.found;
}

bool TooManyTracks(const Disc& disc) {
  return TrackCount(disc) > cd::kMaxTracks;
}
