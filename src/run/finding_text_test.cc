#include "run/finding_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace vantorel {

namespace {

// A finding of each kind, its facts as they stand before the run fills them in.
template <size_t... I>
std::vector<Finding> OneOfEachKind(std::index_sequence<I...>) {
  // Those of the run as a whole, but a NUL in the list, have no line.
  auto line = [](FindingKind kind) {
    return kind <= FindingKind::kTooManyPacks && kind != FindingKind::kNulInList ? 0 : 7;
  };
  return {Finding{static_cast<FindingKind>(I), line(static_cast<FindingKind>(I)), "x\x01\"y\nz.wav",
                  typename FactsFor<static_cast<FindingKind>(I)>::type{}}...};
}

// What holds of the wording of every kind: one line, placed at the finding's line with the word
// of its weight, naming what it is about in quotes, with no control character but its end.
TEST(FindingLines, EveryKindSaidAsOneLine) {
  constexpr size_t kKinds = static_cast<size_t>(FindingKind::kTrackWithoutTitle) + 1;
  for (const Finding& f : OneOfEachKind(std::make_index_sequence<kKinds>())) {
    SCOPED_TRACE(static_cast<int>(f.kind));
    const std::string said = FindingLines({&f, 1}, {"l\n.txt", "o.cue"});
    const std::string_view weight = IsError(f.kind)  ? "error: "
                                    : IsNote(f.kind) ? "note: "
                                                     : "warning: ";
    const std::string place = f.line == 0 ? "" : "l?.txt:7: ";
    EXPECT_TRUE(said.starts_with("vantorel: " + place + std::string(weight))) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    EXPECT_EQ(std::count_if(said.begin(), said.end(),
                            [](char c) { return (c >= 0 && c < ' ' && c != '\n') || c == 0x7F; }),
              0)
        << said;
    if (size_t at = said.find("x?\"y?z.wav"); at != said.npos && f.line != 0) {
      EXPECT_EQ(said[at - 1], '"') << said;
    }
  }
}

// Files that end inside a CD frame are said in one line, at the first of them, wherever the others
// stand among the findings.
TEST(FindingLines, FramePaddingSaidOnce) {
  using K = FindingKind;
  std::vector<Finding> found;
  for (int line : {1, 3, 5, 7, 9, 11, 13}) {
    found.push_back(MakeFinding<K::kEndsInsideFrame>(line, "a.wav", {.silence = 1}));
    if (line == 3) found.push_back(MakeFinding<K::kNoAudio>(3, "z.wav"));
  }
  EXPECT_EQ(FindingLines(found, {"l.txt", "o.cue"}),
            "vantorel: l.txt:1: note: 7 files end inside a CD frame (lines 1, 3, 5, 7, 9 and 2 "
            "more), so a burner pads each with silence, which does no harm between songs; to join "
            "two where a recording goes on, see vantorel --script\nvantorel: l.txt:3: warning: "
            "\"z.wav\" holds no audio; leave it out of the list\n");
}

}  // namespace

}  // namespace vantorel
