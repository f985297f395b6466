#include "tracklist/cue_reader.h"

#include <algorithm>
#include <utility>

#include "cd.h"
#include "encoding.h"
#include "tracklist/list_text.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

using K = AlbumFindingKind;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// An index number no index has: before a track's first index.
constexpr int kNoIndex = 256;

// Whether a word is the keyword, in any case.
bool Is(std::string_view word, std::string_view keyword) {
  return word.size() == keyword.size() &&
         std::equal(word.begin(), word.end(), keyword.begin(),
                    [](char a, char k) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == k; });
}

// The text without the blanks at either end. A loop over the bytes: the library's search for
// either of two bytes calls memchr for each byte.
std::string_view Trim(std::string_view text) {
  size_t start = 0;
  size_t end = text.size();
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
  return text.substr(start, end - start);
}

// The first word of *text, which moves past it and the blanks after it.
std::string_view TakeWord(std::string_view* text) {
  size_t end = 0;
  while (end < text->size() && !IsBlank((*text)[end])) ++end;
  std::string_view word = text->substr(0, end);
  *text = Trim(text->substr(end));
  return word;
}

// A text as written: up to the line's last double quote where it starts with one, all of it
// otherwise. *rest, where given, is what follows the closing quote.
std::string_view Unquote(std::string_view text, std::string_view* rest = nullptr) {
  std::string_view after;
  if (text.starts_with('"')) {
    size_t close = text.rfind('"');
    if (close > 0) {
      after = Trim(text.substr(close + 1));
      text = text.substr(1, close - 1);
    } else {
      text.remove_prefix(1);
    }
  }
  if (rest != nullptr) *rest = after;
  return text;
}

// A number of one to three digits.
std::optional<uint16_t> ReadNumber(std::string_view word) {
  if (word.empty() || word.size() > 3 || word.find_first_not_of("0123456789") != word.npos) {
    return std::nullopt;
  }
  uint16_t n = 0;
  for (char c : word) n = static_cast<uint16_t>(n * 10 + (c - '0'));
  return n;
}

// A time of minutes:seconds:frames, with up to three digits of minutes (an image's sheet may run
// past 99) and up to two of seconds and frames.
struct Time {
  K problem;  // kTimeOutOfRange or kTimeUnreadable, where frames is of no use.
  uint32_t frames = 0;
  bool ok = false;
};

Time ReadTime(std::string_view text) {
  uint32_t fields[3] = {};
  for (int f = 0; f < 3; ++f) {
    size_t end = f < 2 ? text.find(':') : text.size();
    std::optional<uint16_t> n = ReadNumber(text.substr(0, end));
    if (!n || end == text.npos || (f > 0 && end > 2)) return {K::kTimeUnreadable};
    fields[f] = *n;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  if (fields[1] >= 60 || fields[2] >= cd::kFramesPerSecond) return {K::kTimeOutOfRange};
  return {{}, (fields[0] * 60 + fields[1]) * cd::kFramesPerSecond + fields[2], true};
}

constexpr struct {
  std::string_view word;
  FileType type;
} kFileTypes[] = {{"WAVE", FileType::kWave},     {"FLAC", FileType::kFlac},
                  {"MP3", FileType::kMp3},       {"AIFF", FileType::kAiff},
                  {"BINARY", FileType::kBinary}, {"MOTOROLA", FileType::kMotorola}};

constexpr struct {
  std::string_view word;
  TrackMode mode;
} kModes[] = {
    {"AUDIO", TrackMode::kAudio},
    {"CDG", TrackMode::kCdg},
    {"MODE1/2048", TrackMode::kMode1Cooked},
    {"MODE1/2352", TrackMode::kMode1Raw},
    {"MODE2/2048", TrackMode::kMode2Cooked},
    {"MODE2/2324", TrackMode::kMode2Cooked},
    {"MODE2/2336", TrackMode::kMode2Cooked},
    {"MODE2/2352", TrackMode::kMode2Raw},
    {"CDI/2336", TrackMode::kCdi},
    {"CDI/2352", TrackMode::kCdi},
};

constexpr struct {
  std::string_view word;
  uint8_t flag;
} kFlags[] = {{"DCP", kAlbumFlagDcp},
              {"4CH", kAlbumFlag4ch},
              {"PRE", kAlbumFlagPre},
              {"SCMS", kAlbumFlagScms}};

constexpr struct {
  std::string_view word;
  std::string AlbumTexts::*text;
} kTexts[] = {{"TITLE", &AlbumTexts::title},           {"PERFORMER", &AlbumTexts::performer},
              {"SONGWRITER", &AlbumTexts::songwriter}, {"COMPOSER", &AlbumTexts::composer},
              {"ARRANGER", &AlbumTexts::arranger},     {"MESSAGE", &AlbumTexts::message}};

// The file indexes lie in, where it is none of the album's: before the first FILE line or after
// one that cannot be read, or past the limit of files.
constexpr int kNoFile = -1;
constexpr int kFileNotKept = -2;

// The reader's state between lines.
struct Reader {
  AlbumRead Read(std::string_view text);
  void Line(std::string_view line);
  void File(std::string_view args);
  void Track(std::string_view args);
  void Index(std::string_view args);
  void Remark(std::string_view args);
  void CloseTrack();
  void Find(K kind, uint64_t value = 0, uint64_t other = 0) {
    AddAlbumFinding(&out.findings, {kind, at_line, value, other});
  }
  // A time read from text, or nothing where it cannot be, which is found.
  std::optional<uint32_t> TimeOf(std::string_view text) {
    Time t = ReadTime(text);
    if (!t.ok) Find(t.problem);
    return t.ok ? std::optional<uint32_t>(t.frames) : std::nullopt;
  }

  AlbumRead out;
  int at_line = 0;
  // The track lines go to: one of the album's, a track past the limit that is read but not kept,
  // or none before the first TRACK.
  AlbumTrack* track = nullptr;
  AlbumTrack dropped;
  bool flags_given = false;
  bool remarks_full_found = false;  // Of the track, or before the first track of the disc.
  int last_index = kNoIndex;        // The number of the track's last index.
  int index_file = kNoFile;         // The file indexes lie in, by its place in the album's.
  int last_file = kNoFile;          // The file of the last index of any track, and its time.
  uint32_t last_frames = 0;
  uint8_t session = 1;
};

AlbumRead Reader::Read(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  for (size_t pos = 0; pos < text.size();) {
    ++at_line;
    Line(TakeLine(text, &pos));
  }
  CloseTrack();
  // A track's own findings are made as it ends, after those of its later lines.
  size_t kept = std::min(out.findings.size(), kMaxAlbumFindings);
  std::stable_sort(out.findings.begin(), out.findings.begin() + static_cast<ptrdiff_t>(kept),
                   [](const AlbumFinding& a, const AlbumFinding& b) { return a.line < b.line; });
  return std::move(out);
}

void Reader::Line(std::string_view line) {
  line = Trim(line);
  if (line.empty()) return;
  if (line.find('\0') != line.npos) return Find(K::kLineNotTaken);
  std::string_view args = line;
  std::string_view command = TakeWord(&args);
  AlbumTexts& texts = track ? track->texts : out.album.texts;
  for (const auto& t : kTexts) {
    if (!Is(command, t.word)) continue;
    std::string_view text = Unquote(args);
    if (text.size() > kMaxAlbumTextBytes) Find(K::kTextTooLong, text.size());
    texts.*t.text = ToUtf8(text);
    return;
  }
  if (Is(command, "REM")) return Remark(args);
  if (Is(command, "FILE")) return File(args);
  if (Is(command, "TRACK")) return Track(args);
  if (Is(command, "INDEX")) return Index(args);
  if (Is(command, "CATALOG") || Is(command, "MCN")) {
    std::string_view code = Unquote(args);
    if (std::optional<K> problem = CatalogProblem(code)) return Find(*problem);
    out.album.catalog = code;
    return;
  }
  if (Is(command, "CDTEXTFILE")) {
    out.album.cdtext_file = ToUtf8(Unquote(args));
    return;
  }
  bool of_track = Is(command, "ISRC") || Is(command, "FLAGS") || Is(command, "PREGAP") ||
                  Is(command, "POSTGAP");
  if (!of_track) return Find(K::kUnknownCommand);
  if (track == nullptr || args.empty()) return Find(K::kLineNotTaken);
  if (Is(command, "ISRC")) {
    std::string_view code = Unquote(args);
    if (std::optional<K> problem = IsrcProblem(code)) return Find(*problem);
    track->isrc = code;
  } else if (Is(command, "FLAGS")) {
    if (flags_given) Find(K::kFlagsAgain);
    flags_given = true;
    while (!args.empty()) {
      std::string_view word = TakeWord(&args);
      auto flag = std::find_if(std::begin(kFlags), std::end(kFlags),
                               [word](const auto& f) { return Is(word, f.word); });
      if (flag == std::end(kFlags)) {
        Find(K::kWordNotKnown);
      } else {
        track->flags |= flag->flag;
      }
    }
  } else {
    std::optional<uint32_t>& gap = Is(command, "PREGAP") ? track->pregap : track->postgap;
    if (std::optional<uint32_t> frames = TimeOf(args)) gap = frames;
  }
}

void Reader::Remark(std::string_view args) {
  std::string_view key = TakeWord(&args);
  std::string_view value = Unquote(args);
  if (Is(key, "SESSION")) {
    if (std::optional<uint16_t> n = ReadNumber(value); n && *n > 0 && *n <= 255) {
      session = static_cast<uint8_t>(*n);
      return;
    }
  }
  std::vector<vantorel::Remark>& remarks = track ? track->remarks : out.album.remarks;
  if (remarks.size() < kMaxRemarks) {
    remarks.push_back({ToUtf8(key), ToUtf8(value), at_line});
  } else if (!remarks_full_found) {
    remarks_full_found = true;
    Find(K::kTooManyRemarks);
  }
}

void Reader::File(std::string_view args) {
  std::string_view type_word;
  std::string_view name;
  if (args.starts_with('"')) {
    name = Unquote(args, &type_word);
  } else {
    size_t last = args.find_last_of(" \t");
    name = args.substr(0, last == args.npos ? args.size() : last);
    type_word = last == args.npos ? std::string_view() : args.substr(last + 1);
    name = Trim(name);
  }
  std::vector<AlbumFile>& files = out.album.files;
  if (files.size() == kMaxAlbumFiles) {
    if (index_file != kFileNotKept) Find(K::kTooManyFiles);
    index_file = kFileNotKept;
    return;
  }
  if (name.empty()) {
    index_file = kNoFile;
    return Find(K::kLineNotTaken);
  }
  AlbumFile file;
  file.raw_name = name;
  file.name = ToUtf8(name);
  std::replace(file.name.begin(), file.name.end(), '\\', '/');
  file.line = at_line;
  auto type = std::find_if(std::begin(kFileTypes), std::end(kFileTypes),
                           [type_word](const auto& t) { return Is(type_word, t.word); });
  if (type == std::end(kFileTypes)) {
    Find(K::kWordNotKnown);
  } else {
    file.type = type->type;
  }
  if (std::optional<K> problem = NameProblem(file.name)) Find(*problem);
  files.push_back(std::move(file));
  index_file = static_cast<int>(files.size() - 1);
}

void Reader::Track(std::string_view args) {
  std::optional<uint16_t> number = ReadNumber(TakeWord(&args));
  if (!number) return Find(K::kLineNotTaken);
  if (track != nullptr && track->number == *number) {
    // A burner reads the lines below as a track of their own, whose FLAGS line is its first.
    flags_given = false;
    return Find(K::kTrackAgain, *number);
  }
  std::optional<uint16_t> before;
  if (track != nullptr) before = track->number;
  CloseTrack();
  if (*number == 0 || *number > cd::kMaxTracks) Find(K::kTrackNumberOutOfRange, *number);
  if (before && *number != *before + 1) Find(K::kTrackNumberNotNext, *number, *before);
  std::vector<AlbumTrack>& tracks = out.album.tracks;
  if (tracks.size() < kMaxAlbumTracks) {
    track = &tracks.emplace_back();
  } else {
    if (track != &dropped) Find(K::kTooManyTracks);
    dropped = {};
    track = &dropped;
  }
  track->number = *number;
  track->line = at_line;
  track->session = session;
  flags_given = false;
  remarks_full_found = false;
  last_index = kNoIndex;
  auto mode = std::find_if(std::begin(kModes), std::end(kModes),
                           [word = TakeWord(&args)](const auto& m) { return Is(word, m.word); });
  if (mode == std::end(kModes)) {
    Find(K::kWordNotKnown);
  } else {
    track->mode = mode->mode;
  }
}

void Reader::Index(std::string_view args) {
  std::optional<uint16_t> number = ReadNumber(TakeWord(&args));
  // Past the limit of files, the finding that says so stands for the lines of those not kept.
  if (index_file == kFileNotKept) return;
  if (!number || *number > kMaxIndexNumber || track == nullptr || index_file == kNoFile) {
    return Find(K::kLineNotTaken);
  }
  std::optional<uint32_t> frames = TimeOf(args);
  if (!frames) return;
  bool first = last_index == kNoIndex;
  if (first ? *number > 1 : *number != last_index + 1) {
    Find(K::kIndexNumberNotNext, *number, static_cast<uint64_t>(last_index));
  }
  if (index_file == last_file && *frames < last_frames) {
    Find(K::kIndexBackwards, *frames, last_frames);
  }
  last_file = index_file;
  last_frames = *frames;
  std::vector<AlbumIndex>& indexes = track->indexes;
  bool taken = std::any_of(indexes.begin(), indexes.end(),
                           [&](const AlbumIndex& i) { return i.number == *number; });
  if (taken) return;
  last_index = *number;
  indexes.push_back(
      {static_cast<uint8_t>(*number), static_cast<uint16_t>(index_file), *frames, at_line});
}

void Reader::CloseTrack() {
  if (track == nullptr) return;
  const std::vector<AlbumIndex>& indexes = track->indexes;
  auto find = [&indexes](int number) {
    return std::find_if(indexes.begin(), indexes.end(),
                        [number](const AlbumIndex& i) { return i.number == number; });
  };
  auto one = find(1);
  auto zero = find(0);
  if (one == indexes.end()) {
    AddAlbumFinding(&out.findings, {K::kNoIndex01, track->line, track->number, 0});
  } else if (zero != indexes.end() && zero->file < one->file) {
    AddAlbumFinding(&out.findings, {K::kIndex00InFileBefore, one->line, track->number,
                                    static_cast<uint64_t>(zero->line)});
  }
}

}  // namespace

AlbumRead ReadCueSheet(std::string_view text) {
  if (std::optional<std::string> utf8 = MarkedUtf16ToUtf8(text)) return Reader().Read(*utf8);
  return Reader().Read(text);
}

}  // namespace vantorel
