#include "run/finding_text.h"

#include <cstring>
#include <initializer_list>
#include <vector>

#include "audio/wavprobe.h"
#include "cd.h"
#include "disc/cdtext.h"
#include "disc/checks.h"
#include "run/remedies.h"
#include "run/words.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// "1 line", "2 lines".
void AppendCounted(std::string* out, uint64_t n, std::string_view one, std::string_view many = "") {
  Append(out, {Number(n), " "});
  if (n == 1) {
    out->append(one);
  } else if (many.empty()) {
    Append(out, {one, "s"});
  } else {
    out->append(many);
  }
}

// The line to write in the list in place of a file's, once a CD WAV is made of it, and the
// command that makes it.
void AppendLineAndCommand(std::string* out, const Fix& fix) {
  Append(out, {" and write the line as \"", fix.line, "\": ", fix.command});
}

void AppendFormatName(std::string* out, uint32_t code) {
  if (code == kFormatPcm) {
    out->append("PCM");
  } else if (code == kFormatFloat) {
    out->append("floating point");
  } else if (code == kFormatALaw) {
    out->append("A-law");
  } else if (code == kFormatMuLaw) {
    out->append("mu-law");
  } else {
    Append(out, {"format ", Number(code)});
  }
}

// What differs from CD audio, kept short: the line names the file, and the command repeats its
// name three times.
void AppendNotCdAudio(std::string* out, const AudioFormat& a) {
  bool cd_shape = a.rate == cd::kRate && a.bits == cd::kBits && a.channels == cd::kChannels;
  if (a.rate != cd::kRate) Append(out, {Number(a.rate), " Hz "});
  if (a.bits != cd::kBits) Append(out, {Number(a.bits), "-bit "});
  if (a.channels != cd::kChannels) Append(out, {Number(a.channels), "-channel "});
  AppendFormatName(out, a.coding);
  if (a.code == kFormatExtensible && cd_shape) out->append(" in an extensible header");
  out->append(", not CD audio");
}

constexpr std::string_view kShntoolFrames = "CD frames, as shntool and cuebreakpoints write them";
constexpr std::string_view kHundredths = "hundredths of a second";

constexpr std::string_view kRf64Is = "an RF64 file, which cdrdao does not read";
constexpr std::string_view kRifxIs = "a big-endian RIFX file, which cdrdao does not read";

// What else the finding's one command mends, then what to do: remedy where it mends the finding
// alone, or else to convert the file; and the line and the command.
void AppendAlsoAndFix(std::string* out, const Finding& f, std::string_view remedy) {
  const Remade& r = std::get<Remade>(f.facts);
  for (FindingKind also : AlsoMends::kKinds) {
    if (!r.also.Has(also)) continue;
    out->append("; it is also ");
    if (also == FindingKind::kRf64) {
      out->append(kRf64Is);
    } else if (also == FindingKind::kRifx) {
      out->append(kRifxIs);
    } else {
      AppendNotCdAudio(out, r.format);
    }
  }
  Append(out, {"; ", r.also.empty() ? remedy : "convert it"});
  AppendLineAndCommand(out, FixOf(f));
}

// "split", "pregap" or "gap", with the capital such a line starts with.
std::string_view LineName(LineKind kind) {
  return kind == LineKind::kSplit ? "split" : kind == LineKind::kGap ? "gap" : "pregap";
}
std::string_view LineLetter(LineKind kind) {
  return kind == LineKind::kSplit ? "S" : kind == LineKind::kGap ? "G" : "P";
}

// The keyword of an ISRC, FLAGS or CATALOG line, and what it gives.
std::string_view Keyword(LineKind kind) {
  return kind == LineKind::kIsrc ? "ISRC" : kind == LineKind::kFlags ? "FLAGS" : "CATALOG";
}
std::string_view MarkName(LineKind kind) {
  return kind == LineKind::kIsrc    ? "ISRC"
         : kind == LineKind::kFlags ? "FLAGS line"
         : kind == LineKind::kGap   ? "gap"
                                    : "catalog number";
}

// What to do with a line of a code or flags whose text cannot be written as it is: write the line
// its fix gives, or else, where it gives none, what follows.
void AppendCodeFix(std::string* out, const Finding& f, std::string_view otherwise) {
  if (Fix fix = FixOf(f); fix.change == LineChange::kWrite) {
    Append(out, {"; write the line as \"", fix.line, "\""});
  } else {
    Append(out, {"; ", otherwise});
  }
}

// The line a finding gives to write.
std::string_view LineOf(const Fix& fix) {
  return fix.line;
}

// What a finding says, without its place.
void AppendText(std::string* out, const Finding& f, const Names& names) {
  using K = FindingKind;
  std::string_view s = f.subject;
  switch (f.kind) {
    case FindingKind::kListNotUsed:
      Append(out, {"reading ", names.list, ", not ", s, ": a ", names.list,
                   " in the working directory always comes first; rename it to use ", s});
      return;
    case FindingKind::kListIsWav:
      Append(out, {names.list,
                   " starts with RIFF: it is a WAV file, not a track list; name the track list "
                   "first, or make one of the WAV files here: ls *.wav > tlist.txt"});
      return;
    case FindingKind::kNoWavFile:
      Append(out, {names.list, " names no WAV file, so ", names.cue,
                   " is empty; write one WAV file name a line"});
      return;
    case FindingKind::kNulInList:
      Append(out, {"a NUL byte stands on this line of ", names.list,
                   ", and nothing after it is read; remove it"});
      return;
    case FindingKind::kWrittenWithoutLock:
      Append(out, {"\"", s,
                   "\" was written without its lock, which another program held for too long; if "
                   "that program writes it too, run vantorel again once it is done"});
      return;
    case FindingKind::kTooManyTracks:
      Append(out, {"the cue sheet has ", Number(FactsOf<K::kTooManyTracks>(f).tracks),
                   " tracks, more than the ", Number(cd::kMaxTracks),
                   " a CD holds, which a burner refuses; split the list over two discs"});
      return;
    case FindingKind::kDiscTooLong:
      Append(out, {"the disc lasts ", CueTimeText(FactsOf<K::kDiscTooLong>(f).frames),
                   " with its pregaps, more than the ", CueTimeText(cd::kLongestDiscFrames),
                   " a CD holds; split the list over two discs"});
      return;

    case FindingKind::kNoDiscTitle:
      out->append(
          "the cue sheet has CD-TEXT but no title for the disc, without which cdrdao will not "
          "burn it; write the title on a line after the first as \"DISC TITLE\" and the title");
      return;
    case FindingKind::kNoDiscPerformer:
      out->append(
          "the cue sheet has CD-TEXT but no performer for the disc, without which cdrdao will not "
          "burn it; write the name on a line after the first as \"DISC PERFORMER\" and the name, "
          "which every track without a PERFORMER line takes");
      return;
    case FindingKind::kTooManyPacks: {
      const PackCount& packs = FactsOf<K::kTooManyPacks>(f).packs;
      Append(out, {"the CD-TEXT takes ", Number(packs.all), " packs of 12 bytes, more than the ",
                   Number(kMaxCdTextPacks), " a disc holds (cdrdao writes ",
                   Number(kCdrdaoCorruptPacks), " or more corrupt)"});
      if (packs.performer_packs != 0) {
        Append(out, {"; the performer \"", s, "\" on "});
        AppendCounted(out, packs.performer_tracks, "track");
        Append(out, {" takes ", Number(packs.performer_packs), " of them"});
      }
      out->append("; shorter titles and performers fit");
      return;
    }

    case FindingKind::kWavNotOpened: {
      const NotOpened& n = FactsOf<K::kWavNotOpened>(f);
      Append(out, {"cannot open \"", s, "\": ", std::strerror(n.error),
                   "; check the name, relative to the working directory"});
      if (!n.trimmed_name.empty()) {
        std::string_view blanks = s.substr(n.trimmed_name.size());
        std::string_view blank = blanks.find('\t') == blanks.npos  ? "space"
                                 : blanks.find(' ') == blanks.npos ? "tab"
                                                                   : "blank";
        out->append("; the name ends in ");
        AppendCounted(out, blanks.size(), blank);
        Append(out, {" that the file's name lacks: write the line as \"", LineOf(FixOf(f)), "\""});
      } else if (n.maybe_note) {
        out->append("; the first line is always a WAV file's name: ");
        if (std::string title = ToSheetText(n.disc_text).text; !title.empty()) {
          bool performer = n.written_as == LineKind::kDiscPerformer;
          Append(out, {"if it is the disc's ", performer ? "performer" : "title",
                       ", write it below the first WAV line as \"",
                       performer ? "DISC PERFORMER " : "DISC TITLE ", title,
                       "\"; if it is a note, move it to the end of the list as \"# ", s, "\""});
        } else if (s.starts_with('#')) {
          out->append("move this note to the end of the list");
        } else {
          Append(out, {"if it is a note, move it to the end of the list as \"# ", s, "\""});
        }
      }
      return;
    }
    case FindingKind::kWavNotRead:
      Append(out, {"cannot read \"", s, "\": ", std::strerror(FactsOf<K::kWavNotRead>(f).error)});
      return;
    case FindingKind::kWavWithoutFormat:
      Append(out, {"\"", s, "\" has no fmt block in its first ", Number(kSearchLimit),
                   " bytes, so its length is probably wrong; convert it with sox"});
      return;
    case FindingKind::kWavWithoutData:
      if (FactsOf<K::kWavWithoutData>(f).made.by != Converter::kNone) {
        Append(out, {"\"", s, "\" is not a WAV file; make a CD WAV of it"});
        AppendLineAndCommand(out, FixOf(f));
        return;
      }
      Append(out, {"\"", s, "\" has no data block at an even position in its first ",
                   Number(kSearchLimit), " bytes; convert it with sox"});
      return;
    case FindingKind::kWavUnsupported: {
      const Remade& r = FactsOf<K::kWavUnsupported>(f);
      const AudioFormat& a = r.format;
      // Only the finding of compressed audio names the file's stem.
      bool compressed = !r.made.stem.empty();
      if (!compressed && a.coding == kFormatExtensible && a.channels != 0 && a.rate != 0) {
        Append(out, {"\"", s,
                     "\" has an extensible format chunk too short to say how its audio is coded, "
                     "which cdrdao cannot burn; make it again as CD audio from what it was made "
                     "of"});
        return;
      }
      if (!compressed) {
        Append(out, {"\"", s,
                     "\" gives no channels, fewer than 8 bits a sample or a sample rate of 0; "
                     "convert it with sox"});
        return;
      }
      std::string_view name = CodingName(a.coding);
      std::string coding = name.empty() ? "audio compressed in format " + Number(a.coding)
                                        : std::string(name) + " audio";
      if (r.also.Has(FindingKind::kNoAudio)) {
        Append(out, {"\"", s, "\" holds no audio, only the header of ", coding,
                     ", which cdrdao cannot burn; leave it out of the list"});
        return;
      }
      Append(out, {"\"", s, "\" holds ", coding});
      if (r.made.by == Converter::kNone) {
        if (a.coding == kFormatAac) {
          out->append(" without the headers that mark where its frames start");
        }
        out->append(
            ", which cdrdao cannot burn and ffmpeg cannot decode from a WAV file; make it again "
            "as CD audio from what it was made of");
        return;
      }
      out->append(", which cdrdao cannot burn");
      if (r.also.Has(FindingKind::kSizeNotFilledIn)) {
        out->append(
            ", and declares none of it, as when written to a pipe; decode all that "
            "follows its header to CD audio");
      } else {
        out->append("; decode it to CD audio");
      }
      AppendLineAndCommand(out, FixOf(f));
      return;
    }

    case FindingKind::kNotWavAudio:
      Append(out, {"\"", s, "\" holds ", AudioName(FactsOf<K::kNotWavAudio>(f).audio),
                   " audio, not a WAV file's; make a CD WAV of it"});
      AppendLineAndCommand(out, FixOf(f));
      return;
    case FindingKind::kQuoteInName:
      Append(out, {"\"", s,
                   "\" has a double quote in its name, which a cue sheet cannot hold; rename the "
                   "file"});
      return;
    case FindingKind::kIrregularChunks:
      Append(out, {"\"", s,
                   "\" has its chunks out of the order cdrdao 1.2.4 and sox walk (a data chunk "
                   "before the format chunk, a chunk that runs past the end, or bytes out of "
                   "place), so cdrdao calls it a corrupted WAVE file"});
      if (FixOf(f).change == LineChange::kNone) {
        out->append("; make it again as CD audio from what it was made of");
        return;
      }
      AppendAlsoAndFix(out, f, "rewrite it from its samples as they stand");
      return;
    case FindingKind::kRf64:
      Append(out, {"\"", s, "\" is ", kRf64Is});
      AppendAlsoAndFix(out, f, "rewrite it as a WAV");
      return;
    case FindingKind::kRifx:
      Append(out, {"\"", s, "\" is ", kRifxIs});
      AppendAlsoAndFix(out, f, "rewrite it as a WAV");
      return;
    case FindingKind::kNotCdAudio:
      AppendNotCdAudio(out, FactsOf<K::kNotCdAudio>(f).format);
      AppendAlsoAndFix(out, f, "convert it");
      return;
    case FindingKind::kShortOfDeclared:
      Append(out,
             {"\"", s, "\" declares ", CueTimeText(FactsOf<K::kShortOfDeclared>(f).declared_frames),
              " of audio but holds ", CueTimeText(FactsOf<K::kShortOfDeclared>(f).held_frames),
              ": a recording cut short, or a WAV written through a pipe; the report, the "
              "checks and a burner take what it holds"});
      AppendAlsoAndFix(out, f, "give it a header that agrees");
      return;
    case FindingKind::kLongFileName:
      Append(out, {"\"", s, "\" is ", Number(FactsOf<K::kLongFileName>(f).bytes), " bytes long"});
      if (FactsOf<K::kLongFileName>(f).bytes > s.size()) {
        out->append(" as the cue sheet gives it, with ./ in front, since it follows a split of it");
      }
      out->append(
          ", and Debian's cdrdao 1.2.4 aborts on a file name of 148 bytes or more; give the file a "
          "shorter name");
      return;
    case FindingKind::kNoAudio:
      Append(out, {"\"", s, "\" holds no audio; leave it out of the list"});
      return;
    case FindingKind::kSizeNotFilledIn:
      Append(out, {"\"", s, "\" declares no audio, yet ",
                   CueTimeText(FactsOf<K::kSizeNotFilledIn>(f).held_frames),
                   " of it follows its header: the program that wrote it could not go back to "
                   "fill in the size, as when it writes to a pipe; cdrdao refuses such a file and "
                   "sox reads it as empty"});
      AppendAlsoAndFix(out, f, "rewrite it with its audio");
      return;
    case FindingKind::kEndsInsideFrame:
      // Said of every such file at once; see AppendFramePadding.
      return;
    case FindingKind::kPartSampleFrame:
      Append(out, {"\"", s, "\" ends its data chunk "});
      AppendCounted(out, FactsOf<K::kPartSampleFrame>(f).bytes, "byte");
      Append(out, {" into a sample frame of ", Number(cd::kChannels * cd::kBits / 8),
                   ", which cdrdao warns of as not a multiple of the sample size and leaves out, "
                   "as the lengths here do"});
      return;

    case FindingKind::kNoSpaceAfterLetter:
      Append(out, {"\"", s, "\" has no space after ", s.substr(0, 1),
                   ", so the sheet reads its time as \"", TimeTextOf(s), "\"; write the line as \"",
                   LineOf(FixOf(f)), "\""});
      return;
    case FindingKind::kNotACueTime:
      Append(out,
             {"\"", s,
              "\" does not give a time as minutes:seconds:frames (seconds below 60, frames "
              "below ",
              Number(cd::kFramesPerSecond), "); write it as in \"", s.substr(0, 1), " 03:15:00\""});
      return;
    case FindingKind::kEditorTime:
      Append(out, {"\"", s, "\" is not minutes:seconds:frames, with ", Number(cd::kFramesPerSecond),
                   " frames a second; write the line as \"", LineOf(FixOf(f)), "\""});
      return;
    case FindingKind::kTimeWithoutFrames: {
      const TwoReadings& r = FactsOf<K::kTimeWithoutFrames>(f);
      Append(out, {"\"", s,
                   "\" gives two numbers, which cdrdao reads as seconds:frames; write the line "
                   "as \"",
                   LineWithTime(s[0], r.meant, r.title), "\" for minutes:seconds, or as \"",
                   LineWithTime(s[0], r.other, r.title), "\" for seconds:frames"});
      return;
    }
    case FindingKind::kTimeSettled: {
      const TwoReadings& r = FactsOf<K::kTimeSettled>(f);
      std::string_view time = MeantSplit(s).time;
      if (r.meant < r.other) {
        Append(out, {"\"", s,
                     "\" gives two numbers, which the file's other splits read as cdrdao does, as "
                     "seconds:frames"});
      } else if (time.find(':') != time.rfind(':')) {
        Append(out, {"\"", s, "\" reads as minutes:seconds:frames (", CueTimeText(r.other),
                     "), but the file's other splits read only as hours:minutes:seconds"});
      } else {
        Append(out, {"\"", s, "\" gives two numbers, which cdrdao reads as seconds:frames (",
                     CueTimeText(r.other),
                     "), but the file's other splits read only as minutes:seconds"});
      }
      Append(out, {"; write the line as \"", LineOf(FixOf(f)), "\""});
      return;
    }
    case FindingKind::kFractionSettled:
      Append(out, {"\"", s,
                   "\" gives two digits after the point, which the file's other times read "
                   "only as ",
                   FactsOf<K::kFractionSettled>(f).meant > FactsOf<K::kFractionSettled>(f).other
                       ? kShntoolFrames
                       : kHundredths,
                   "; write the line as \"", LineOf(FixOf(f)), "\""});
      return;
    case FindingKind::kTimesTwoWays: {
      const FileChoice& c = FactsOf<K::kTimesTwoWays>(f);
      Append(out, {"the split times of \"", c.file,
                   "\" read two ways, and either way every track rises and lasts ",
                   Number(cd::kShortestTrackSeconds),
                   " seconds: in the larger units (minutes:seconds, hours:minutes:seconds) its "
                   "last split that reads two ways starts at ",
                   CueTimeText(c.larger),
                   ", as cdrdao reads them (seconds:frames, minutes:seconds:frames) at ",
                   CueTimeText(c.smaller),
                   "; write them one way as minutes:seconds:frames, as vantorel --script offers"});
      return;
    }
    case FindingKind::kFractionsTwoWays: {
      const FileChoice& c = FactsOf<K::kFractionsTwoWays>(f);
      Append(out, {"the split times of \"", c.file,
                   "\" give two digits after a point, which read two ways, and either way every "
                   "track rises and lasts ",
                   Number(cd::kShortestTrackSeconds), " seconds: as ", kShntoolFrames,
                   ", its last such split starts at ", CueTimeText(c.larger), ", as ", kHundredths,
                   " at ", CueTimeText(c.smaller),
                   "; write them one way as minutes:seconds:frames, as vantorel --script offers"});
      return;
    }
    case FindingKind::kSplitPastEnd:
      Append(out, {"\"", s, "\" starts at or past the end of \"", FactsOf<K::kSplitPastEnd>(f).file,
                   "\" (", CueTimeText(FactsOf<K::kSplitPastEnd>(f).file_end),
                   "); give a time inside the file"});
      return;
    case FindingKind::kSplitNotLater: {
      const NotLater& n = FactsOf<K::kSplitNotLater>(f);
      Append(out, {"\"", s, "\" does not start after the track before it (", CueTimeText(n.before),
                   "); split times must rise within a file"});
      if (n.as_hours != 0) {
        uint64_t seconds = n.as_hours / cd::kFramesPerSecond;
        std::string minutes = Number(seconds / 60 % 60), secs = Number(seconds % 60);
        out->append("; if you meant ");
        if (seconds >= 3600) {
          Append(out, {Number(seconds / 3600), " h ", minutes.size() == 1 ? "0" : ""});
        }
        Append(out, {minutes, " min ", secs.size() == 1 ? "0" : "", secs,
                     " s, write the line as \"", LineOf(FixOf(f)), "\""});
      }
      return;
    }
    case FindingKind::kSplitAtStart:
      Append(out, {"\"", s,
                   "\" starts a track where the file's first track already starts, at 00:00:00; "});
      if (FactsOf<K::kSplitAtStart>(f).title.empty()) {
        out->append("remove the line");
      } else {
        Append(out,
               {"write the line as \"", LineOf(FixOf(f)), "\", which gives that track the title"});
      }
      return;
    case FindingKind::kFirstPregap: {
      std::string two = Number(cd::kFirstPregapFrames / cd::kFramesPerSecond) + " seconds";
      Append(out, {"\"", s, "\" adds its silence to the ", two,
                   " of silence before track 1 that every CD has, so the first song starts after ",
                   CueTimeText(FactsOf<K::kFirstPregap>(f).frames), "; remove the line for ", two,
                   " alone"});
      return;
    }
    case FindingKind::kTrackBeforeTooShort:
    case FindingKind::kLastTrackTooShort:
    case FindingKind::kFileTooShort: {
      bool ends_it = f.kind == FindingKind::kTrackBeforeTooShort;
      Append(out, {"the track ", ends_it ? "before \"" : "that \"", s, ends_it ? "\"" : "\" starts",
                   " lasts ", CueTimeText(std::get<FrameCount>(f.facts).frames), ", less than the ",
                   Number(cd::kShortestTrackSeconds), " seconds a CD track must last",
                   f.kind == FindingKind::kFileTooShort ? "" : "; move or remove a split"});
      return;
    }
    case FindingKind::kPregapIgnored:
      Append(out, {"\"", s, "\" is ignored"});
      if (const ListLine& above = FactsOf<K::kPregapIgnored>(f).above; above.number != 0) {
        Append(out, {" because the line above it, \"", above.text, "\" (line ",
                     Number(static_cast<uint64_t>(above.number)), "), is ignored"});
      }
      out->append(": a pregap line counts only right after a WAV line or an S line");
      return;
    case FindingKind::kPregapWithoutLength:
      Append(out,
             {"\"", s, "\" gives a pregap of no length, which cdrdao refuses; remove the line"});
      return;

    case FindingKind::kMixedCaseWav:
      Append(out, {"\"", s, "\" is not read as a WAV file: only .wav and .WAV count; "});
      if (FactsOf<K::kMixedCaseWav>(f).spelling == Spelling::kNone) {
        Append(out, {"if it is a note, write it as \"# ", s, "\""});
      } else if (Fix fix = FixOf(f); fix.command.empty()) {
        Append(out, {"write the line as \"", fix.line, "\""});
      } else {
        Append(out, {"rename the file and write the line as \"", fix.line, "\": ", fix.command});
      }
      return;
    case FindingKind::kLowercaseLetter: {
      const LineKind letter = FactsOf<K::kLowercaseLetter>(f).letter;
      Append(out, {"\"", s, "\" is ignored: ", LineName(letter), " lines start with a capital ",
                   LineLetter(letter), "; write the line as \"", LineOf(FixOf(f)), "\""});
      return;
    }
    case FindingKind::kSplitWithoutLetter: {
      const LineToWrite& whole = FactsOf<K::kSplitWithoutLetter>(f);
      if (whole.length != 0) {
        Append(out, {"\"", s,
                     "\" is ignored: the times at the end of the file's numbered lines "
                     "add up to its length, so they are its tracks' lengths, and this one lasts ",
                     CueTimeText(whole.length), " from ", CueTimeText(whole.frames),
                     "; split lines start with S"});
      } else {
        Append(out, {"\"", s, "\" is ignored: it gives a time, but split lines start with S"});
      }
      if (Fix fix = FixOf(f); fix.change == LineChange::kWrite) {
        Append(out, {"; write the line as \"", fix.line, "\""});
      } else {
        out->append("; write it as one, as vantorel --script offers");
      }
      return;
    }
    case FindingKind::kNoteReadAsLine:
      Append(out, {"\"", s, "\" is read as a ", LineName(FactsOf<K::kNoteReadAsLine>(f).read_as),
                   " line because it starts with a capital ",
                   LineLetter(FactsOf<K::kNoteReadAsLine>(f).read_as),
                   "; start a note with another character, such as #"});
      return;
    case FindingKind::kOtherAudio:
      Append(out, {"\"", s,
                   "\" is ignored: only lines containing .wav are taken as files; make a CD WAV "
                   "of it"});
      AppendLineAndCommand(out, FixOf(f));
      return;
    case FindingKind::kOtherAudioNotFound:
      Append(out, {"\"", s,
                   "\" is ignored: only lines containing .wav are taken as files, and no file of "
                   "that name is here to make a CD WAV of"});
      return;
    case FindingKind::kTextChanged: {
      const TextWritten& t = FactsOf<K::kTextChanged>(f);
      if (t.letters_lost) {
        Append(out, {"\"", s, "\" gives letters cdrdao cannot burn, which would be written as \"",
                     t.written, "\"; write the text in Latin letters"});
        return;
      }
      Append(out,
             {"\"", s, "\" gives a text cdrdao cannot burn as it is, which is written as \"",
              t.written, "\": ASCII alone, without \" or \\, at most ", Number(kMaxCdTextChars),
              " characters; write the line as \"", LineOf(FixOf(f)), "\""});
      return;
    }
    case FindingKind::kTextEmpty:
      Append(out,
             {"\"", s,
              "\" gives no text, which cdrdao refuses, so nothing is written for it; write the "
              "text or remove the line"});
      return;
    case FindingKind::kTextAgain: {
      const TextAgainOf& again = FactsOf<K::kTextAgain>(f);
      bool of_disc = again.kind == LineKind::kDiscTitle || again.kind == LineKind::kDiscPerformer;
      bool performer = again.kind == LineKind::kPerformer || again.kind == LineKind::kDiscPerformer;
      Append(out, {"\"", s, "\" gives ", of_disc ? "the disc" : "the track", " a second ",
                   performer ? "performer" : "title", ", which cdrdao refuses; the first, on line ",
                   Number(static_cast<uint64_t>(again.first)), ", stands: remove one of them"});
      return;
    }
    case FindingKind::kTrackWithoutTitle:
      Append(out, {"the track that \"", s,
                   "\" starts has no title, without which cdrdao will not burn the sheet's "
                   "CD-TEXT; write the title on the line after it as \"TITLE\" and the title"});
      return;
    case FindingKind::kLowercaseKeyword: {
      const LineKind kind = FactsOf<K::kLowercaseKeyword>(f).kind;
      Append(out, {"\"", s, "\" is ignored: ", Keyword(kind), " lines start with ", Keyword(kind),
                   " in capitals; write the line as \"", LineOf(FixOf(f)), "\""});
      return;
    }
    case FindingKind::kGapIgnored:
      Append(out, {"\"", s, "\" is ignored"});
      if (const ListLine& above = FactsOf<K::kGapIgnored>(f).above; above.number != 0) {
        Append(out, {" because the line above it, \"", above.text, "\" (line ",
                     Number(static_cast<uint64_t>(above.number)), "), is ignored"});
      }
      out->append(
          ": a gap line counts only under a WAV line or an S line, with at most that track's "
          "TITLE, PERFORMER, P, ISRC and FLAGS lines between");
      return;
    case FindingKind::kGapWithPregap:
      Append(out, {"\"", s,
                   "\" gives a gap of the file's audio to a track with a P line, a pregap of "
                   "silence, and cdrdao takes only one of them; nothing is written for it: remove "
                   "the P line or this one"});
      return;
    case FindingKind::kGapTooLong: {
      const GapLimit& g = FactsOf<K::kGapTooLong>(f);
      std::string four = Number(cd::kShortestTrackSeconds) + " seconds a CD track must last";
      Append(out, {"\"", s, "\" "});
      if (g.fault == GapFault::kPastFileStart) {
        out->append("reaches back past the start of its file");
      } else if (g.fault == GapFault::kTrackBefore) {
        Append(out, {"leaves the track before it less than the ", four});
      } else {
        Append(out, {"leaves its track less than the ", four, " in its file"});
      }
      out->append(", so nothing is written for it; ");
      if (g.longest == 0) {
        out->append("remove the line");
      } else {
        Append(out, {"give at most ", CueTimeText(g.longest), ", as \"",
                     LineWithTime('G', g.longest, ""), "\", or remove the line"});
      }
      return;
    }
    case FindingKind::kMarkAgain: {
      const TextAgainOf& again = FactsOf<K::kMarkAgain>(f);
      Append(out,
             {"\"", s, "\" gives ", again.kind == LineKind::kCatalog ? "the disc" : "the track",
              " a second ", MarkName(again.kind), ", which cdrdao refuses; the first, on line ",
              Number(static_cast<uint64_t>(again.first)), ", stands: remove one of them"});
      return;
    }
    case FindingKind::kIsrcForm:
      Append(out, {"\"", s,
                   "\" is not an ISRC as cdrdao takes it, 5 capital letters or digits and 7 "
                   "digits, so nothing is written for it"});
      AppendCodeFix(out, f, "write it as in \"ISRC USABC1234567\"");
      return;
    case FindingKind::kCatalogForm:
      Append(out, {"\"", s,
                   "\" is not a catalog number as cdrdao takes it, the 13 digits of an EAN, so "
                   "nothing is written for it"});
      AppendCodeFix(out, f, "write it as in \"CATALOG 0123456789012\"");
      return;
    case FindingKind::kIsrcZeros:
    case FindingKind::kCatalogZeros:
      Append(out, {"\"", s, "\" gives ", f.kind == K::kIsrcZeros ? "an ISRC" : "a catalog number",
                   " of zeros, which rippers write for none and cdrdao would burn as one, so "
                   "nothing is written for it; remove the line"});
      return;
    case FindingKind::kFlagWords: {
      Append(out, {"\"", s,
                   "\" does not give its flags as cdrdao takes them, each of DCP, 4CH and PRE "
                   "once, in capitals"});
      const Fix fix = FixOf(f);
      if (fix.change == LineChange::kWrite) {
        Append(out,
               {"; the sheet carries those it is sure of: write the line as \"", fix.line, "\""});
      } else {
        out->append(", so nothing is written for it; remove the line");
      }
      return;
    }
    case FindingKind::kWavWithoutExt:
      Append(out, {"\"", s,
                   "\" is ignored: only lines containing .wav are taken as files; write it as \"",
                   LineOf(FixOf(f)), "\""});
      return;
    case FindingKind::kFileNotWav:
      Append(out, {"\"", s,
                   "\" names a file but is ignored: only lines containing .wav are taken as "
                   "files; if it is a WAV file, rename it to end in .wav"});
      return;
  }
}

std::string_view SeverityWord(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error: ";
    case Severity::kWarning:
      return "warning: ";
    case Severity::kNote:
      return "note: ";
  }
  return "";
}

// Files that end inside a CD frame before another, said once for them all: the silence a burner
// pads each with does no harm between songs, and where a recording goes on across two files,
// --script gives the commands that join them or pad the first.
void AppendFramePadding(std::string* out, std::span<const Finding> findings) {
  std::vector<const Finding*> padded;
  for (const Finding& f : findings) {
    if (f.kind == FindingKind::kEndsInsideFrame) padded.push_back(&f);
  }
  const Finding& first = *padded.front();
  if (padded.size() == 1) {
    Append(out, {"\"", first.subject, "\" ends inside a CD frame, so a burner adds ",
                 Number(std::get<Padding>(first.facts).silence), " samples of silence before \"",
                 std::get<Padding>(first.facts).next_file, "\""});
  } else {
    Append(out, {Number(padded.size()), " files end inside a CD frame (lines "});
    constexpr size_t kNamed = 5;
    for (size_t i = 0; i < padded.size() && i < kNamed; ++i) {
      if (i != 0) out->append(i + 1 == padded.size() ? " and " : ", ");
      out->append(Number(static_cast<uint64_t>(padded[i]->line)));
    }
    if (padded.size() > kNamed) Append(out, {" and ", Number(padded.size() - kNamed), " more"});
    out->append("), so a burner pads each with silence");
  }
  out->append(
      ", which does no harm between songs; to join two where a recording goes on, see vantorel "
      "--script");
}

}  // namespace

void MaskControls(std::string* out, size_t from) {
  char* text = out->data();
  const size_t size = out->size();
  auto mask = [text](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if ((c < 0x20 && c != '\t') || c == 0x7F) text[i] = '?';
    }
  };
  // Text seldom holds a control character: eight bytes at a time are first told to hold none, a
  // byte below 0x20 or of 0x7F setting the top bit of its lane (a tab too, which is then passed).
  constexpr uint64_t kOnes = 0x0101010101010101, kTops = 0x8080808080808080;
  size_t i = from;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, text + i, 8);
    uint64_t del = word ^ (kOnes * 0x7F);
    if ((((word - kOnes * 0x20) & ~word) | ((del - kOnes) & ~del)) & kTops) mask(i, i + 8);
  }
  mask(i, size);
}

namespace {

void AppendPlace(std::string* out, const Finding& f, const Names& names) {
  if (f.line > 0) Append(out, {names.list, ":", Number(static_cast<uint64_t>(f.line)), ": "});
  out->append(SeverityWord(SeverityOf(f.kind)));
}

}  // namespace

void AppendPlacedText(std::string* out, const Finding& f, const Names& names) {
  size_t from = out->size();
  AppendPlace(out, f, names);
  AppendText(out, f, names);
  MaskControls(out, from);
}

void AppendFindingLines(std::string* out, std::span<const Finding> findings, const Names& names) {
  bool padding_said = false;
  for (const Finding& f : findings) {
    if (f.kind == FindingKind::kEndsInsideFrame && padding_said) continue;
    size_t from = out->size();
    out->append("vantorel: ");
    AppendPlace(out, f, names);
    if (f.kind == FindingKind::kEndsInsideFrame) {
      AppendFramePadding(out, findings);
      padding_said = true;
    } else {
      AppendText(out, f, names);
    }
    MaskControls(out, from);
    *out += '\n';
  }
}

std::string FindingLines(std::span<const Finding> findings, const Names& names) {
  std::string out;
  AppendFindingLines(&out, findings, names);
  return out;
}

}  // namespace vantorel
