// The track list: reading the user's list and classifying its lines into the track table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum LineKind : int32_t { KIND_NONE = 0, KIND_SPLIT = 1, KIND_PREGAP = 2 };

// Only the first MAX_LINES lines of a list are used; the table has room to spare.
constexpr int MAX_LINES = 128;
constexpr int TABLE_SLOTS = 256;

// The largest list the tool reads, in bytes.
constexpr size_t MAX_LIST_BYTES = 1024 * 1024;

// One slot per list line, in the order of the lines. The text views point into the list text,
// which must outlive the table. The audio columns are filled only for WAV entries.
struct TrackTable {
  std::array<std::string_view, TABLE_SLOTS> text{};
  std::array<int32_t, TABLE_SLOTS> kind{};
  std::array<int32_t, TABLE_SLOTS> has_pregap{};
  std::array<int32_t, TABLE_SLOTS> is_wav{};
  std::array<uint32_t, TABLE_SLOTS> sample_rate{};
  std::array<uint32_t, TABLE_SLOTS> sample_frames{};
  std::array<int32_t, TABLE_SLOTS> minutes{};
  std::array<int32_t, TABLE_SLOTS> seconds{};
  std::array<int32_t, TABLE_SLOTS> cd_frames{};
};

struct Classified {
  int line_count = 0;
  // True when the list holds lines beyond the first MAX_LINES; they are not used.
  bool lines_dropped = false;
};

// Cuts the list text into lines (any run of CR and LF ends a line; a NUL byte ends the text) and
// fills the text, kind, has_pregap and is_wav columns.
Classified ClassifyTrackList(std::string_view list_text, TrackTable* table);

// The time text of a split or pregap line: everything from its third character on.
std::string_view TimeText(std::string_view line);

enum class ListRead { kOk, kTooLarge, kError };

// Reads an open list descriptor to its end, whatever kind of file it is, into *text. More than
// MAX_LIST_BYTES is kTooLarge; a read error is kError with errno set.
ListRead ReadListText(int fd, std::string* text);
