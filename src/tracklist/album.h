// An album as a ripper describes it in a cue sheet or in a FLAC file's CUESHEET block: its files,
// its tracks and where each index of a track lies in which file, with the texts and codes that
// go with them, and what the reader found wrong, as data. A later step lays the album out on a
// disc and rewrites it; every fact it needs is kept, with the sheet's line that gave it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// The limits of what a reader keeps, each as much as a disc can use or more, so that nothing it
// allocates grows with a count the input gives.
constexpr size_t kMaxAlbumTracks = 99;  // More tracks are read but not kept.
constexpr size_t kMaxAlbumFiles = 255;  // Past a file per track and one for the audio before.
constexpr int kMaxIndexNumber = 99;     // A track's indexes are numbered 0 to 99.
constexpr size_t kMaxRemarks = 64;      // REM lines of the disc, and of each track.
constexpr size_t kMaxAlbumFindings = 255;

// The longest CD-TEXT cdrdao takes, in bytes; it refuses the whole sheet for a longer one.
constexpr size_t kMaxAlbumTextBytes = 80;

// The type a FILE line gives its file. EAC, whipper and CUETools write WAVE for FLAC files.
enum class FileType : uint8_t { kUnknown, kWave, kFlac, kMp3, kAiff, kBinary, kMotorola };

// What a track holds: audio, or data in one of a CD's sector modes. kData is data whose mode a
// FLAC CUESHEET block does not say.
enum class TrackMode : uint8_t {
  kUnknown,
  kAudio,
  kCdg,
  kMode1Cooked,  // MODE1/2048
  kMode1Raw,     // MODE1/2352
  kMode2Cooked,  // MODE2/2048, MODE2/2324 or MODE2/2336
  kMode2Raw,     // MODE2/2352
  kCdi,          // CDI/2336 or CDI/2352
  kData,
};

// The bits of a track's FLAGS.
enum AlbumTrackFlag : uint8_t {
  kAlbumFlagDcp = 1,  // Digital copy permitted.
  kAlbumFlag4ch = 2,  // Four channels.
  kAlbumFlagPre = 4,  // Pre-emphasis.
  kAlbumFlagScms = 8,
};

// The texts of a disc or a track that a track list has no line for, as kTextsLeftOut names them.
enum class AlbumTextKind : uint8_t { kSongwriter, kComposer, kArranger, kMessage };

// The CD-TEXT a disc or a track carries, as UTF-8.
struct AlbumTexts {
  std::string title;
  std::string performer;
  std::string songwriter;
  std::string composer;
  std::string arranger;
  std::string message;
};

// A REM line: its first word and the rest, without the pair of double quotes the rest is wholly
// in, if it is; as UTF-8.
struct Remark {
  std::string key;
  std::string value;
  int line = 0;
};

struct AlbumFile {
  // The name as the sheet writes it, without its quotes: the bytes a burner opens, which on a
  // sheet written in Windows' code page are not UTF-8.
  std::string raw_name;
  // The name as UTF-8, with Windows' `\` between folders as `/`.
  std::string name;
  FileType type = FileType::kUnknown;
  int line = 0;
};

struct AlbumIndex {
  uint8_t number = 0;
  uint16_t file = 0;    // The file it lies in, by its place in the album's files.
  uint32_t frames = 0;  // Where it lies in that file, in CD frames from the file's start.
  int line = 0;
};

struct AlbumTrack {
  uint16_t number = 0;  // As written; a number past 99 is kept as it is, up to 999.
  TrackMode mode = TrackMode::kUnknown;
  uint8_t flags = 0;    // AlbumTrackFlag bits.
  uint8_t session = 1;  // From the REM SESSION line above it, as redumper writes for a CD-Extra.
  int line = 0;
  std::optional<uint32_t> pregap;  // Silence before the track, in CD frames.
  std::optional<uint32_t> postgap;
  std::string isrc;  // 12 characters, or empty for none.
  AlbumTexts texts;
  std::vector<AlbumIndex> indexes;  // As the sheet gives them; at most one per number.
  std::vector<Remark> remarks;
};

struct Album {
  std::string catalog;  // 13 digits, or empty for none.
  std::string cdtext_file;
  AlbumTexts texts;
  std::vector<Remark> remarks;
  std::vector<AlbumFile> files;
  std::vector<AlbumTrack> tracks;
};

enum class AlbumFindingKind : uint8_t {
  kUnknownCommand,
  kLineNotTaken,  // A command whose words cannot be read, or that stands where it means nothing.
  kWordNotKnown,  // A FILE type, a track mode or a flag the reader does not know; the rest is kept.
  kTrackNumberOutOfRange,  // value: the number, 0 or past 99.
  kTrackNumberNotNext,     // value: the number; other: the one before.
  kTrackAgain,             // value: the number, the same as the track's above, which goes on.
  kTooManyTracks,          // The 100th track; it and those after it are not kept.
  kIndexNumberNotNext,     // value: the number; other: the one before, or 256 for none.
  kTimeOutOfRange,         // Seconds of 60 or more or frames of 75 or more.
  kTimeUnreadable,
  kIndexBackwards,       // value: its time; other: that of the index before it in the same file.
  kNoIndex01,            // Of the track's line; value: its number.
  kIndex00InFileBefore,  // Of INDEX 01's line; value: the track's number; other: its INDEX 00's
                         // line.
  kAbsoluteName,
  kParentInName,  // A FILE name with a `..` between its folders.
  kTooManyFiles,  // The file past kMaxAlbumFiles; it and those after it are not kept.
  kFlagsAgain,
  kIsrcMalformed,     // Not 5 capitals or digits and 7 digits (CCOOOYYNNNNN); not kept.
  kIsrcZeros,         // Twelve zeros, which rippers write for none.
  kCatalogMalformed,  // Not 13 digits; not kept.
  kCatalogZeros,
  kTextTooLong,     // value: its bytes, past 80.
  kTooManyRemarks,  // The first REM line past kMaxRemarks of the disc or a track.
  // Of a FLAC CUESHEET block.
  kBlockCut,     // value: the bytes it needs for what it claims up to the cut; other: those it has.
  kBlockLonger,  // value: the bytes its counts claim; other: the bytes it has.
  kNoLeadOut,    // The last track is not the lead-out; value: its number, or 0 for no track.
  kOffsetPastEnd,     // value: the track's number; other: the offset, in samples from the file's
                      // start, past the audio (for the lead-out, where the audio ends).
  kOffsetNotOnFrame,  // value: the track's number; other: the offset, in samples (an index's
                      // from its track's).
  // Of the album laid out as a track list, each on the line of the file, track or index it is
  // about. Of a file, value is its place in the album's files.
  kFileMissing,         // Neither its name nor its stem with another audio ending is a file.
  kFileNotRegular,      // other: 1 for a directory, 0 for a device, a pipe or a socket.
  kFileOtherName,       // Its stem with another audio ending is the file taken.
  kFileNotUsed,         // No audio track lies in it.
  kFilesJoined,         // It is joined to the file before, where a track's gap or audio runs over.
  kCannotJoin,          // It starts no track, and cannot be joined to the file before: its length
                        // is not known to be whole CD frames at the CD's rate.
  kAudioBeforeLeftOut,  // It holds only audio before track 1, and cannot be joined to the next.
  // Of a track, value is its number.
  kGapInTrackBefore,    // Its gap stays at the end of the track before: the files cannot be
                        // joined.
  kGapFromTrackBefore,  // The start of its file, the end of the track before, becomes its gap:
                        // the files cannot be joined.
  kIndexesLeftOut,      // On the first INDEX 02 or higher; other: how many.
  kPregapWithGap,       // Its PREGAP, left out beside its gap of audio.
  kPostgapLeftOut,
  kDataTrackLeftOut,  // other: 1 for a CD+G track, whose file holds graphics beside its audio.
  kDataTrackInFile,   // It lies in a file an audio track lies in too; other as above.
  kScmsLeftOut,       // The first of the album's.
  kIndexPastEnd,      // value: its time; other: the file's length, both in CD frames.
  kTextsLeftOut,      // value: the AlbumTextKind; the first of the album's of that kind.
  kCdTextFileLeftOut,
  kNoAudioTrack,
  kFindingsNotKept,  // Last, after kMaxAlbumFindings kept; line: that of the first not kept;
                     // value: how many were not kept.
};

// The finding a catalog number as written gives, if any: kCatalogZeros for 13 zeros, which
// rippers write for none, and kCatalogMalformed where it is not 13 digits.
inline std::optional<AlbumFindingKind> CatalogProblem(std::string_view code) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (code.size() != 13 || !std::all_of(code.begin(), code.end(), digit)) {
    return AlbumFindingKind::kCatalogMalformed;
  }
  if (code == "0000000000000") return AlbumFindingKind::kCatalogZeros;
  return std::nullopt;
}

// The finding an ISRC as written gives, if any: kIsrcZeros for 12 zeros, and kIsrcMalformed
// where it is not 5 capital letters or digits (country and owner) and 7 digits (year and number).
inline std::optional<AlbumFindingKind> IsrcProblem(std::string_view code) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  auto alnum = [digit](char c) { return digit(c) || (c >= 'A' && c <= 'Z'); };
  if (code.size() != 12 || !std::all_of(code.begin(), code.begin() + 5, alnum) ||
      !std::all_of(code.begin() + 5, code.end(), digit)) {
    return AlbumFindingKind::kIsrcMalformed;
  }
  if (code == "000000000000") return AlbumFindingKind::kIsrcZeros;
  return std::nullopt;
}

// The finding a file's name as UTF-8, with `/` between folders, gives, if any: kAbsoluteName
// where it starts at the root or a drive, and kParentInName where a `..` stands between its
// folders. Such a name is not looked up.
inline std::optional<AlbumFindingKind> NameProblem(std::string_view path) {
  const char letter = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
  const bool drive = path.size() >= 2 && path[1] == ':' && letter >= 'a' && letter <= 'z';
  if (path.starts_with('/') || drive) return AlbumFindingKind::kAbsoluteName;
  for (size_t at = 0; at <= path.size();) {
    size_t end = std::min(path.find('/', at), path.size());
    if (path.substr(at, end - at) == "..") return AlbumFindingKind::kParentInName;
    at = end + 1;
  }
  return std::nullopt;
}

// The text that every one of texts gives that gives one; empty where two give different ones.
inline std::string AgreedText(const std::vector<std::string>& texts) {
  std::string agreed;
  for (const std::string& text : texts) {
    if (text.empty()) continue;
    if (!agreed.empty() && text != agreed) return "";
    agreed = text;
  }
  return agreed;
}

// A finding: its kind, the sheet's line it is about (of a FLAC block, the track's place in it,
// or 0 for the block as a whole), and the numbers it rests on.
struct AlbumFinding {
  AlbumFindingKind kind = {};
  int line = 0;
  uint64_t value = 0;
  uint64_t other = 0;
  bool operator==(const AlbumFinding&) const = default;
};

// An album read, and what was found wrong with it in the order of the lines.
struct AlbumRead {
  Album album;
  std::vector<AlbumFinding> findings;
};

// Adds a finding to a list, keeping at most kMaxAlbumFindings and then counting the rest in a
// last kFindingsNotKept.
inline void AddAlbumFinding(std::vector<AlbumFinding>* findings, AlbumFinding finding) {
  if (findings->size() < kMaxAlbumFindings) {
    findings->push_back(finding);
  } else if (findings->size() == kMaxAlbumFindings) {
    findings->push_back({AlbumFindingKind::kFindingsNotKept, finding.line, 1, 0});
  } else {
    ++findings->back().value;
  }
}

}  // namespace vantorel
