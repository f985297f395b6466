#include "run/diagnostics.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "run/texts.h"
#include "tracklist/tracklist.h"

namespace {

constexpr uint64_t kFramesPerSecond = 75;
constexpr uint64_t kShortestTrackFrames = 4 * kFramesPerSecond;
constexpr uint64_t kLongestDiscFrames = (79 * 60 + 59) * kFramesPerSecond + 74;

// The line that the character at offset stands on, counting from the line before it.
int CountLines(std::string_view text, size_t from, size_t to, int line) {
  for (size_t pos = from; pos < to; ++pos) {
    if (text[pos] == '\r' || (text[pos] == '\n' && (pos == 0 || text[pos - 1] != '\r'))) ++line;
  }
  return line;
}

bool ContainsWavAnyCase(std::string_view line) {
  for (size_t i = 0; i + 4 <= line.size(); ++i) {
    if (line[i] != '.') continue;
    std::string_view ext = line.substr(i + 1, 3);
    if ((ext[0] | 0x20) == 'w' && (ext[1] | 0x20) == 'a' && (ext[2] | 0x20) == 'v') return true;
  }
  return false;
}

// The tracks of one WAV file: where each starts and where the audio ends, in samples times 75
// so that CD frames and samples compare exactly, and the line that opened each track.
struct FileTracks {
  std::string_view path;
  uint64_t rate = 0;
  uint64_t end = 0;
  std::vector<std::pair<uint64_t, std::string_view>> starts;

  // A burner rounds the last part of a CD frame up to a whole one.
  uint64_t Frames(uint64_t scaled) const { return (scaled + rate - 1) / rate; }
};

bool StartsWithLowercaseAndTime(std::string_view line) {
  return (line[0] == 's' || line[0] == 'p') && line.size() > 2 && line[2] >= '0' && line[2] <= '9';
}

struct Checker {
  const ListFacts& list;
  // Each warning with the offset of its line in the list, in the list's order.
  std::vector<std::pair<size_t, std::string>> found{};
  std::optional<FileTracks> tracks{};
  uint64_t disc_frames = 0;

  // A later warning of the same line follows the earlier one.
  void Warn(std::string_view line, std::string text) {
    auto offset = static_cast<size_t>(line.data() - list.text.data());
    auto after = std::find_if(found.rbegin(), found.rend(),
                              [offset](const auto& f) { return f.first <= offset; });
    found.emplace(after.base(), offset, std::move(text));
  }

  std::string Said() {
    std::string out;
    size_t pos = 0;
    int line = 1;
    for (const auto& [offset, text] : found) {
      line = CountLines(list.text, pos, offset, line);
      pos = offset;
      out += Warning({list.name, line}, text);
    }
    return out;
  }

  // The time of a split or pregap line as the user meant it. A line whose time a burner would
  // misread is warned about, once, and has no time to check further.
  std::optional<uint32_t> TimeOf(std::string_view line) {
    if (ContainsWavAnyCase(line)) {
      Warn(line, MixedCaseWav(line));
      return std::nullopt;
    }
    // The character after the letter is skipped whatever it is; a digit there is lost.
    if (line.size() >= 2 && line[1] >= '0' && line[1] <= '9') {
      Warn(line, NoSpaceAfterLetter(line));
      return std::nullopt;
    }
    std::optional<uint32_t> frames = CueTimeFrames(TimeText(line));
    if (!frames) Warn(line, NotACueTime(line));
    return frames;
  }

  // Checks a WAV file and opens its first track. Its length is what it holds, as a burner takes
  // it, where that is less than its header declares.
  void OpenFile(std::string_view path, const WavFile& file) {
    CloseFile();
    const HeaderFacts& f = file.facts;
    if (path.find('"') != path.npos) Warn(path, QuoteInName(path));
    // cdrdao takes nothing but a plain PCM format block, not even an extensible one of PCM.
    if (f.format_found && (f.format != kFormatPcm || f.sample_rate != 44100 ||
                           f.bits_per_sample != 16 || f.channels != 2)) {
      Warn(path,
           NotCdAudio(path, f.format, f.sub_format, f.sample_rate, f.bits_per_sample, f.channels));
    }
    tracks = FileTracks{path, f.sample_rate, uint64_t{f.sample_frames} * kFramesPerSecond, {}};
    tracks->starts.push_back({0, path});
    if (file.regular && file.file_size < f.data_start + f.data_size) {
      uint64_t block = uint64_t{f.channels} * (f.bits_per_sample / 8);
      uint64_t held = file.file_size > f.data_start ? (file.file_size - f.data_start) / block : 0;
      Warn(path, ShortOfDeclared(path, tracks->Frames(tracks->end),
                                 tracks->Frames(held * kFramesPerSecond)));
      tracks->end = held * kFramesPerSecond;
    }
    if (f.sample_frames == 0) Warn(path, NoAudio(path));
    disc_frames += tracks->Frames(tracks->end);
  }

  void Split(std::string_view line, std::optional<uint32_t> frames) {
    if (!frames || !tracks) return;
    uint64_t at = uint64_t{*frames} * tracks->rate;
    if (at >= tracks->end) {
      Warn(line, SplitPastEnd(line, tracks->path, tracks->Frames(tracks->end)));
    } else if (at <= tracks->starts.back().first) {
      Warn(line, SplitNotLater(line, tracks->Frames(tracks->starts.back().first)));
    } else {
      tracks->starts.push_back({at, line});
    }
  }

  // Once a file's splits are all known, each track runs to the next one or to the file's end. A
  // track too short is said at the split that ends it, the line to move, or else at its start.
  void CloseFile() {
    if (!tracks || tracks->end == 0) return;
    const auto& starts = tracks->starts;
    for (size_t t = 0; t < starts.size(); ++t) {
      bool last = t + 1 == starts.size();
      uint64_t length =
          tracks->Frames((last ? tracks->end : starts[t + 1].first) - starts[t].first);
      if (length >= kShortestTrackFrames) continue;
      std::string_view at = last ? starts[t].second : starts[t + 1].second;
      Warn(at, TrackTooShort(at, !last, starts.size() > 1, length));
    }
    tracks.reset();
  }
};

}  // namespace

int LineNumber(std::string_view list_text, std::string_view line) {
  return CountLines(list_text, 0, static_cast<size_t>(line.data() - list_text.data()), 1);
}

std::string Diagnose(const ListFacts& list, std::span<const WavFile> files,
                     std::string_view cue_name) {
  const TrackTable& table = *list.table;
  if (list.line_count == 0) return Warning({}, NoWavFile(list.name, cue_name));
  Checker check{list};
  std::vector<bool> pregap_used(static_cast<size_t>(list.line_count), false);
  for (int i = 0; i < list.line_count; ++i) {
    std::string_view line = table.text[i];
    bool opens_track = table.is_wav[i] == 1 || table.kind[i] == LineKind::kSplit;
    if (table.is_wav[i] == 1) {
      check.OpenFile(line, files[i]);
    } else if (table.kind[i] == LineKind::kSplit) {
      check.Split(line, check.TimeOf(line));
    } else if (table.has_pregap[i] == 1) {
      if (!pregap_used[i]) {
        check.Warn(line, ContainsWavAnyCase(line) ? MixedCaseWav(line) : PregapIgnored(line));
      }
    } else if (ContainsWavAnyCase(line)) {
      check.Warn(line, MixedCaseWav(line));
    } else if (StartsWithLowercaseAndTime(line)) {
      check.Warn(line, LowercaseLetter(line));
    }
    // A pregap line right after the line that opened a track is that track's pregap.
    if (opens_track && i + 1 < list.line_count && table.has_pregap[i + 1] == 1) {
      pregap_used[static_cast<size_t>(i + 1)] = true;
      if (std::optional<uint32_t> frames = check.TimeOf(table.text[i + 1])) {
        if (*frames == 0) check.Warn(table.text[i + 1], PregapWithoutLength(table.text[i + 1]));
        check.disc_frames += *frames;
      }
    }
  }
  check.CloseFile();
  std::string out = check.Said();
  if (check.disc_frames > kLongestDiscFrames) out += Warning({}, DiscTooLong(check.disc_frames));
  return out;
}
