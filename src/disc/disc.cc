#include "disc/disc.h"

#include <algorithm>
#include <optional>

#include "disc/checks.h"

namespace vantorel {

std::vector<LineLookup> LinesToLookUp(const TrackTable& table) {
  std::vector<LineLookup> lookups;
  for (size_t i = 1; i < table.text.size(); ++i) {
    LineKind kind = table.kind[i];
    bool may_name_a_file = kind == LineKind::kNone || kind == LineKind::kSplit ||
                           kind == LineKind::kPregap || IsMarkKind(kind);
    if (!may_name_a_file) continue;
    if (std::optional<LookUp> how = WorthLookingUp(table.text[i], kind)) {
      lookups.push_back({.line = {table.number[i], table.text[i]}, .how = *how});
    }
  }
  return lookups;
}

namespace {

constexpr size_t kNoTrack = SIZE_MAX;

// The disc as the lines read so far make it, and what the next line's meaning depends on.
struct Building {
  Disc disc;
  // Whether the title and performer lines that follow are those of an ignored line that opens a
  // track once mended (off_disc_opener), rather than of the last track; and whether that line
  // has texts yet.
  bool off_disc = false;
  bool off_disc_made = false;
  ListLine off_disc_opener = {};
  // The track a pregap line may still belong to: the one opened by the last line but CD-TEXT
  // lines, where that line opened one and no pregap line has been taken for it.
  size_t open = kNoTrack;
  // The track a gap line may still belong to: the one opened by the last line but its CD-TEXT,
  // pregap, gap, ISRC and flags lines, where that line opened one.
  size_t gap_open = kNoTrack;
  // The last line that was ignored, where it is the line above.
  ListLine ignored_above = {};
};

// Sets a title or performer from line. One given again for the same track or the disc is set
// aside, unless the first gave no text.
void SetText(Disc* disc, CdText* text, const ListLine& line, std::string_view raw) {
  if (text->line.number != 0 && !text->text.empty) {
    disc->texts_again.push_back({line, text->line.number});
    return;
  }
  if (text->line.number != 0) disc->texts_empty.push_back(text->line);
  *text = {line, ToSheetText(raw), line.text.substr(0, raw.data() - line.text.data()), raw};
}

// The texts of the track the next title or performer line is of, made where it has none yet.
TrackTexts& CurrentTexts(Building* b) {
  Disc& disc = b->disc;
  if (b->off_disc) {
    if (!b->off_disc_made) disc.texts_off_disc.push_back({b->off_disc_opener, {}});
    b->off_disc_made = true;
    return disc.texts_off_disc.back().texts;
  }
  Track& track = disc.tracks.back();
  if (track.texts == kNoTexts) {
    track.texts = static_cast<uint32_t>(disc.track_texts.size());
    disc.track_texts.emplace_back();
  }
  return disc.track_texts[track.texts];
}

// Takes a WAV line, a split line or a pregap line.
void TakeTrackLine(Building* b, LineKind kind, const ListLine& line) {
  Disc& disc = b->disc;
  if (kind == LineKind::kWav) {
    disc.files.push_back({line, {}, static_cast<uint32_t>(disc.tracks.size()), 1});
    disc.tracks.push_back({.opened_by = line, .start = "00:00:00"});
    b->open = disc.tracks.size() - 1;
    b->gap_open = b->open;
    b->off_disc = false;
  } else if (kind == LineKind::kSplit) {
    // The first line is always a WAV entry, so a split always has a file to belong to.
    ++disc.files.back().track_count;
    SplitText cut = CutSplitLine(line.text);
    disc.tracks.push_back({.opened_by = line, .start = cut.time});
    b->off_disc = false;
    if (!cut.title.empty()) SetText(&disc, &CurrentTexts(b).title, line, cut.title);
    b->open = disc.tracks.size() - 1;
    b->gap_open = b->open;
  } else {
    // A pregap line counts only right after the line that opened a track, and is used up there.
    if (b->open != kNoTrack) {
      disc.tracks[b->open].pregap = line;
    } else {
      disc.stray_pregaps.push_back({line, b->ignored_above});
    }
    b->open = kNoTrack;
  }
  b->ignored_above = {};
}

// Takes a line the disc ignores, which names_file where it names a file.
void TakeIgnored(Building* b, const ListLine& line, bool names_file) {
  Disc& disc = b->disc;
  // A note draws nothing, so only the other lines are kept.
  if (!IsProse(line.text)) disc.ignored.push_back(line);
  b->open = kNoTrack;
  b->gap_open = kNoTrack;
  b->ignored_above = line;
  if (names_file || OpensTrackOnceMended(line.text)) {
    b->off_disc = true;
    b->off_disc_made = false;
    b->off_disc_opener = line;
  }
  if (!names_file && IsLooseSplit(line.text)) {
    disc.loose_splits.push_back({line, static_cast<uint32_t>(disc.files.size() - 1)});
    // Its title is the track's it opens once mended.
    std::string_view title = line.text.starts_with('s')
                                 ? MeantSplit(line.text).title
                                 : ReadPastedTime(line.text).value_or(PastedTime{}).title;
    if (!title.empty()) SetText(&disc, &CurrentTexts(b).title, line, title);
  }
}

// The marks of track, made where it has none yet.
TrackMarks& MarksAt(Disc* disc, size_t track) {
  Track& t = disc->tracks[track];
  if (t.marks == kNoMarks) {
    t.marks = static_cast<uint32_t>(disc->track_marks.size());
    disc->track_marks.emplace_back();
  }
  return disc->track_marks[t.marks];
}

// Takes a G, ISRC, FLAGS or CATALOG line. The first of its kind that the sheet can write stands
// for its track or the disc, and any given after it is set aside.
void TakeMark(Building* b, LineKind kind, const ListLine& line) {
  Disc& disc = b->disc;
  MarkLine mark = {line};
  const std::string_view code = CodeOf(line.text);
  ListLine* standing = nullptr;
  bool writable = false;
  if (kind == LineKind::kCatalog) {
    standing = &disc.catalog;
    writable = IsCatalog(code) && !IsZeros(code);
  } else if (kind == LineKind::kGap) {
    if (b->gap_open == kNoTrack) {
      mark.stray = true;
      mark.after_ignored = b->ignored_above;
      disc.mark_lines.push_back(mark);
      return;
    }
    standing = &MarksAt(&disc, b->gap_open).gap;
    writable = ReadCueTime(TimeTextOf(line.text)).has_value();
  } else if (b->off_disc) {
    // Of the track an ignored line opens once mended, as its texts are: no track of this disc.
    return;
  } else {
    // Of the track opened above, as its title is.
    TrackMarks& marks = MarksAt(&disc, disc.tracks.size() - 1);
    standing = kind == LineKind::kIsrc ? &marks.isrc : &marks.flags;
    writable = kind == LineKind::kIsrc ? IsIsrc(code) && !IsZeros(code) : ReadFlags(code).bits != 0;
  }
  if (standing->number != 0) {
    mark.first = standing->number;
  } else if (writable) {
    *standing = line;
  }
  disc.mark_lines.push_back(mark);
}

}  // namespace

Disc BuildDisc(const TrackTable& table, std::vector<LineLookup> lookups) {
  Building b;
  Disc& disc = b.disc;
  disc.lookups = std::move(lookups);
  disc.nul_line = table.nul_line;
  const size_t count = table.text.size();
  size_t wav_entries = 0;
  size_t splits = 0;
  for (LineKind kind : table.kind) {
    wav_entries += kind == LineKind::kWav;
    splits += kind == LineKind::kSplit;
  }
  disc.files.reserve(wav_entries);
  disc.tracks.reserve(wav_entries + splits);
  disc.ignored.reserve(count - wav_entries - splits);
  // The lookups are in the order of the lines; the next one not yet passed.
  size_t next_lookup = 0;
  for (size_t i = 0; i < count; ++i) {
    ListLine line = {table.number[i], table.text[i]};
    LineKind kind = table.kind[i];
    while (next_lookup < disc.lookups.size() &&
           disc.lookups[next_lookup].line.number < line.number) {
      ++next_lookup;
    }
    const LineLookup* lookup =
        next_lookup < disc.lookups.size() && disc.lookups[next_lookup].line.number == line.number
            ? &disc.lookups[next_lookup]
            : nullptr;
    // A line that names a file is that file, whatever letter it starts with.
    const bool names_file = lookup != nullptr && (lookup->names_a_file || lookup->names_a_wav);
    if (names_file && (kind == LineKind::kSplit || kind == LineKind::kPregap || IsMarkKind(kind))) {
      kind = LineKind::kNone;
    }
    switch (kind) {
      case LineKind::kWav:
      case LineKind::kSplit:
      case LineKind::kPregap:
        TakeTrackLine(&b, kind, line);
        break;
      case LineKind::kTitle:
        SetText(&disc, &CurrentTexts(&b).title, line, CdTextOf(line.text));
        break;
      case LineKind::kPerformer:
        SetText(&disc, &CurrentTexts(&b).performer, line, CdTextOf(line.text));
        break;
      case LineKind::kDiscTitle:
        SetText(&disc, &disc.title, line, CdTextOf(line.text));
        break;
      case LineKind::kDiscPerformer:
        SetText(&disc, &disc.performer, line, CdTextOf(line.text));
        break;
      case LineKind::kGap:
      case LineKind::kIsrc:
      case LineKind::kFlags:
      case LineKind::kCatalog:
        TakeMark(&b, kind, line);
        break;
      case LineKind::kNone:
        TakeIgnored(&b, line, names_file);
        break;
    }
  }
  return std::move(b.disc);
}

void MeasureLengths(Disc* disc) {
  std::vector<SampleCount> counts;
  for (DiscFile& file : disc->files) {
    const HeaderFacts& h = file.wav.header;
    file.wav.length = LengthOf(h.sample_frames, h.sample_rate);
    counts.push_back({h.sample_frames, h.sample_rate});
  }
  disc->total_seconds = TotalSeconds(counts);
}

bool HasCdText(const Disc& disc) {
  auto given = [](const CdText& t) { return !t.text.empty; };
  return given(disc.title) || given(disc.performer) ||
         std::any_of(disc.track_texts.begin(), disc.track_texts.end(),
                     [&](const TrackTexts& t) { return given(t.title) || given(t.performer); });
}

namespace {

const CdText kNoText;

}  // namespace

const TrackMarks& MarksOf(const Disc& disc, const Track& track) {
  static const TrackMarks kNone;
  return track.marks == kNoMarks ? kNone : disc.track_marks[track.marks];
}

const CdText& TitleOf(const Disc& disc, const Track& track) {
  return track.texts == kNoTexts ? kNoText : disc.track_texts[track.texts].title;
}

std::string_view TextToWrite(const CdText& text) {
  return text.text.lost ? TrimBlanks(text.raw) : std::string_view(text.text.text);
}

const TrackTexts* OffDiscTextsOf(const Disc& disc, int opener_line) {
  for (const Disc::OffDisc& off : disc.texts_off_disc) {
    if (off.opener.number == opener_line) return &off.texts;
  }
  return nullptr;
}

const CdText& PerformerOf(const Disc& disc, const Track& track) {
  if (track.texts == kNoTexts) return disc.performer;
  const CdText& own = disc.track_texts[track.texts].performer;
  return own.text.empty ? disc.performer : own;
}

const LineLookup* LookupOf(const Disc& disc, const ListLine& line) {
  auto found = std::lower_bound(
      disc.lookups.begin(), disc.lookups.end(), line.number,
      [](const LineLookup& lookup, int number) { return lookup.line.number < number; });
  return found != disc.lookups.end() && found->line.number == line.number ? &*found : nullptr;
}

std::string_view SheetDotOf(const DiscFile* before, std::string_view before_dot,
                            const DiscFile& file) {
  std::string_view name = file.entry.text;
  if (before == nullptr || before->track_count < 2) return {};
  std::string_view before_name = before->entry.text;
  bool same = name.size() == before_dot.size() + before_name.size() &&
              name.starts_with(before_dot) && name.substr(before_dot.size()) == before_name;
  if (!same) return {};
  return name.starts_with('/') ? "/." : "./";
}

int TrackCount(const Disc& disc) {
  return static_cast<int>(disc.tracks.size());
}

}  // namespace vantorel
