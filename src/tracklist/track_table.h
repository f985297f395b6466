// The track table: one slot per line of the list, as the list reader classifies it. The disc is
// built from it; no later phase reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace vantorel {

enum class LineKind : int32_t { kNone = 0, kSplit = 1, kPregap = 2 };

// Only the first kMaxLines lines of a list are used; the table has room to spare.
constexpr int kMaxLines = 128;
constexpr int kTableSlots = 256;

// The columns run in parallel, in the order of the lines. The text views point into the list
// text, which must outlive the table.
struct TrackTable {
  std::array<std::string_view, kTableSlots> text{};
  std::array<LineKind, kTableSlots> kind{};
  std::array<int32_t, kTableSlots> has_pregap{};
  std::array<int32_t, kTableSlots> is_wav{};
};

}  // namespace vantorel
