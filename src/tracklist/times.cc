#include "tracklist/times.h"

#include <algorithm>
#include <array>

#include "cd.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// A number an editor writes: up to 6 digits, and after a point or a comma up to 6 more.
struct EditorNumber {
  uint32_t whole = 0;
  uint32_t fraction_frames = 0;  // The CD frames of its fraction of a second, a part dropped.
  bool has_fraction = false;
};

// Reads such a number at the start of *text and moves past it; false when there is none.
bool ReadEditorNumber(std::string_view* text, EditorNumber* n) {
  auto digits = [text](uint32_t* value) {
    size_t count = 0;
    for (; count < text->size() && IsDigit((*text)[count]); ++count) {
      *value = *value * 10 + static_cast<uint32_t>((*text)[count] - '0');
    }
    text->remove_prefix(count);
    return count;
  };
  size_t whole = digits(&n->whole);
  if (whole == 0 || whole > 6) return false;
  if (text->empty() || ((*text)[0] != '.' && (*text)[0] != ',')) return true;
  text->remove_prefix(1);
  uint32_t fraction = 0;
  size_t places = digits(&fraction);
  if (places == 0 || places > 6) return false;
  uint64_t one = 1;
  for (size_t p = 0; p < places; ++p) one *= 10;
  n->fraction_frames = static_cast<uint32_t>(uint64_t{fraction} * cd::kFramesPerSecond / one);
  n->has_fraction = true;
  return true;
}

}  // namespace

namespace {

// Three fields of one or two digits between colons, blanks around them allowed.
std::optional<std::array<uint32_t, 3>> ThreeFields(std::string_view time) {
  time = TrimBlanks(time);
  std::array<uint32_t, 3> fields = {};
  for (int f = 0; f < 3; ++f) {
    size_t digits = 0;
    while (digits < 3 && digits < time.size() && IsDigit(time[digits])) {
      fields[f] = fields[f] * 10 + static_cast<uint32_t>(time[digits] - '0');
      ++digits;
    }
    // Each field has one or two digits: cdrdao refuses a longer time as too long a string.
    if (digits == 0 || digits > 2) return std::nullopt;
    time.remove_prefix(digits);
    if (f < 2) {
      if (!time.starts_with(':')) return std::nullopt;
      time.remove_prefix(1);
    }
  }
  if (!time.empty()) return std::nullopt;
  return fields;
}

}  // namespace

std::optional<uint32_t> ReadCueTime(std::string_view time) {
  std::optional<std::array<uint32_t, 3>> f = ThreeFields(time);
  if (!f || (*f)[1] >= 60 || (*f)[2] >= cd::kFramesPerSecond) return std::nullopt;
  return ((*f)[0] * 60 + (*f)[1]) * cd::kFramesPerSecond + (*f)[2];
}

std::optional<uint32_t> ReadHoursTime(std::string_view time) {
  std::optional<std::array<uint32_t, 3>> f = ThreeFields(time);
  if (!f || (*f)[1] >= 60 || (*f)[2] >= 60) return std::nullopt;
  uint32_t minutes = (*f)[0] * 60 + (*f)[1];
  if (minutes >= 100) return std::nullopt;
  return (minutes * 60 + (*f)[2]) * cd::kFramesPerSecond;
}

TimeReadings ReadEditorTime(std::string_view time) {
  time = TrimBlanks(time);
  constexpr uint64_t kFps = cd::kFramesPerSecond;
  // A cue sheet's minutes have two digits at most.
  constexpr uint64_t kTooLong = 100 * 60 * kFps;
  // The hours, minutes and seconds the time gives, which of them it gives, and its frames.
  uint64_t hms[3] = {};
  bool given[3] = {};
  uint64_t frames = 0;
  if (time.find_first_of("hms") != time.npos) {
    // Each number has its letter after it, in the order h, m, s; only seconds have a fraction.
    for (int last = -1; !time.empty(); time = TrimBlanks(time.substr(1))) {
      EditorNumber n;
      if (!ReadEditorNumber(&time, &n)) return {};
      time = TrimBlanks(time);
      size_t unit = time.empty() ? 3 : std::string_view("hms").find(time[0]);
      if (unit > 2 || static_cast<int>(unit) <= last || (n.has_fraction && unit != 2)) return {};
      last = static_cast<int>(unit);
      hms[unit] = n.whole;
      given[unit] = true;
      frames = n.fraction_frames;
    }
  } else {
    // Up to four numbers between colons; only the last has a fraction.
    EditorNumber fields[4];
    size_t count = 0;
    for (;;) {
      if (count == 4 || !ReadEditorNumber(&time, &fields[count++])) return {};
      if (fields[count - 1].has_fraction || !time.starts_with(':')) break;
      time.remove_prefix(1);
    }
    const EditorNumber& last = fields[count - 1];
    if (!time.empty() || (last.has_fraction && count == 4)) return {};
    if (count == 2 && !last.has_fraction) {
      // Minutes:seconds, which cdrdao reads as seconds:frames.
      uint64_t a = fields[0].whole, b = fields[1].whole;
      TimeReadings readings;
      for (uint64_t f : {b < 60 ? (a * 60 + b) * kFps : kTooLong,
                         a < 60 && b < kFps ? a * kFps + b : kTooLong}) {
        if (f < kTooLong && (readings.count == 0 || readings.frames[0] != f)) {
          readings.frames[readings.count++] = static_cast<uint32_t>(f);
        }
      }
      return readings;
    }
    // [[hours:]minutes:]seconds with a fraction, or hours:minutes:seconds:frames.
    if (!last.has_fraction && count != 4) return {};
    size_t first = last.has_fraction ? 3 - count : 0;
    for (size_t f = 0; f + first < 3; ++f) {
      hms[first + f] = fields[f].whole;
      given[first + f] = true;
    }
    frames = last.has_fraction ? last.fraction_frames : last.whole;
  }
  // Each field under another is below 60, and frames below a second's worth.
  if ((given[0] && hms[1] >= 60) || ((given[0] || given[1]) && hms[2] >= 60) || frames >= kFps) {
    return {};
  }
  uint64_t total = ((hms[0] * 60 + hms[1]) * 60 + hms[2]) * kFps + frames;
  if (total >= kTooLong) return {};
  return {1, {static_cast<uint32_t>(total), 0}};
}

bool ReadsAsTime(std::string_view text) {
  return ReadCueTime(text) || ReadEditorTime(text).count != 0;
}

bool ReadsAsHours(std::string_view time) {
  std::optional<uint32_t> cue = ReadCueTime(time), hours = ReadHoursTime(time);
  return cue && hours && *cue != *hours;
}

std::string CueTimeText(uint64_t frames) {
  uint64_t seconds = frames / cd::kFramesPerSecond;
  std::string time;
  for (uint64_t field : {seconds / 60, seconds % 60, frames % cd::kFramesPerSecond}) {
    if (!time.empty()) time += ':';
    if (field < 10) time += '0';
    time += std::to_string(field);
  }
  return time;
}

std::string FourFieldTimeText(uint64_t frames) {
  uint64_t seconds = frames / cd::kFramesPerSecond;
  return std::to_string(seconds / 3600) + ":" + CueTimeText(frames % (3600 * cd::kFramesPerSecond));
}

namespace {

// The numbers of a time written as two of them between one colon, "a:b", with nothing else.
std::optional<std::array<uint32_t, 2>> TwoNumbers(std::string_view time) {
  time = TrimBlanks(time);
  size_t colon = time.find(':');
  if (colon == time.npos || colon == 0 || colon > 6 || time.size() - colon - 1 > 6 ||
      time.size() == colon + 1) {
    return std::nullopt;
  }
  std::array<uint32_t, 2> n = {};
  for (size_t i = 0; i < time.size(); ++i) {
    if (i == colon) continue;
    if (!IsDigit(time[i])) return std::nullopt;
    uint32_t& field = n[i < colon ? 0 : 1];
    field = field * 10 + static_cast<uint32_t>(time[i] - '0');
  }
  return n;
}

// The fraction of a time written with one after a point or a comma: the seconds' fraction, which
// shntool writes as two digits of CD frames after a point under minutes:seconds (m:ss.ff), and
// an audio editor as decimal places.
struct Fraction {
  bool shntool = false;  // Two digits below 75 after a point, under minutes and seconds alone.
  bool neutral = false;  // Three digits, milliseconds to both.
  uint32_t frames = 0;   // As CD frames, where shntool's.
};

std::optional<Fraction> FractionOf(std::string_view time) {
  time = TrimBlanks(time);
  size_t point = time.find_first_of(".,");
  if (point == time.npos) return std::nullopt;
  Fraction f;
  std::string_view digits = time.substr(point + 1);
  f.neutral = digits.size() == 3 && time[point] == '.';
  size_t colons = static_cast<size_t>(std::count(time.begin(), time.end(), ':'));
  uint32_t ff = digits.size() == 2 && IsDigit(digits[0]) && IsDigit(digits[1])
                    ? static_cast<uint32_t>((digits[0] - '0') * 10 + (digits[1] - '0'))
                    : cd::kFramesPerSecond;
  if (time[point] == '.' && colons == 1 && ff < cd::kFramesPerSecond) {
    std::optional<std::array<uint32_t, 2>> ms = TwoNumbers(time.substr(0, point));
    if (ms && (*ms)[1] < 60) {
      f.shntool = true;
      f.frames = ((*ms)[0] * 60 + (*ms)[1]) * cd::kFramesPerSecond + ff;
    }
  }
  return f;
}

}  // namespace

TimeReading ReadTime(std::string_view time, bool pasted) {
  if (std::optional<uint32_t> cue = ReadCueTime(time)) {
    std::optional<uint32_t> hours = ReadHoursTime(time);
    if (!hours || *hours == *cue) {
      return {.readable = true, .larger = *cue, .smaller = *cue, .cue = true};
    }
    if (pasted) return {.readable = true, .larger = *hours, .smaller = *hours};
    return {
        .readable = true, .doubt = Doubt::kUnits, .larger = *hours, .smaller = *cue, .cue = true};
  }
  TimeReadings meant = ReadEditorTime(time);
  if (meant.count == 0) return {};
  TimeReading r{.readable = true, .larger = meant.frames[0], .smaller = meant.frames[0]};
  if (std::optional<std::array<uint32_t, 2>> two = TwoNumbers(time)) {
    if (meant.count == 2) {
      // Pasted, it is the larger units alone.
      if (!pasted) r.doubt = Doubt::kUnits;
      r.smaller = pasted ? r.larger : meant.frames[1];
      return r;
    }
    // Two numbers that read one way only: as minutes:seconds where they cannot be
    // seconds:frames, and the other way round.
    bool minutes_seconds = (*two)[1] < 60 && (*two)[0] < 100;
    bool seconds_frames = (*two)[0] < 60 && (*two)[1] < cd::kFramesPerSecond;
    if (minutes_seconds != seconds_frames) {
      r.settles = Doubt::kUnits;
      r.settles_larger = minutes_seconds;
    }
    return r;
  }
  if (std::optional<Fraction> f = FractionOf(time)) {
    if (f->shntool && f->frames != meant.frames[0]) {
      r.doubt = Doubt::kFraction;
      r.larger = f->frames;
    } else if (!f->shntool && !f->neutral) {
      r.settles = Doubt::kFraction;
    }
    return r;
  }
  // Hours:minutes:seconds:frames where the cue sheet's time would read two ways means it.
  size_t colons = static_cast<size_t>(std::count(time.begin(), time.end(), ':'));
  r.four_fields = colons == 3 && ReadsAsHours(CueTimeText(r.larger));
  return r;
}

namespace {

// The text without a dash, en or em dash, bar or colon and the blanks around it at its start.
std::string_view WithoutLeadingSeparator(std::string_view text) {
  text = TrimBlanks(text);
  for (std::string_view mark : {"-", "\xE2\x80\x93", "\xE2\x80\x94", "|", ":"}) {
    if (text.starts_with(mark)) return TrimBlanks(text.substr(mark.size()));
  }
  return text;
}

// The same at its end.
std::string_view WithoutTrailingSeparator(std::string_view text) {
  text = TrimBlanks(text);
  for (std::string_view mark : {"-", "\xE2\x80\x93", "\xE2\x80\x94", "|", ":"}) {
    if (text.ends_with(mark)) return TrimBlanks(text.substr(0, text.size() - mark.size()));
  }
  return text;
}

// The time in brackets or parentheses at the start of text, where there is one, and what follows.
std::optional<PastedTime> BracketedFirst(std::string_view text) {
  if (!text.starts_with('[') && !text.starts_with('(')) return std::nullopt;
  size_t close = text.find(text[0] == '[' ? ']' : ')');
  if (close == text.npos) return std::nullopt;
  std::string_view time = TrimBlanks(text.substr(1, close - 1));
  if (time.find(':') == time.npos || !ReadsAsTime(time)) return std::nullopt;
  return PastedTime{time, WithoutLeadingSeparator(text.substr(close + 1))};
}

}  // namespace

std::optional<PastedTime> ReadPastedTime(std::string_view text) {
  text = TrimBlanks(text);
  // A list number of up to three digits, a point or a parenthesis, and a blank.
  size_t digits = 0;
  while (digits < text.size() && digits < 4 && IsDigit(text[digits])) ++digits;
  bool numbered = digits > 0 && digits < 4 && text.size() > digits + 1 &&
                  (text[digits] == '.' || text[digits] == ')') && IsBlank(text[digits + 1]);
  if (numbered) text = TrimBlanks(text.substr(digits + 1));
  // Tracklists write times with colons: minutes:seconds, hours:minutes:seconds.
  auto pasted_time = [](std::string_view time) {
    return time.find(':') != time.npos && ReadsAsTime(time);
  };
  if (std::optional<PastedTime> first = BracketedFirst(text)) return first;
  // A time as the first word.
  size_t word = std::min(text.find_first_of(" \t"), text.size());
  if (pasted_time(text.substr(0, word))) {
    return PastedTime{text.substr(0, word), WithoutLeadingSeparator(text.substr(word))};
  }
  // A time in brackets or parentheses at the end of a numbered line.
  if (numbered && (text.ends_with(']') || text.ends_with(')'))) {
    size_t open = text.rfind(text.back() == ']' ? '[' : '(');
    if (open != text.npos) {
      std::string_view time = TrimBlanks(text.substr(open + 1, text.size() - open - 2));
      if (pasted_time(time)) {
        return PastedTime{time, WithoutTrailingSeparator(text.substr(0, open)), true};
      }
    }
  }
  return std::nullopt;
}

}  // namespace vantorel
