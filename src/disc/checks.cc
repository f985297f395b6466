#include "disc/checks.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "cd.h"

namespace vantorel {

namespace {

// No name a file can be opened by is as long as this; see PATH_MAX.
constexpr size_t kLongestPath = 4096;

constexpr uint64_t kShortestTrackFrames =
    uint64_t{cd::kShortestTrackSeconds} * cd::kFramesPerSecond;

bool StartsWithLowercaseAndTime(std::string_view line) {
  return (line[0] == 's' || line[0] == 'p') && line.size() > 2 && line[2] >= '0' && line[2] <= '9';
}

// Whether a split or pregap line holds something other than a time: what follows the letter and
// its separator does not begin as a time does. A line with nothing there is a time left out.
bool HoldsNoTime(std::string_view line) {
  std::string_view time = TimeText(line);
  size_t first = time.find_first_not_of(" \t");
  return first != time.npos && !(time[first] >= '0' && time[first] <= '9') && time[first] != ':';
}

// Whether an ignored line says what it likes: a note, which starts with #, or prose too long to be
// the name of a file.
bool IsProse(std::string_view line) {
  return line.starts_with('#') || line.size() >= kLongestPath;
}

// The finding an ignored line draws by what it says, if any.
std::optional<FindingKind> FindingOfIgnored(std::string_view line) {
  if (IsProse(line)) return std::nullopt;
  if (ContainsWavAnyCase(line)) return FindingKind::kMixedCaseWav;
  if (StartsWithLowercaseAndTime(line)) return FindingKind::kLowercaseLetter;
  if (OtherAudioOf(line)) return FindingKind::kOtherAudio;
  return std::nullopt;
}

bool IsCdAudio(const HeaderFacts& h) {
  // cdrdao takes nothing but a plain PCM format block, not even an extensible one of PCM.
  return h.format == kFormatPcm && h.sample_rate == cd::kRate && h.bits_per_sample == cd::kBits &&
         h.channels == cd::kChannels;
}

struct Checker {
  const Disc& disc;
  std::vector<Finding> found;
  // Where each track of the file being checked starts, in CD frames, and the line that opened it;
  // kept from one file to the next, so that its room is made once.
  struct Start {
    uint64_t at;
    const ListLine* line;
  };
  std::vector<Start> starts;

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
    if (HoldsNoTime(text)) {
      Add(FindingKind::kNoteReadAsLine, line);
      return std::nullopt;
    }
    std::optional<uint32_t> frames = CueTimeFrames(TimeText(text));
    if (frames) return frames;
    // The time of an audio editor is named with the time it means, as the cue sheet gives it.
    TimeReadings meant = EditorTimeFrames(TimeText(text));
    if (meant.count == 2) {
      Add(FindingKind::kTimeWithoutFrames, line,
          {.frames = meant.frames[0], .other_frames = meant.frames[1]});
    } else if (meant.count == 1) {
      Add(FindingKind::kEditorTime, line, {.frames = meant.frames[0]});
    } else {
      Add(FindingKind::kNotACueTime, line);
    }
    return std::nullopt;
  }

  // A used pregap's length in CD frames, or 0 when it has none a burner could read.
  uint64_t PregapOf(const Track& track) {
    if (track.pregap.number == 0) return 0;
    std::optional<uint32_t> frames = TimeOf(track.pregap);
    if (frames && *frames == 0) Add(FindingKind::kPregapWithoutLength, track.pregap);
    return frames.value_or(0);
  }

  // What a burner would refuse or misread in a file itself: its name, its kind and its format,
  // a header that says more than the file holds, and no audio at all.
  void Audio(const DiscFile& file) {
    const HeaderFacts& h = file.wav.header;
    const ListLine& entry = file.entry;
    if (entry.text.find('"') != entry.text.npos) Add(FindingKind::kQuoteInName, entry);
    if (h.rf64) Add(FindingKind::kRf64, entry);
    if (h.format_found && !IsCdAudio(h)) {
      Add(FindingKind::kNotCdAudio, entry,
          {.format = {h.format, h.sub_format, h.sample_rate, h.bits_per_sample, h.channels}});
    }
    if (h.declared_frames > h.sample_frames) {
      Add(FindingKind::kShortOfDeclared, entry,
          {.frames = BurnedFrames(LengthOf(h.declared_frames, h.sample_rate)),
           .other_frames = BurnedFrames(file.wav.length)});
    }
    if (h.sample_frames == 0 && h.declared_frames == 0 && h.present_frames != 0) {
      Add(FindingKind::kSizeNotFilledIn, entry,
          {.frames = BurnedFrames(LengthOf(h.present_frames, h.sample_rate))});
    } else if (h.sample_frames == 0) {
      Add(FindingKind::kNoAudio, entry);
    }
  }

  // A file of CD audio that ends inside a CD frame is padded to a whole one with silence, which
  // is heard where next, the file that follows it, was meant to follow without a pause.
  void EndsInsideFrame(const DiscFile& file, const DiscFile* next) {
    const HeaderFacts& h = file.wav.header;
    uint64_t part = file.wav.length.part_frame;
    if (!IsCdAudio(h) || next == nullptr || TracksOf(disc, *next)[0].pregap.number != 0 ||
        part == 0) {
      return;
    }
    uint64_t rate = h.sample_rate;
    uint64_t silence = ((rate - part) * cd::kSamplesPerFrame + rate - 1) / rate;
    // Joined, the next file starts at the last whole frame of this one.
    Add(FindingKind::kEndsInsideFrame, file.entry,
        {.other = next->entry.text,
         .frames = file.wav.length.whole_frames,
         .count = silence,
         .joinable = IsCdAudio(next->wav.header) && next->track_count == 1});
  }

  // Places the tracks of a file that lasts end CD frames at their starts, and returns the length
  // of their pregaps. A split that cannot be placed is found and leaves the tracks as they were.
  uint64_t PlaceTracks(const DiscFile& file, uint64_t end) {
    starts.assign(1, {0, &file.entry});
    std::span<const Track> tracks = TracksOf(disc, file);
    uint64_t pregaps = PregapOf(tracks[0]);
    for (const Track& track : tracks.subspan(1)) {
      std::optional<uint32_t> at = TimeOf(track.opened_by);
      if (at && *at >= end) {
        Add(FindingKind::kSplitPastEnd, track.opened_by, {.other = file.entry.text, .frames = end});
      } else if (at && *at <= starts.back().at) {
        Add(FindingKind::kSplitNotLater, track.opened_by, {.frames = starts.back().at});
      } else if (at) {
        starts.push_back({*at, &track.opened_by});
      }
      pregaps += PregapOf(track);
    }
    return pregaps;
  }

  // Each track placed runs to the next one or to the file's end, at end CD frames. A track too
  // short is said at the split that ends it, the line to move, or else at its start.
  void TrackLengths(uint64_t end) {
    for (size_t t = 0; end != 0 && t < starts.size(); ++t) {
      bool last = t + 1 == starts.size();
      uint64_t length = (last ? end : starts[t + 1].at) - starts[t].at;
      if (length >= kShortestTrackFrames) continue;
      FindingKind kind = !last               ? FindingKind::kTrackBeforeTooShort
                         : starts.size() > 1 ? FindingKind::kLastTrackTooShort
                                             : FindingKind::kFileTooShort;
      Add(kind, *(last ? starts[t].line : starts[t + 1].line), {.frames = length});
    }
  }

  // Checks a file and its tracks, and returns its length in CD frames with its pregaps, as a
  // burner lays it out: the audio the file holds, a part of a frame counting whole. next is the
  // file that follows it, if any.
  uint64_t File(const DiscFile& file, const DiscFile* next) {
    const uint64_t end = BurnedFrames(file.wav.length);
    Audio(file);
    EndsInsideFrame(file, next);
    uint64_t pregaps = PlaceTracks(file, end);
    TrackLengths(end);
    return pregaps > UINT64_MAX - end ? UINT64_MAX : end + pregaps;
  }
};

}  // namespace

std::vector<Finding> CheckDisc(const Disc& disc) {
  if (disc.files.empty()) return {{.kind = FindingKind::kNoWavFile}};
  Checker check{disc, {}, {}};
  // Room for a finding for every file and every other line, and two of the disc: a list whose
  // files draw findings usually has them for many.
  check.found.reserve(disc.files.size() + disc.ignored.size() + disc.stray_pregaps.size() + 2);
  uint64_t disc_frames = 0;
  for (size_t i = 0; i < disc.files.size(); ++i) {
    const DiscFile* next = i + 1 < disc.files.size() ? &disc.files[i + 1] : nullptr;
    // Only an absurd header could take the sum past 64 bits; it stays at the most they hold.
    uint64_t frames = check.File(disc.files[i], next);
    disc_frames = frames > UINT64_MAX - disc_frames ? UINT64_MAX : disc_frames + frames;
  }
  for (const ListLine& line : disc.stray_pregaps) {
    check.Add(ContainsWavAnyCase(line.text) ? FindingKind::kMixedCaseWav
              : HoldsNoTime(line.text)      ? FindingKind::kNoteReadAsLine
                                            : FindingKind::kPregapIgnored,
              line);
  }
  for (const IgnoredLine& ignored : disc.ignored) {
    const ListLine& line = ignored.line;
    if (std::optional<FindingKind> kind = FindingOfIgnored(line.text)) {
      // A command to make CD audio of a file is worth giving only where the file is there.
      bool missing = kind == FindingKind::kOtherAudio && !ignored.names_a_file;
      check.Add(missing ? FindingKind::kOtherAudioNotFound : *kind, line);
    } else if (ignored.names_a_file) {
      check.Add(FindingKind::kFileNotWav, line);
    } else if (ignored.names_a_wav) {
      check.Add(FindingKind::kWavWithoutExt, line);
    }
  }
  // Notes past the limit lose nothing.
  if (const UnusedLines& unused = disc.unused; unused.count > unused.notes) {
    check.Add(FindingKind::kLinesUnused, {unused.first, ""},
              {.count = static_cast<uint64_t>(unused.count),
               .wav_entries = unused.wav_entries,
               .splits = unused.splits,
               .pregaps = unused.pregaps});
  }
  // In the order of the list; the findings of one line stay in the order they were found.
  auto by_line = [](const Finding& a, const Finding& b) { return a.line < b.line; };
  std::stable_sort(check.found.begin(), check.found.end(), by_line);
  if (disc_frames > cd::kLongestDiscFrames) {
    check.found.push_back({.kind = FindingKind::kDiscTooLong, .frames = disc_frames});
  }
  if (TrackCount(disc) > cd::kMaxTracks) {
    check.found.push_back(
        {.kind = FindingKind::kTooManyTracks, .count = static_cast<uint64_t>(TrackCount(disc))});
  }
  return std::move(check.found);
}

bool MayNameAFile(std::string_view line) {
  std::optional<FindingKind> kind = FindingOfIgnored(line);
  return !IsProse(line) && (!kind || kind == FindingKind::kOtherAudio);
}

std::optional<Converter> OtherAudioOf(std::string_view line) {
  static constexpr struct {
    std::string_view extension;
    Converter by;
  } kKinds[] = {{"flac", Converter::kSox},   {"mp3", Converter::kSox},
                {"ogg", Converter::kSox},    {"aif", Converter::kSox},
                {"aiff", Converter::kSox},   {"wv", Converter::kSox},
                {"m4a", Converter::kFfmpeg}, {"opus", Converter::kFfmpeg},
                {"ape", Converter::kFfmpeg}, {"wma", Converter::kFfmpeg}};
  size_t dot = line.rfind('.');
  if (dot == line.npos || line.size() - dot > 5) return std::nullopt;
  std::string extension;
  for (char c : line.substr(dot + 1)) extension += static_cast<char>(c | 0x20);
  for (const auto& kind : kKinds) {
    if (extension == kind.extension) return kind.by;
  }
  return std::nullopt;
}

}  // namespace vantorel
