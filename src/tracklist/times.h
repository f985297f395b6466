// Times as the list writes them: a cue sheet's minutes:seconds:frames, as cdrdao reads it, and
// the other forms people write a time in (an audio editor's, a DJ's hours, shntool's CD frames
// after a point, a tracklist pasted from the web), with the readings each may have.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// CD frames in a cue sheet time: minutes:seconds:frames in one or two digits each, with seconds
// below 60 and frames below a second's worth, blanks around it allowed, as a burner reads it.
// Nothing when the text is not such a time.
std::optional<uint32_t> ReadCueTime(std::string_view time);

// The CD frames a time written as audio editors write it may mean: seconds with a decimal fraction
// after a point or a comma, under minutes and hours ("4:12.5", "252.5", "1:04:12.5"); hours,
// minutes and seconds with letters ("17m02s", "0 h 17 m 2.5 s"); hours:minutes:seconds:frames
// ("0:12:55:10"); and minutes:seconds ("17:02"), which cdrdao reads as seconds:frames. A part of
// a frame is dropped. Every field under another is below 60, frames below a second's worth, and
// the time below 100 minutes, as a cue sheet's time must be. Blanks around it are allowed.
struct TimeReadings {
  int count = 0;  // 0 when the text is no such time.
  // As the editor means it; then, for minutes:seconds, as cdrdao reads it, where that differs.
  uint32_t frames[2] = {};
};
TimeReadings ReadEditorTime(std::string_view time);

// The CD frames of hours:minutes:seconds, one or two digits each, with minutes and seconds below
// 60, as a time past an hour is written where a cue sheet would give minutes:seconds:frames; the
// time below 100 minutes. Nothing when the text is no such time.
std::optional<uint32_t> ReadHoursTime(std::string_view time);

// What a time may be meant as, where its form leaves a doubt.
enum class Doubt : uint8_t {
  kNone,
  // In larger units (minutes:seconds, hours:minutes:seconds) or as cdrdao reads it
  // (seconds:frames, minutes:seconds:frames).
  kUnits,
  // Two digits after a point: CD frames, as shntool and cuebreakpoints write them (1:33.74), or
  // hundredths of a second, as an audio editor writes them.
  kFraction,
};

// A time's readings in CD frames. Where it reads two ways, larger is the larger units or the CD
// frames, smaller as cdrdao reads it or the hundredths; otherwise both are its one reading.
struct TimeReading {
  bool readable = false;
  Doubt doubt = Doubt::kNone;
  uint32_t larger = 0;
  uint32_t smaller = 0;
  // Of a time that reads one way by its form alone, the doubt its form settles for the other times
  // of its file, written as it is: two numbers that cannot be seconds:frames (62:05) are
  // minutes:seconds, so the file's two numbers are; a fraction that cannot be shntool's (4:12.5,
  // 51:20.75) is a decimal one, so the file's fractions are.
  Doubt settles = Doubt::kNone;
  bool settles_larger = false;
  // Written as hours:minutes:seconds:frames, where minutes:seconds:frames would read two ways: it
  // means what it says, and the sheet carries it as minutes:seconds:frames.
  bool four_fields = false;
  // It is a cue sheet's time, minutes:seconds:frames, which is its smaller reading.
  bool cue = false;
};

// How a time reads. A time pasted from a tracklist is never cdrdao's, so it reads in the larger
// units alone.
TimeReading ReadTime(std::string_view time, bool pasted = false);

// Whether a cue sheet time, as CueTimeText writes it, also reads as hours:minutes:seconds, and
// so two ways.
bool ReadsAsHours(std::string_view time);

// A length in CD frames as a cue sheet writes it, minutes:seconds:frames, each of at least two
// digits.
std::string CueTimeText(uint64_t frames);

// The same time written as hours:minutes:seconds:frames (0:00:04:32), which reads one way.
std::string FourFieldTimeText(uint64_t frames);

// A time and a title as a tracklist pasted from the web gives them: after a list number ("1.",
// "01)") and in brackets or parentheses or not ("[00:04:32] Artist - Title", "04:32 Artist -
// Title"), or in brackets or parentheses at the end ("1. Artist - Title (4:32)"); a dash or a
// bar between the time and the title is dropped.
struct PastedTime {
  std::string_view time;
  std::string_view title;
  // The time stands at the end, after the title: a track's start, or its length, as an album's
  // tracklist gives it.
  bool at_end = false;
};
std::optional<PastedTime> ReadPastedTime(std::string_view text);

// Whether a text reads as a time, as a cue sheet or an audio editor writes it.
bool ReadsAsTime(std::string_view text);

}  // namespace vantorel
