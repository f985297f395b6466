// The track table: one slot per line of the list, filled by the list reader and read by every
// later phase.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

enum class LineKind : int32_t { kNone = 0, kSplit = 1, kPregap = 2 };

// Only the first kMaxLines lines of a list are used; the table has room to spare.
constexpr int kMaxLines = 128;
constexpr int kTableSlots = 256;

// The columns run in parallel, in the order of the lines. The text views point into the list
// text, which must outlive the table. The audio columns are filled only for WAV entries.
struct TrackTable {
  std::array<std::string_view, kTableSlots> text{};
  std::array<LineKind, kTableSlots> kind{};
  std::array<int32_t, kTableSlots> has_pregap{};
  std::array<int32_t, kTableSlots> is_wav{};
  std::array<uint32_t, kTableSlots> sample_rate{};
  std::array<uint32_t, kTableSlots> sample_frames{};
  std::array<int32_t, kTableSlots> minutes{};
  std::array<int32_t, kTableSlots> seconds{};
  std::array<int32_t, kTableSlots> cd_frames{};
};
