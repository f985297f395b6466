#include "disc/checks.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "cd.h"

namespace vantorel {

namespace {

using K = FindingKind;

// No name a file can be opened by is as long as this; see PATH_MAX.
constexpr size_t kLongestPath = 4096;

// Debian's cdrdao 1.2.4 overflows a buffer in its cue sheet reader, and aborts, on a FILE name of
// this many bytes or more.
constexpr size_t kLongestCdrdaoFile = 148;

// The time text of a pregap line as it is meant: from a digit right after its letter, where one
// stands there, else from its third character.
std::string_view MeantPregapTime(std::string_view line) {
  return line.size() >= 2 && IsDigit(line[1]) ? line.substr(1) : TimeTextOf(line);
}

// Whether a split or pregap line, whatever the case of its letter, gives a time to read: as a split
// gives it, in any form, or as a pregap does; or leaves it out.
bool GivesATime(std::string_view line) {
  if (TrimBlanks(TimeTextOf(line)).empty()) return true;
  if (line.starts_with('S') || line.starts_with('s')) {
    SplitText cut = MeantSplit(line);
    return cut.form == SplitForm::kPasted || ReadsAsTime(cut.time);
  }
  return ReadsAsTime(MeantPregapTime(line));
}

bool StartsWithLowercaseAndTime(std::string_view line) {
  return KindWithCapital(line) != LineKind::kNone && line.size() > 2 && GivesATime(line);
}

// Whether the time text of a split or pregap line is something other than a time: it does not
// begin as a time does. A line with nothing there is a time left out.
bool HoldsNoTime(std::string_view time) {
  std::string_view trimmed = TrimBlanks(time);
  return !trimmed.empty() && !IsDigit(trimmed[0]) && trimmed[0] != ':';
}

// The finding an ignored line draws by what it says, if any.
std::optional<FindingKind> FindingOfIgnored(std::string_view line) {
  if (IsProse(line)) return std::nullopt;
  if (ContainsWavAnyCase(line)) return FindingKind::kMixedCaseWav;
  if (StartsWithLowercaseAndTime(line)) return FindingKind::kLowercaseLetter;
  if (OtherAudioOf(line) != Converter::kNone) return FindingKind::kOtherAudio;
  if (IsSplitWithoutLetter(line)) return FindingKind::kSplitWithoutLetter;
  if (LineKind kind = KeywordInOtherCase(line);
      kind != LineKind::kNone && !CodeLineToWrite(kind, line).empty()) {
    return FindingKind::kLowercaseKeyword;
  }
  return std::nullopt;
}

bool IsCdAudio(const HeaderFacts& h) {
  // cdrdao takes nothing but a plain PCM format block, not even an extensible one of PCM.
  return h.format == kFormatPcm && h.sample_rate == cd::kRate && h.bits_per_sample == cd::kBits &&
         h.channels == cd::kChannels;
}

AudioFormat FormatOf(const HeaderFacts& h) {
  return {h.format, h.coding, h.sample_rate, h.bits_per_sample, h.channels};
}

// Compressed audio in a WAV file, which cdrdao cannot burn, by its coding: its name, and the tool
// that decodes it, sox where Debian's sox can, none where no tool decodes it from a WAV file.
// ffmpeg decodes the codings this does not name.
// The names are held in the entries, as in the tables below, so that no table needs relocating
// when the program is loaded.
struct Codec {
  uint32_t code;
  char name[16];
  Converter by;
};
constexpr Codec kCodecs[] = {
    {0x0000, "", Converter::kNone},  // The code of no coding.
    {0x0002, "Microsoft ADPCM", Converter::kSox},
    {0x0011, "IMA ADPCM", Converter::kSox},
    {0x0031, "GSM 6.10", Converter::kSox},
    {0x0050, "MPEG", Converter::kFfmpeg},
    {0x0055, "MP3", Converter::kFfmpeg},
    {kFormatAac, "AAC", Converter::kFfmpeg},
    {0x0160, "WMA", Converter::kFfmpeg},
    {0x0161, "WMA", Converter::kFfmpeg},
    {0x0162, "WMA Pro", Converter::kFfmpeg},
    {0x2000, "AC-3", Converter::kFfmpeg},
    {0x2001, "DTS", Converter::kFfmpeg},
    // The sub-format of E-AC-3 is a GUID of its own; these are its first two bytes.
    {0x87AF, "E-AC-3", Converter::kFfmpeg},
    {0xF1AC, "FLAC", Converter::kFfmpeg},
    // What ffmpeg writes for Vorbis, and cannot read back.
    {0x566F, "Vorbis", Converter::kNone},
};

// The kinds of audio other than WAV, with the tool that makes CD audio of each: sox for the kinds
// Debian's sox reads, ffmpeg for the others.
// sox knows a file's kind by its name's extension; type is how it is told the kind otherwise.
struct OtherKind {
  OtherAudio kind;
  char name[16];
  Converter by;
  char type[8];
};
constexpr OtherKind kOtherKinds[] = {
    {OtherAudio::kNone, "", Converter::kNone, ""},
    {OtherAudio::kFlac, "FLAC", Converter::kSox, "flac"},
    {OtherAudio::kMp3, "MP3", Converter::kSox, "mp3"},
    {OtherAudio::kAac, "AAC", Converter::kFfmpeg, ""},
    {OtherAudio::kAc3, "AC-3", Converter::kFfmpeg, ""},
    {OtherAudio::kEac3, "E-AC-3", Converter::kFfmpeg, ""},
    {OtherAudio::kOgg, "Ogg Vorbis", Converter::kSox, "ogg"},
    {OtherAudio::kOpus, "Opus", Converter::kFfmpeg, ""},
    {OtherAudio::kAiff, "AIFF", Converter::kSox, "aiff"},
    {OtherAudio::kWavPack, "WavPack", Converter::kSox, "wv"},
    {OtherAudio::kMp4, "MP4", Converter::kFfmpeg, ""},
    {OtherAudio::kApe, "Monkey's Audio", Converter::kFfmpeg, ""},
    {OtherAudio::kWma, "WMA", Converter::kFfmpeg, ""},
    {OtherAudio::kWave64, "Wave64", Converter::kSox, "w64"},
};

const OtherKind& OtherKindOf(OtherAudio kind) {
  for (const OtherKind& k : kOtherKinds) {
    if (k.kind == kind) return k;
  }
  return kOtherKinds[0];
}

// The kind of audio a name gives by its extension.
OtherAudio OtherAudioNamed(std::string_view line) {
  static constexpr struct {
    char extension[8];
    OtherAudio kind;
  } kExtensions[] = {
      {"flac", OtherAudio::kFlac}, {"mp3", OtherAudio::kMp3},   {"ogg", OtherAudio::kOgg},
      {"aif", OtherAudio::kAiff},  {"aiff", OtherAudio::kAiff}, {"wv", OtherAudio::kWavPack},
      {"m4a", OtherAudio::kMp4},   {"opus", OtherAudio::kOpus}, {"ape", OtherAudio::kApe},
      {"wma", OtherAudio::kWma},   {"w64", OtherAudio::kWave64}};
  size_t dot = line.rfind('.');
  if (dot == line.npos || line.size() - dot > 5) return OtherAudio::kNone;
  std::string extension;
  for (char c : line.substr(dot + 1)) extension += static_cast<char>(c | 0x20);
  for (const auto& e : kExtensions) {
    if (extension == e.extension) return e.kind;
  }
  return OtherAudio::kNone;
}

// What a WAV entry that cannot be opened may be where it holds no .wav, as only the list's first
// entry can: a note, or a title or performer written first, as they go in other lists.
struct WrittenFirst {
  bool maybe_note = false;
  // The text of it the sheet would write for the disc's title, or its performer where kind says
  // so; empty for a note that starts with #.
  std::string_view text = {};
  LineKind kind = LineKind::kDiscTitle;
};

WrittenFirst WrittenFirstOf(const DiscFile& file) {
  std::string_view entry = file.entry.text;
  WrittenFirst first{.maybe_note = file.wav.open_error != 0 && !ContainsWavAnyCase(entry)};
  // A title or performer line gives the disc's; any other text, its title.
  LineKind kind = KindOf(entry);
  bool performer = kind == LineKind::kPerformer || kind == LineKind::kDiscPerformer;
  bool cd_text = performer || kind == LineKind::kTitle || kind == LineKind::kDiscTitle;
  if (performer) first.kind = LineKind::kDiscPerformer;
  if (first.maybe_note && !entry.starts_with('#')) first.text = cd_text ? CdTextOf(entry) : entry;
  return first;
}

// The disc's text that the finding of a first line written in place of a WAV file's name gives
// as the line to write below it: kDiscTitle, kDiscPerformer, or kNone where it gives neither.
LineKind TextGivenFirst(const WrittenFirst& first) {
  return ToSheetText(first.text).empty ? LineKind::kNone : first.kind;
}

// Whether a finding's line to write gives its line's time anew, and with it the title as the
// sheet writes it.
bool WritesItsTime(const Finding& f) {
  if (const auto* whole = std::get_if<LineToWrite>(&f.facts)) return whole->known;
  return std::holds_alternative<TwoReadings>(f.facts) && f.kind != K::kTimeWithoutFrames;
}

// How a file read as read reads its times of a doubt.
TimesRead ReadOf(Doubt doubt, const FileReading& read) {
  return doubt == Doubt::kUnits ? read.units : read.fractions;
}

// Whether a way of reading a file's split times holds or is to be chosen, so that every track lies
// where that way puts it.
bool Decided(const FileReading& read) {
  for (TimesRead r : {read.units, read.fractions}) {
    if (r == TimesRead::kLarger || r == TimesRead::kSmaller || r == TimesRead::kEither) return true;
  }
  return false;
}

struct Checker {
  const Disc& disc;
  const DiscLayout& layout;
  std::vector<Finding> found;
  // The file whose choice of reading is said, of each doubt, by where its name lies in the list.
  const char* two_ways_said[2] = {};
  // The time a line that opens a track means, where the line to write its title in is written whole
  // with it: a line whose time a pasted tracklist writes, or a loose split.
  struct WholeLine {
    int line;
    uint32_t frames;
    bool four_fields;
  };
  std::vector<WholeLine> whole_lines = {};
  // What the sheet writes in front of the name of the file being checked (see SheetDotOf).
  std::string_view sheet_dot = {};

  template <FindingKind Kind>
  void Add(const ListLine& at, typename FactsFor<Kind>::type facts = {}) {
    found.push_back(MakeFinding<Kind>(at.number, at.text, std::move(facts)));
  }

  // A line that holds .wav in mixed case, with the spelling by which it names a file, if any.
  void MixedCase(const ListLine& line) {
    const LineLookup* lookup = LookupOf(disc, line);
    Add<K::kMixedCaseWav>(
        line, {lookup != nullptr ? lookup->spelling : Spelling::kNone, StemOf(line.text)});
  }

  // Finds, once, what a burner would misread in the time of a pregap line, or of a split line of a
  // file that cannot be used, and says whether there was anything: a line with such a finding has
  // nothing more worth saying.
  bool TimeLine(const ListLine& line, std::string_view time) {
    // The line up to the end of its time: a split's title is no part of it.
    std::string_view head = line.text.substr(0, time.data() + time.size() - line.text.data());
    if (ContainsWavAnyCase(head)) {
      MixedCase(line);
      return true;
    }
    // The character after the letter is skipped whatever it is; a digit there is lost, unless the
    // time is the same without it.
    if (head.size() >= 2 && IsDigit(head[1])) {
      std::optional<uint32_t> as_meant = ReadCueTime(head.substr(1));
      if (!as_meant || as_meant != ReadCueTime(time)) {
        Add<K::kNoSpaceAfterLetter>(line, {.letter = KindOf(line.text)});
        return true;
      }
    }
    if (HoldsNoTime(time)) {
      Add<K::kNoteReadAsLine>(line, {KindOf(head)});
      return true;
    }
    if (ReadCueTime(time)) return false;
    // The time of an audio editor is named with the time it means, as the cue sheet gives it.
    TimeReadings meant = ReadEditorTime(time);
    if (meant.count == 2) {
      Add<K::kTimeWithoutFrames>(line, {meant.frames[0], meant.frames[1]});
    } else if (meant.count == 1) {
      Add<K::kEditorTime>(line,
                          {.letter = KindOf(line.text), .known = true, .frames = meant.frames[0]});
    } else {
      Add<K::kNotACueTime>(line);
    }
    return true;
  }

  // What the time of a split line of a file read as read means, and whether the sheet carries that:
  // where it does not, the line that writes it so. Says whether there was anything: a line with
  // such a finding has nothing more worth saying.
  bool SplitTime(const ListLine& line, const TrackPlace& place, const FileReading& read,
                 std::string_view title, const DiscFile& file) {
    const SplitText cut = CutSplitLine(line.text);
    std::string_view head =
        line.text.substr(0, cut.time.data() + cut.time.size() - line.text.data());
    if (cut.form == SplitForm::kPlain && ContainsWavAnyCase(head)) {
      MixedCase(line);
      return true;
    }
    const MeantPlace* place_meant = MeantOf(layout, line.number);
    const TimeReading time = place_meant != nullptr ? place_meant->time : TimeReading{};
    if (time.doubt != Doubt::kNone && ReadOf(time.doubt, read) == TimesRead::kEither) {
      TwoWays(line, time.doubt, file);
      return true;
    }
    const bool known = place_meant != nullptr && place_meant->frames.has_value();
    const uint32_t meant = known ? *place_meant->frames : 0;
    if (place.as_meant) {
      if (known) whole_lines.push_back({line.number, meant, read.four_fields});
      return false;
    }
    const std::optional<uint32_t> as_written = ReadCueTime(cut.time);
    if (known && as_written == meant) return false;
    const LineToWrite whole = {
        .known = known, .frames = meant, .four_fields = read.four_fields, .title = title};
    if (line.text.size() >= 2 && IsDigit(line.text[1])) {
      Add<K::kNoSpaceAfterLetter>(line, whole);
    } else if (HoldsNoTime(cut.time)) {
      Add<K::kNoteReadAsLine>(line, {LineKind::kSplit});
    } else if (known && time.doubt != Doubt::kNone) {
      const TwoReadings readings = {meant, meant == time.larger ? time.smaller : time.larger,
                                    read.four_fields, title};
      if (time.doubt == Doubt::kUnits) {
        Add<K::kTimeSettled>(line, readings);
      } else {
        Add<K::kFractionSettled>(line, readings);
      }
    } else if (known) {
      Add<K::kEditorTime>(line, whole);
    } else if (time.doubt == Doubt::kUnits && !as_written) {
      // Two numbers the file does not settle: minutes:seconds or seconds:frames.
      Add<K::kTimeWithoutFrames>(line, {time.larger, time.smaller, false, title});
    } else if (time.doubt == Doubt::kFraction) {
      // A fraction the file does not settle is read as shntool writes it.
      LineToWrite shntool = whole;
      shntool.known = true;
      shntool.frames = time.larger;
      Add<K::kEditorTime>(line, shntool);
    } else if (!as_written) {
      Add<K::kNotACueTime>(line);
    } else {
      return false;
    }
    return true;
  }

  // A loose split of a file read as read: what it is, and the line that makes it a split as it is
  // meant, where its time is known.
  void Loose(const LooseSplit& loose, const FileReading& read) {
    const ListLine& line = loose.line;
    const MeantPlace* place_meant = MeantOf(layout, line.number);
    const TimeReading time = place_meant != nullptr ? place_meant->time : TimeReading{};
    if (time.doubt != Doubt::kNone && ReadOf(time.doubt, read) == TimesRead::kEither) {
      TwoWays(line, time.doubt, disc.files[loose.file]);
    }
    const bool known = place_meant != nullptr && place_meant->frames.has_value();
    const uint32_t meant = known ? *place_meant->frames : 0;
    if (known) whole_lines.push_back({line.number, meant, read.four_fields});
    // Its title as the sheet would write it, where its line gives one.
    const TrackTexts* texts = OffDiscTextsOf(disc, line.number);
    std::string_view title = texts != nullptr && texts->title.line.number == line.number
                                 ? TextToWrite(texts->title)
                                 : "";
    LineToWrite whole = {
        .known = known, .frames = meant, .four_fields = read.four_fields, .title = title};
    // The file's first split, at its start: where its first track starts already.
    const DiscFile& file = disc.files[loose.file];
    std::span<const Track> tracks = TracksOf(disc, file);
    bool first = tracks.size() == 1 || tracks[1].opened_by.number > line.number;
    for (const LooseSplit& other : disc.loose_splits) {
      first = first && !(other.file == loose.file && other.line.number < line.number);
    }
    if (first && known && meant == 0) {
      Add<K::kSplitAtStart>(line,
                            {TitleOf(disc, tracks[0]).text.empty ? title : "", file.entry.number});
      return;
    }
    if (line.text.starts_with('s')) {
      Add<K::kLowercaseLetter>(line, whole);
    } else {
      // Where the file's times at the end of numbered lines are lengths, this one is its own.
      if (read.lengths) whole.length = time.larger;
      Add<K::kSplitWithoutLetter>(line, whole);
    }
  }

  // What a burner would refuse or misread in a file itself: its name, its kind and its format,
  // a header that says more than the file holds, and no audio at all. Whatever one command
  // mends is one finding, which names the rest it mends in also.
  void Audio(const DiscFile& file) {
    const HeaderFacts& h = file.wav.header;
    const ListLine& entry = file.entry;
    if (entry.text.find('"') != entry.text.npos) Add<K::kQuoteInName>(entry);
    if (const size_t written = sheet_dot.size() + entry.text.size();
        written >= kLongestCdrdaoFile) {
      Add<K::kLongFileName>(entry, {written});
    }
    // What one command mends, the finding's own kind first.
    std::array<FindingKind, 4> mends;
    size_t count = 0;
    Remade remade = {.format = FormatOf(h)};
    if (h.sample_frames == 0 && (h.declared_frames != 0 || h.present_frames == 0)) {
      // No command makes audio of nothing.
      Add<K::kNoAudio>(entry);
      return;
    }
    if (h.irregular_chunks || h.cdrdao_refuses_header) {
      // Its samples, read as they stand, are all a command can take of it.
      mends[count++] = FindingKind::kIrregularChunks;
      remade.data_start = h.data_start;
      remade.sample_frames = h.sample_frames != 0 ? h.sample_frames : h.present_frames;
    } else if (h.sample_frames == 0) {
      mends[count++] = FindingKind::kSizeNotFilledIn;
      remade.held_frames = BurnedFrames(LengthOf(h.present_frames, h.sample_rate));
    } else if (h.declared_frames > h.sample_frames) {
      mends[count++] = FindingKind::kShortOfDeclared;
      remade.declared_frames = BurnedFrames(LengthOf(h.declared_frames, h.sample_rate));
      remade.held_frames = BurnedFrames(file.wav.length);
    }
    if (h.rifx) mends[count++] = FindingKind::kRifx;
    if (h.rf64) mends[count++] = FindingKind::kRf64;
    if (h.format_found && !IsCdAudio(h)) mends[count++] = FindingKind::kNotCdAudio;
    // What the data chunk declares past its last whole sample frame, a burner leaves out.
    constexpr uint32_t kFrameBytes = cd::kChannels * cd::kBits / 8;
    if (count == 0 && h.format_found && h.data_size % kFrameBytes != 0) {
      Add<K::kPartSampleFrame>(entry, {h.data_size % kFrameBytes});
    }
    if (count == 0) return;
    for (size_t i = 1; i < count; ++i) remade.also.Add(mends[i]);
    // Told to, ffmpeg reads all that follows the header, whatever size it declares, but not RIFX
    // with a format chunk longer than 16 bytes, which sox reads; sox mends the rest.
    const FindingKind own = mends[0];
    bool ffmpeg = (own == K::kSizeNotFilledIn && !h.rifx) || own == K::kIrregularChunks;
    remade.made = {ffmpeg ? Converter::kFfmpeg : Converter::kSox, StemOf(entry.text)};
    if (own == K::kIrregularChunks) Add<K::kIrregularChunks>(entry, remade);
    if (own == K::kSizeNotFilledIn) Add<K::kSizeNotFilledIn>(entry, remade);
    if (own == K::kShortOfDeclared) Add<K::kShortOfDeclared>(entry, remade);
    if (own == K::kRifx) Add<K::kRifx>(entry, remade);
    if (own == K::kRf64) Add<K::kRf64>(entry, remade);
    if (own == K::kNotCdAudio) Add<K::kNotCdAudio>(entry, remade);
  }

  // A file of CD audio that ends inside a CD frame is padded to a whole one with silence, which
  // is heard where next, the file that follows it, was meant to follow without a pause.
  void EndsInsideFrame(const DiscFile& file, const DiscFile* next) {
    const HeaderFacts& h = file.wav.header;
    uint64_t part = file.wav.length.part_frame;
    if (!IsCdAudio(h) || next == nullptr || TracksOf(disc, *next)[0].pregap.number != 0 ||
        part == 0) {
      return;
    }
    uint64_t rate = h.sample_rate;
    uint64_t silence = ((rate - part) * cd::kSamplesPerFrame + rate - 1) / rate;
    // Joined, the next file starts at the last whole frame of this one.
    bool joinable = IsCdAudio(next->wav.header) && next->track_count == 1;
    Add<K::kEndsInsideFrame>(file.entry, {.made = {Converter::kSox, StemOf(file.entry.text)},
                                          .next_file = next->entry.text,
                                          .silence = silence,
                                          .join_at = file.wav.length.whole_frames,
                                          .joinable = joinable});
  }

  // The lines of a file's tracks: the time of each split and, where the layout could not place
  // it, why; and each pregap's time.
  void TrackLines(std::span<const Track> tracks, std::span<const TrackPlace> places,
                  const DiscFile& file, const FileReading& read) {
    // Where a way of reading the file's split times holds, every track lies where that way puts
    // it: a time read two ways is said as that way reads it, and no other placing is.
    const bool decided = Decided(read);
    for (size_t t = 0; t < tracks.size(); ++t) {
      const TrackPlace& place = places[t];
      const Track& track = tracks[t];
      // The title after a split's time, as the sheet writes it, or as the list does where letters
      // of it would be lost: a line to write keeps it.
      const CdText& titled = TitleOf(disc, track);
      const std::string_view title =
          titled.line.number != track.opened_by.number ? "" : TextToWrite(titled);
      if (place.placing == Placing::kAtStart) {
        // The file's first track starts there already; a title of the split's is the first
        // track's, where that has none.
        Add<K::kSplitAtStart>(
            track.opened_by, {TitleOf(disc, tracks[0]).text.empty ? title : "", file.entry.number});
      } else if (t != 0 && !SplitTime(track.opened_by, place, read, title, file) && !decided) {
        if (place.placing == Placing::kPastEnd) {
          Add<K::kSplitPastEnd>(track.opened_by, {file.entry.text, place.file_end});
        } else if (place.placing == Placing::kNotLater) {
          Add<K::kSplitNotLater>(track.opened_by,
                                 {place.latest_before, place.as_hours, read.four_fields, title});
        }
      }
      if (track.marks != kNoMarks) Gap(track);
      const ListLine& pregap = track.pregap;
      if (pregap.number == 0 || TimeLine(pregap, TimeTextOf(pregap.text))) continue;
      if (place.pregap == 0u) {
        Add<K::kPregapWithoutLength>(pregap);
      } else if (&track == &disc.tracks.front()) {
        // Every CD has 2 seconds of silence before its first track.
        Add<K::kFirstPregap>(pregap, {cd::kFirstPregapFrames + uint64_t{place.pregap.value_or(0)}});
      }
    }
  }

  // A track's gap that is not written for where it lies.
  void Gap(const Track& track) {
    const GapPlace gap = GapOf(layout, track);
    if (gap.fault == GapFault::kWithPregap) {
      Add<K::kGapWithPregap>(MarksOf(disc, track).gap);
    } else if (gap.fault != GapFault::kNone) {
      Add<K::kGapTooLong>(MarksOf(disc, track).gap, {gap.fault, gap.longest});
    }
  }

  // A split whose time reads two ways in a file where either way of reading them all holds: the
  // choice, said once for the file, with where the file's last split that reads two ways starts
  // each way.
  void TwoWays(const ListLine& line, Doubt doubt, const DiscFile& file) {
    const char*& said = two_ways_said[doubt == Doubt::kUnits ? 0 : 1];
    if (said == file.entry.text.data()) return;
    said = file.entry.text.data();
    int last_line = 0;
    TimeReading last;
    auto consider = [&](const ListLine& split) {
      const MeantPlace* m = MeantOf(layout, split.number);
      TimeReading r = m != nullptr ? m->time : TimeReading{};
      if (r.doubt == doubt && split.number > last_line) {
        last_line = split.number;
        last = r;
      }
    };
    for (const Track& track : TracksOf(disc, file).subspan(1)) consider(track.opened_by);
    const auto index = static_cast<uint32_t>(&file - disc.files.data());
    for (const LooseSplit& loose : disc.loose_splits) {
      if (loose.file == index) consider(loose.line);
    }
    const FileChoice choice = {
        file.entry.text, last.larger, last.smaller,
        layout.reading[static_cast<size_t>(&file - disc.files.data())].four_fields};
    if (doubt == Doubt::kUnits) {
      Add<K::kTimesTwoWays>(line, choice);
    } else {
      Add<K::kFractionsTwoWays>(line, choice);
    }
  }

  // A track shorter than a CD track may be, as the layout gives its length: said at the split
  // that ends it, the line to move, or else at its start. A file whose first track is the only
  // one placed is said as a whole.
  void TrackLengths(std::span<const Track> tracks, std::span<const TrackPlace> places,
                    uint64_t file_frames) {
    if (file_frames == 0) return;
    bool one = std::count_if(places.begin(), places.end(), [](const TrackPlace& p) {
                 return p.placing == Placing::kPlaced;
               }) == 1;
    for (size_t t = 0; t < tracks.size(); ++t) {
      const TrackPlace& place = places[t];
      if (!place.length || *place.length >= cd::kShortestTrackFrames) continue;
      if (place.ended_by) {
        Add<K::kTrackBeforeTooShort>(disc.tracks[*place.ended_by].opened_by, {*place.length});
      } else {
        if (one) {
          Add<K::kFileTooShort>(tracks[t].opened_by, {*place.length});
        } else {
          Add<K::kLastTrackTooShort>(tracks[t].opened_by, {*place.length});
        }
      }
    }
  }

  // A title or performer: one whose text is changed to be burnt, or that has none. A line whose
  // time is to be written anew is given with its text as the sheet writes it already.
  void Text(const CdText& text) {
    if (text.line.number == 0) return;
    if (text.text.empty) {
      Add<K::kTextEmpty>(text.line);
      return;
    }
    if (!text.text.changed) return;
    for (const Finding& f : found) {
      if (f.line == text.line.number && WritesItsTime(f) && !text.text.lost) return;
    }
    TextWritten written = {text.text.text, text.lead, text.text.lost};
    for (const WholeLine& whole : whole_lines) {
      if (whole.line == text.line.number) {
        written.timed = true;
        written.frames = whole.frames;
        written.four_fields = whole.four_fields;
      }
    }
    Add<K::kTextChanged>(text.line, written);
  }

  // The CD-TEXT of the disc and its tracks, where the sheet carries any: each text, and what
  // cdrdao needs to burn them, a title and a performer for the disc and a title for every track,
  // in no more packs than a disc holds.
  void CdTexts(const WrittenFirst& first) {
    for (const TextAgain& again : disc.texts_again) {
      Add<K::kTextAgain>(again.line, {again.first, KindOf(again.line.text)});
    }
    for (const ListLine& empty : disc.texts_empty) Add<K::kTextEmpty>(empty);
    Text(disc.title);
    Text(disc.performer);
    // Those of a line that opens a track once mended are its track's then, and checked now.
    for (const TrackTexts& texts : disc.track_texts) {
      Text(texts.title);
      Text(texts.performer);
    }
    for (const Disc::OffDisc& off : disc.texts_off_disc) {
      Text(off.texts.title);
      Text(off.texts.performer);
    }
    if (!HasCdText(disc)) return;
    // A first line that may be a note or a text written first opens no track of the disc then.
    std::span<const Track> tracks(disc.tracks);
    for (const Track& track : tracks.subspan(first.maybe_note ? 1 : 0)) {
      if (TitleOf(disc, track).text.empty) Add<K::kTrackWithoutTitle>(track.opened_by);
    }
  }

  // The disc's file at index, and the one after it, if any.
  void File(size_t index, const DiscFile* next) {
    const DiscFile& file = disc.files[index];
    std::span<const Track> tracks = TracksOf(disc, file);
    std::span<const TrackPlace> places =
        std::span(layout.tracks).subspan(file.first_track, tracks.size());
    const FileReading& read = layout.reading[index];
    for (const LooseSplit& loose : disc.loose_splits) {
      if (loose.file == index) Loose(loose, read);
    }
    if (!IsUsable(file.wav)) {
      // Where its tracks land is not known, but what its lines say is.
      for (const Track& track : tracks.subspan(1)) TimeLine(track.opened_by, track.start);
      for (const Track& track : tracks) {
        const ListLine& pregap = track.pregap;
        if (pregap.number == 0 || TimeLine(pregap, TimeTextOf(pregap.text))) continue;
        if (ReadCueTime(TimeTextOf(pregap.text)) == 0u) {
          Add<K::kPregapWithoutLength>(pregap);
        }
      }
      return;
    }
    Audio(file);
    EndsInsideFrame(file, next != nullptr && IsUsable(next->wav) ? next : nullptr);
    TrackLines(tracks, places, file, read);
    // Where a way of reading the split times holds, no track is too short read that way.
    if (!Decided(read)) TrackLengths(tracks, places, layout.file_frames[index]);
  }

  // A line taken as neither a WAV file, a split nor a pregap, by what it says and, where it was
  // looked up, by the file it names.
  void Ignored(const ListLine& line) {
    const LineLookup* lookup = LookupOf(disc, line);
    std::optional<FindingKind> kind = FindingOfIgnored(line.text);
    if (kind == FindingKind::kMixedCaseWav) {
      MixedCase(line);
    } else if (lookup != nullptr && lookup->names_a_file) {
      // A line that names a file is that file, whatever it starts with: a command to make CD
      // audio of it is worth giving where it is of another kind.
      if (OtherAudioOf(line.text) != Converter::kNone) {
        Add<K::kOtherAudio>(line, {.made = {OtherAudioOf(line.text), StemOf(line.text)}});
      } else {
        Add<K::kFileNotWav>(line);
      }
    } else if (lookup != nullptr && lookup->names_a_wav) {
      Add<K::kWavWithoutExt>(line);
    } else if (kind == FindingKind::kLowercaseLetter &&
               KindWithCapital(line.text) != LineKind::kSplit) {
      // A loose split is said with its file; a pregap's or a gap's time is its own.
      std::string_view time = MeantPregapTime(line.text);
      std::optional<uint32_t> frames = ReadCueTime(time);
      if (TimeReadings editor = ReadEditorTime(time); !frames && editor.count == 1) {
        frames = editor.frames[0];
      }
      Add<K::kLowercaseLetter>(line, {.letter = KindWithCapital(line.text),
                                      .known = frames.has_value(),
                                      .frames = frames.value_or(0)});
    } else if (kind == FindingKind::kOtherAudio) {
      Add<K::kOtherAudioNotFound>(line);
    } else if (kind == FindingKind::kLowercaseKeyword) {
      Add<K::kLowercaseKeyword>(line, {KeywordInOtherCase(line.text)});
    }
  }

  // The G, ISRC, FLAGS and CATALOG lines: each given again, but a code of zeros, which is none,
  // and each whose text cannot be written as it is. Where a gap lies is said with its track.
  void Marks() {
    for (const MarkLine& mark : disc.mark_lines) {
      const ListLine& line = mark.line;
      const LineKind kind = KindOf(line.text);
      const std::string_view code = CodeOf(line.text);
      if (kind == LineKind::kGap && mark.stray) {
        if (ContainsWavAnyCase(line.text)) {
          MixedCase(line);
        } else if (HoldsNoTime(TimeTextOf(line.text))) {
          Add<K::kNoteReadAsLine>(line, {LineKind::kGap});
        } else {
          Add<K::kGapIgnored>(line, {mark.after_ignored});
        }
        continue;
      }
      const bool zeros = (kind == LineKind::kIsrc || kind == LineKind::kCatalog) && IsZeros(code);
      if (mark.first != 0 && !zeros) {
        Add<K::kMarkAgain>(line, {mark.first, kind});
      } else if (kind == LineKind::kGap) {
        TimeLine(line, TimeTextOf(line.text));
      } else if (zeros) {
        if (kind == LineKind::kIsrc) Add<K::kIsrcZeros>(line);
        if (kind == LineKind::kCatalog) Add<K::kCatalogZeros>(line);
      } else if (kind == LineKind::kIsrc && !IsIsrc(code)) {
        Add<K::kIsrcForm>(line);
      } else if (kind == LineKind::kCatalog && !IsCatalog(code)) {
        Add<K::kCatalogForm>(line);
      } else if (const Flags flags = ReadFlags(code);
                 kind == LineKind::kFlags && (!flags.as_written || flags.bits == 0)) {
        Add<K::kFlagWords>(line);
      }
    }
  }
};

}  // namespace

Severity SeverityOf(FindingKind kind) {
  switch (kind) {
    case FindingKind::kWavNotOpened:
    case FindingKind::kWavNotRead:
    case FindingKind::kWavWithoutData:
    case FindingKind::kWavUnsupported:
    case FindingKind::kNotWavAudio:
      return Severity::kError;
    case FindingKind::kEndsInsideFrame:
    case FindingKind::kPartSampleFrame:
    case FindingKind::kFirstPregap:
      return Severity::kNote;
    case FindingKind::kListNotUsed:
    case FindingKind::kListIsWav:
    case FindingKind::kNoWavFile:
    case FindingKind::kNulInList:
    case FindingKind::kDiscTooLong:
    case FindingKind::kTooManyTracks:
    case FindingKind::kWrittenWithoutLock:
    case FindingKind::kWavWithoutFormat:
    case FindingKind::kQuoteInName:
    case FindingKind::kIrregularChunks:
    case FindingKind::kRf64:
    case FindingKind::kRifx:
    case FindingKind::kNotCdAudio:
    case FindingKind::kShortOfDeclared:
    case FindingKind::kNoAudio:
    case FindingKind::kSizeNotFilledIn:
    case FindingKind::kMixedCaseWav:
    case FindingKind::kNoSpaceAfterLetter:
    case FindingKind::kNotACueTime:
    case FindingKind::kEditorTime:
    case FindingKind::kTimeWithoutFrames:
    case FindingKind::kTimeSettled:
    case FindingKind::kTimesTwoWays:
    case FindingKind::kFractionSettled:
    case FindingKind::kFractionsTwoWays:
    case FindingKind::kSplitWithoutLetter:
    case FindingKind::kSplitPastEnd:
    case FindingKind::kSplitNotLater:
    case FindingKind::kSplitAtStart:
    case FindingKind::kTrackBeforeTooShort:
    case FindingKind::kLastTrackTooShort:
    case FindingKind::kFileTooShort:
    case FindingKind::kPregapIgnored:
    case FindingKind::kPregapWithoutLength:
    case FindingKind::kLowercaseLetter:
    case FindingKind::kNoteReadAsLine:
    case FindingKind::kOtherAudio:
    case FindingKind::kOtherAudioNotFound:
    case FindingKind::kFileNotWav:
    case FindingKind::kWavWithoutExt:
    case FindingKind::kNoDiscTitle:
    case FindingKind::kNoDiscPerformer:
    case FindingKind::kTooManyPacks:
    case FindingKind::kLongFileName:
    case FindingKind::kTextChanged:
    case FindingKind::kTextEmpty:
    case FindingKind::kTextAgain:
    case FindingKind::kTrackWithoutTitle:
    case FindingKind::kLowercaseKeyword:
    case FindingKind::kGapIgnored:
    case FindingKind::kGapWithPregap:
    case FindingKind::kGapTooLong:
    case FindingKind::kMarkAgain:
    case FindingKind::kIsrcForm:
    case FindingKind::kIsrcZeros:
    case FindingKind::kCatalogForm:
    case FindingKind::kCatalogZeros:
    case FindingKind::kFlagWords:
      return Severity::kWarning;
  }
  return Severity::kWarning;
}

NewFile* NewFileOf(Finding* f) {
  return std::visit(
      [](auto& facts) -> NewFile* {
        if constexpr (requires { facts.made; }) {
          return &facts.made;
        } else {
          return nullptr;
        }
      },
      f->facts);
}

const NewFile* NewFileOf(const Finding& f) {
  return NewFileOf(const_cast<Finding*>(&f));
}

bool IsUsable(const WavFile& wav) {
  return wav.open_error == 0 && wav.read_error == 0 &&
         wav.header.other_audio == OtherAudio::kNone && wav.header.status == ProbeStatus::kOk;
}

namespace {

// The facts of a file of entry that holds audio of another kind than WAV.
ForeignAudio ForeignAudioOf(const HeaderFacts& h, std::string_view entry) {
  const OtherKind& kind = OtherKindOf(h.other_audio);
  Converter by = kind.by;
  std::string_view type = kind.type;
  // sox reads Wave64 of samples of a fixed size; compressed audio in it ffmpeg decodes.
  if (h.other_audio == OtherAudio::kWave64 && !HasFixedSamples(h.coding) &&
      h.coding != kFormatExtensible) {
    by = Converter::kFfmpeg;
    type = "";
  }
  // sox is told the kind where the name does not give it.
  bool named = OtherKindOf(OtherAudioNamed(entry)).type == type;
  return {{by, StemOf(entry)}, h.other_audio, named ? "" : type};
}

// The facts of a WAV file of entry whose samples the probe does not take.
Remade UnsupportedOf(const HeaderFacts& h, std::string_view entry) {
  Remade f = {.format = FormatOf(h)};
  // Compressed audio whose header gives channels and a rate; the finding of a header that gives
  // none names no coding, nor does that of an extensible chunk too short to give one.
  if (!h.format_found || HasFixedSamples(h.coding) || h.channels == 0 || h.sample_rate == 0 ||
      h.coding == kFormatExtensible) {
    return f;
  }
  f.made = {Converter::kFfmpeg, StemOf(entry)};
  for (const Codec& codec : kCodecs) {
    if (codec.code == h.coding) f.made.by = codec.by;
  }
  // ffmpeg reads no RIFX file whose format chunk is longer than 16 bytes, as a compressed coding's
  // is.
  if (h.aac_unmarked || (h.rifx && f.made.by == Converter::kFfmpeg)) f.made.by = Converter::kNone;
  // What the file holds: a writer to a pipe declares none of it.
  uint64_t held = h.data_size == 0 ? h.data_present : std::min(h.data_size, h.data_present);
  if (held == 0) {
    f.made.by = Converter::kNone;
    f.also = {FindingKind::kNoAudio};
  } else if (h.data_size == 0) {
    f.also = {FindingKind::kSizeNotFilledIn};
  }
  return f;
}

// Finds what cdrdao would refuse in the CD-TEXT of the disc as a whole: a title or performer
// missing, where the first line's finding does not give it (given_first), or more packs than a
// disc holds.
void CheckDiscTexts(LineKind given_first, Checker* check) {
  const Disc& disc = check->disc;
  if (disc.title.text.empty && given_first != LineKind::kDiscTitle) {
    check->Add<K::kNoDiscTitle>({});
  }
  if (disc.performer.text.empty && given_first != LineKind::kDiscPerformer) {
    check->Add<K::kNoDiscPerformer>({});
  }
  std::vector<CdTextPair> tracks;
  tracks.reserve(disc.tracks.size());
  for (const Track& track : disc.tracks) {
    tracks.push_back({TitleOf(disc, track).text.text, PerformerOf(disc, track).text.text});
  }
  const CdTextPair of_disc = {disc.title.text.text, disc.performer.text.text};
  size_t packs = CountCdTextPacks(of_disc, tracks);
  if (packs <= kMaxCdTextPacks) return;
  PerformerShare share = DiscPerformerShare(of_disc, tracks);
  check->found.push_back(MakeFinding<K::kTooManyPacks>(
      0, disc.performer.text.text,
      {{static_cast<uint32_t>(std::min<size_t>(packs, UINT32_MAX)),
        static_cast<uint16_t>(std::min<size_t>(share.tracks, UINT16_MAX)),
        static_cast<uint16_t>(std::min<size_t>(share.packs, UINT16_MAX))}}));
}

}  // namespace

std::vector<Finding> ProbeFindings(const DiscFile& file) {
  std::vector<Finding> found;
  const WavFile& wav = file.wav;
  const ListLine& entry = file.entry;
  auto add = [&](Finding f) {
    f.line = entry.number;
    f.subject = entry.text;
    found.push_back(std::move(f));
  };
  if (wav.open_error != 0) {
    // Only the list's first entry, on whatever line it stands after blank ones, is a WAV file's
    // name without .wav.
    WrittenFirst first = WrittenFirstOf(file);
    add(MakeFinding<K::kWavNotOpened>(
        0, "", {wav.open_error, wav.trimmed_name, first.maybe_note, first.text, first.kind}));
    return found;
  }
  if (wav.read_error != 0) {
    add(MakeFinding<K::kWavNotRead>(0, "", {wav.read_error}));
    return found;
  }
  const HeaderFacts& h = wav.header;
  if (h.other_audio != OtherAudio::kNone) {
    add(MakeFinding<K::kNotWavAudio>(0, "", ForeignAudioOf(h, entry.text)));
    return found;
  }
  if (!h.format_found) add(MakeFinding<K::kWavWithoutFormat>(0, ""));
  if (h.status == ProbeStatus::kNoData) {
    // Audio of another kind named first, where any name is taken for a WAV file's.
    add(MakeFinding<K::kWavWithoutData>(0, "",
                                        {.made = {OtherAudioOf(entry.text), StemOf(entry.text)}}));
  }
  if (h.status == ProbeStatus::kUnsupported) {
    add(MakeFinding<K::kWavUnsupported>(0, "", UnsupportedOf(h, entry.text)));
  }
  return found;
}

std::vector<Finding> FileFindings(const DiscFile& file) {
  std::vector<Finding> found = ProbeFindings(file);
  if (!IsUsable(file.wav)) return found;
  const Disc disc;
  const DiscLayout layout;
  Checker check{disc, layout, {}};
  check.Audio(file);
  found.insert(found.end(), check.found.begin(), check.found.end());
  return found;
}

std::vector<Finding> CheckDisc(const Disc& disc, const DiscLayout& layout) {
  if (disc.files.empty()) return {MakeFinding<K::kNoWavFile>(0, "")};
  Checker check{disc, layout, {}};
  // Room for a finding for every file and every other line, and a few of the disc: a list whose
  // files draw findings usually has them for many.
  check.found.reserve(disc.files.size() + disc.ignored.size() + disc.stray_pregaps.size() + 2);
  for (size_t i = 0; i < disc.files.size(); ++i) {
    check.sheet_dot =
        SheetDotOf(i == 0 ? nullptr : &disc.files[i - 1], check.sheet_dot, disc.files[i]);
    check.File(i, i + 1 < disc.files.size() ? &disc.files[i + 1] : nullptr);
  }
  for (const StrayPregap& stray : disc.stray_pregaps) {
    const ListLine& line = stray.line;
    if (ContainsWavAnyCase(line.text)) {
      check.MixedCase(line);
    } else if (HoldsNoTime(TimeTextOf(line.text))) {
      check.Add<K::kNoteReadAsLine>(line, {LineKind::kPregap});
    } else {
      check.Add<K::kPregapIgnored>(line, {stray.after_ignored});
    }
  }
  for (const ListLine& line : disc.ignored) check.Ignored(line);
  check.Marks();
  if (disc.nul_line != 0) check.Add<K::kNulInList>({disc.nul_line, ""});
  const WrittenFirst first = WrittenFirstOf(disc.files[0]);
  check.CdTexts(first);
  // In the order of the list; the findings of one line stay in the order they were found. They
  // mostly come so already, and sorting them takes room for a second copy.
  auto by_line = [](const Finding& a, const Finding& b) { return a.line < b.line; };
  if (!std::is_sorted(check.found.begin(), check.found.end(), by_line)) {
    std::stable_sort(check.found.begin(), check.found.end(), by_line);
  }
  if (HasCdText(disc)) CheckDiscTexts(TextGivenFirst(first), &check);
  if (layout.least_frames > cd::kLongestDiscFrames) {
    check.Add<K::kDiscTooLong>({}, {layout.least_frames});
  }
  if (TrackCount(disc) > cd::kMaxTracks) {
    check.Add<K::kTooManyTracks>({}, {static_cast<uint64_t>(TrackCount(disc))});
  }
  return std::move(check.found);
}

std::optional<LookUp> WorthLookingUp(std::string_view line, LineKind kind) {
  if (IsProse(line)) return std::nullopt;
  if (ContainsWavAnyCase(line)) {
    // Only a name that ends in .wav has an ending to spell otherwise.
    bool ends_so = line.size() >= 4 && ContainsWavAnyCase(line.substr(line.size() - 4));
    return ends_so ? std::optional(LookUp::kSpellings) : std::nullopt;
  }
  // A line that starts with S, P or G, whatever its case, is a split, a pregap or a gap only where
  // it gives a time; otherwise it may be a file's name.
  if (kind == LineKind::kSplit || kind == LineKind::kPregap || kind == LineKind::kGap ||
      (kind == LineKind::kNone && KindWithCapital(line) != LineKind::kNone)) {
    return GivesATime(line) ? std::nullopt : std::optional(LookUp::kAsWritten);
  }
  // A code or flags line is a file's name only where it cannot be read as what it starts as.
  if (IsMarkKind(kind)) {
    const std::string_view code = CodeOf(line);
    const bool reads = kind == LineKind::kIsrc      ? IsIsrc(code)
                       : kind == LineKind::kCatalog ? IsCatalog(code)
                                                    : ReadFlags(code).bits != 0;
    return reads ? std::nullopt : std::optional(LookUp::kAsWritten);
  }
  if (kind != LineKind::kNone) return std::nullopt;
  std::optional<FindingKind> says = FindingOfIgnored(line);
  if (says && says != FindingKind::kOtherAudio) return std::nullopt;
  return LookUp::kAsWritten;
}

bool OpensTrackOnceMended(std::string_view line) {
  std::optional<FindingKind> kind = FindingOfIgnored(line);
  return kind == FindingKind::kMixedCaseWav || kind == FindingKind::kOtherAudio ||
         kind == FindingKind::kSplitWithoutLetter ||
         (kind == FindingKind::kLowercaseLetter && line[0] == 's');
}

bool IsLooseSplit(std::string_view line) {
  std::optional<FindingKind> kind = FindingOfIgnored(line);
  return kind == FindingKind::kSplitWithoutLetter ||
         (kind == FindingKind::kLowercaseLetter && line[0] == 's');
}

std::string JoinedName(std::string_view a, std::string_view b) {
  constexpr size_t kLongest = 32;
  std::string_view first = StemOf(a);
  std::string_view next = StemOf(b);
  next.remove_prefix(next.rfind('/') + 1);
  std::string joined(first);
  size_t both = first.size() - (first.rfind('/') + 1) + next.size();
  if (both > kLongest) return joined.append("-joined.wav");
  return joined.append("+").append(next).append(".wav");
}

std::string_view AudioName(OtherAudio kind) {
  return OtherKindOf(kind).name;
}

std::string_view CodingName(uint32_t coding) {
  for (const Codec& codec : kCodecs) {
    if (codec.code == coding) return codec.name;
  }
  return "";
}

bool IsProse(std::string_view line) {
  return line.starts_with('#') || line.size() >= kLongestPath;
}

Converter OtherAudioOf(std::string_view line) {
  return OtherKindOf(OtherAudioNamed(line)).by;
}

std::string_view StemOf(std::string_view name) {
  size_t dot = name.rfind('.');
  size_t slash = name.rfind('/');
  bool starts_it = dot == 0 || (slash != name.npos && dot == slash + 1);
  if (dot == name.npos || (slash != name.npos && dot < slash) || starts_it) return name;
  // An extension is a few letters or digits.
  std::string_view extension = name.substr(dot + 1);
  bool plain = !extension.empty() && extension.size() <= 4 &&
               std::all_of(extension.begin(), extension.end(), [](char c) {
                 return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
               });
  return plain ? name.substr(0, dot) : name;
}

}  // namespace vantorel
