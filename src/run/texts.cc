#include "run/texts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <initializer_list>

#include "audio/wavprobe.h"
#include "cd.h"
#include "disc/checks.h"
#include "run/run.h"
#include "tracklist/track_table.h"
#include "tracklist/tracklist.h"

namespace vantorel {

// The version is the project's, as the build gives it.
const char kUsageText[] = "Vantorel " VANTOREL_VERSION
                          " by Quellbrand\n"
                          "Enter your .wav file names in a track called tlist.txt\n"
                          "Or, use a different list filename by entering it as\n"
                          "the first command line argument.\n"
                          "Optionally, add the name for the output .cue file as\n"
                          "the second command line argument.\n"
                          "To split a file into separate tracks, start a line with S\n"
                          "followed by the start time.\n"
                          "To add a pregap, start a line with P followed by the length\n";

std::string HelpText() {
  auto status = [](int code, std::string_view meaning) {
    return "  " + std::to_string(code) + "  " + std::string(meaning) + "\n";
  };
  return "Usage: vantorel [--strict] [--tracks] [list [cuefile]]\n"
         "       vantorel --help | -h | --version\n"
         "\n"
         "Print the length of every WAV file a track list names, and the total time, and\n"
         "write a CD cue sheet of them that cdrdao takes as it is. The list is tlist.txt\n"
         "in the working directory when that can be opened, else the first argument; the\n"
         "cue file is the second argument when exactly two are given, else output.cue.\n"
         "\n"
         "Options (--strict and --tracks come first, in either order):\n"
         "  --strict    end with status " +
         std::to_string(kExitWarned) +
         " when a warning was given\n"
         "  --tracks    after the lengths, list every track: where it starts in its\n"
         "              file and on the disc, its pregap and its length; then the\n"
         "              disc's length, pregaps included\n"
         "  -h, --help  print this help and exit\n"
         "  --version   print the version and exit\n"
         "\n"
         "The track list, one entry a line:\n"
         "  the first line, and every line holding .wav or .WAV, is a WAV file's name\n"
         "  S mm:ss:ff  a new track starts this far into the WAV file above\n"
         "  P mm:ss:ff  a pregap this long for the track opened on the line above\n"
         "  any other line is ignored: start a note with #, never with S or P\n"
         "mm:ss:ff counts minutes, seconds and frames, " +
         std::to_string(cd::kFramesPerSecond) +
         " frames a second. For example:\n"
         "  live-set.wav\n"
         "  S 00:05:00\n"
         "  encore.wav\n"
         "  P 00:02:00\n"
         "\n"
         "Exit status:\n" +
         status(kExitDone, "the report was printed and the cue file written") +
         status(kExitNoList, "no list to read, or the list cannot be read or is too large") +
         status(kExitBadWav, "a WAV file of the list cannot be used") +
         status(kExitNoOutput, "the cue file or the report cannot be written") +
         status(kExitWarned, "with --strict: all was written, but a warning was given") +
         "\n"
         "See vantorel(1).\n";
}

namespace {

std::string Line(std::string_view a, std::string_view b = "", std::string_view c = "",
                 std::string_view d = "") {
  std::string line;
  line.reserve(a.size() + b.size() + c.size() + d.size() + 1);
  line.append(a).append(b).append(c).append(d) += '\n';
  return line;
}

// Appends the pieces in order.
void Append(std::string* out, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) out->append(piece);
}

template <typename Integer>
std::string Number(Integer n) {
  return std::to_string(n);
}

}  // namespace

std::string ListCannotOpen(std::string_view name, int error) {
  return Line("Cannot open track list called ", name, ": ", std::strerror(error));
}

std::string ListTooLarge(std::string_view name) {
  return Line("Track list called ", name, " is too large");
}

std::string LinesDropped() {
  return Line("Only the first ", std::to_string(kMaxLines), " lines of the track list are used");
}

void AppendProbeMessage(std::string* out, const Finding& f) {
  switch (f.kind) {
    case FindingKind::kWavNotOpened:
      Append(out, {"Cannot find file in track list called ", f.subject, "\n"});
      return;
    case FindingKind::kWavNotRead:
      Append(out, {"Cannot read file in track list called ", f.subject, ": ",
                   std::strerror(f.error), "\n"});
      return;
    case FindingKind::kWavWithoutFormat:
      out->append("Can't find format chunk in wave file!\n");
      return;
    case FindingKind::kWavWithoutData:
      out->append("Can't find data block in wave file!\n");
      return;
    case FindingKind::kWavUnsupported:
      Append(out, {"Unsupported format in wave file called ", f.subject, "\n"});
      return;
    default:
      return;
  }
}

namespace {

constexpr std::string_view kReportHeader = "\nFile Lengths \t\t\tmin:sec:frames\n\n";

}  // namespace

size_t LengthReportRoom(const Disc& disc) {
  size_t room = kReportHeader.size() + 64;
  for (const DiscFile& file : disc.files) room += file.entry.text.size() + 48;
  return room;
}

void AppendLengthReport(std::string* out, const Disc& disc, TotalTime total) {
  // Room for every line, so that the report is written into one buffer.
  out->reserve(out->size() + LengthReportRoom(disc));
  out->append(kReportHeader);
  int number = 0;
  for (const DiscFile& file : disc.files) {
    const Length& length = file.wav.length;
    Append(out, {Number(++number), "\t", file.entry.text, "\t\t", Number(length.minutes), ":",
                 Number(length.seconds), ":", Number(length.cd_frames), "\n"});
  }
  Append(out,
         {"\nTotal Time:  ", Number(total.minutes), " min : ", Number(total.seconds), " sec\n"});
}

std::string TooManyTracks() {
  std::string most = std::to_string(cd::kMaxTracks);
  return Line("Cue sheet has more than ", most, " tracks; a CD holds at most ", most);
}

std::string CueCannotWrite(std::string_view name, const CueFileWrite& write) {
  const char* why = std::strerror(write.error);
  if (write.refused == Guard::kTrackList) why = "it is the track list";
  if (write.refused == Guard::kWavFile) why = "it is a WAV file of the list";
  return Line("Cannot write cue file called ", name, ": ", why);
}

std::string CueWritten(std::string_view name) {
  return Line("\nWrote cue file called ", name);
}

std::string StdoutFailed(int error) {
  return Line("vantorel: cannot write to standard output: ", std::strerror(error));
}

std::string VersionLine() {
  return Line("vantorel " VANTOREL_VERSION);
}

namespace {

void AppendQuoted(std::string* out, std::string_view s) {
  Append(out, {"\"", s, "\""});
}

// Whether the shell takes every byte of s as itself, so that s needs no quotes.
bool IsShellSafe(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-_./+,:@%").find(c) != std::string_view::npos;
  });
}

// A name as the shell takes it, the name being name followed by suffix: bare when that is safe,
// in single quotes otherwise.
void AppendShellWord(std::string* out, std::string_view name, std::string_view suffix = "") {
  // A name that starts with a dash would be taken for an option.
  std::string_view dot_slash = (name.empty() ? suffix : name).starts_with('-') ? "./" : "";
  if (IsShellSafe(name) && IsShellSafe(suffix)) {
    Append(out, {dot_slash, name, suffix});
    return;
  }
  Append(out, {"'", dot_slash});
  for (std::string_view part : {name, suffix}) {
    // A single quote ends the quoted text, stands escaped and opens it again.
    for (size_t quote; (quote = part.find('\'')) != part.npos; part.remove_prefix(quote + 1)) {
      Append(out, {part.substr(0, quote), "'\\''"});
    }
    out->append(part);
  }
  out->push_back('\'');
}

// A length in CD frames as a cue sheet writes it, minutes:seconds:frames, each of at least two
// digits.
std::string CueTime(uint64_t frames) {
  uint64_t seconds = frames / cd::kFramesPerSecond;
  std::string time;
  for (uint64_t field : {seconds / 60, seconds % 60, frames % cd::kFramesPerSecond}) {
    if (!time.empty()) time += ':';
    if (field < 10) time += '0';
    time += std::to_string(field);
  }
  return time;
}

// What the name of a CD WAV made of another file ends in, after the other file's stem. The new
// file's name is not the stem's plain WAV name, which may already be taken by a file of the list.
constexpr std::string_view kCdWavSuffix = "-cd.wav";

// The line to write in the list in place of a file's, once a CD WAV is made of it, before the
// command that makes it.
void AppendCdWavLine(std::string* out, std::string_view stem) {
  Append(out, {" and write the line as \"", stem, kCdWavSuffix, "\": "});
}

// The sox command that makes CD audio of the file from, into the file named to and to_suffix.
void AppendSoxCommand(std::string* out, std::string_view from, std::string_view to,
                      std::string_view to_suffix) {
  out->append("sox ");
  AppendShellWord(out, from);
  Append(out, {" -r ", Number(cd::kRate), " -b ", Number(cd::kBits), " -c ", Number(cd::kChannels),
               " "});
  AppendShellWord(out, to, to_suffix);
}

// The ffmpeg command that makes CD audio of the file from, into the file named stem-cd.wav.
void AppendFfmpegCommand(std::string* out, std::string_view from, std::string_view stem) {
  out->append("ffmpeg -i ");
  AppendShellWord(out, from);
  Append(out, {" -ar ", Number(cd::kRate), " -ac ", Number(cd::kChannels), " -sample_fmt s",
               Number(cd::kBits), " "});
  AppendShellWord(out, stem, kCdWavSuffix);
}

// The command that makes CD audio of an audio file of another kind: sox for the kinds Debian's
// sox reads, ffmpeg for the others.
void AppendConvertCommand(std::string* out, std::string_view from, std::string_view stem) {
  if (OtherAudioOf(from) != Converter::kFfmpeg) {
    AppendSoxCommand(out, from, stem, kCdWavSuffix);
    return;
  }
  AppendFfmpegCommand(out, from, stem);
}

// A WAV file's name without its .wav or .WAV, for the name of a CD WAV file made of it.
std::string_view WavStem(std::string_view path) {
  if (path.size() > 4 && (path.ends_with(".wav") || path.ends_with(".WAV"))) path.remove_suffix(4);
  return path;
}

// A compressed format that the header names, one that cdrdao cannot burn and the probe cannot
// measure: any but integer PCM, floating point and the extensible chunk, where the header gives
// channels and a rate. Sox decodes some of them; ffmpeg, the others.
bool IsCompressed(const AudioFormat& f) {
  return f.code != kFormatPcm && f.code != kFormatFloat && f.code != kFormatExtensible &&
         f.channels != 0 && f.rate != 0;
}

const char* SoxDecoded(uint32_t code) {
  switch (code) {
    case 0x0002:
      return "Microsoft ADPCM";
    case 0x0011:
      return "IMA ADPCM";
    case 0x0031:
      return "GSM 6.10";
    default:
      return nullptr;
  }
}

void AppendCompressed(std::string* out, std::string_view path, const AudioFormat& f) {
  const char* name = SoxDecoded(f.code);
  AppendQuoted(out, path);
  out->append(" holds ");
  if (name != nullptr) {
    Append(out, {name, " audio"});
  } else {
    Append(out, {"audio compressed in format ", Number(f.code)});
  }
  out->append(", which cdrdao cannot burn; decode it to CD audio");
  AppendCdWavLine(out, WavStem(path));
  if (name != nullptr) {
    AppendSoxCommand(out, path, WavStem(path), kCdWavSuffix);
  } else {
    AppendFfmpegCommand(out, path, WavStem(path));
  }
}

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

void AppendFormatName(std::string* out, uint32_t code) {
  if (code == kFormatPcm) {
    out->append("PCM");
  } else if (code == kFormatFloat) {
    out->append("floating point");
  } else {
    Append(out, {"format ", Number(code)});
  }
}

void AppendAudioFormat(std::string* out, uint32_t rate, uint32_t bits, uint32_t channels) {
  Append(out, {Number(rate), " Hz ", Number(bits), "-bit ", Number(channels), "-channel "});
}

void AppendNotCdAudio(std::string* out, std::string_view path, const AudioFormat& f) {
  AppendQuoted(out, path);
  out->append(" is ");
  AppendAudioFormat(out, f.rate, f.bits, f.channels);
  if (f.code == kFormatExtensible) {
    AppendFormatName(out, f.sub_code);
    out->append(" in an extensible header");
  } else {
    AppendFormatName(out, f.code);
  }
  out->append(", not the ");
  AppendAudioFormat(out, cd::kRate, cd::kBits, cd::kChannels);
  out->append("PCM of a CD; convert it");
  AppendCdWavLine(out, WavStem(path));
  AppendSoxCommand(out, path, WavStem(path), kCdWavSuffix);
}

void AppendTrackTooShort(std::string* out, const Finding& f) {
  bool ends_it = f.kind == FindingKind::kTrackBeforeTooShort;
  Append(out, {"the track ", ends_it ? "before \"" : "that \"", f.subject,
               ends_it ? "\"" : "\" starts", " lasts ", CueTime(f.frames), ", less than the ",
               Number(cd::kShortestTrackSeconds), " seconds a CD track must last",
               f.kind == FindingKind::kFileTooShort ? "" : "; move or remove a split"});
}

// The silence a burner pads a file's last frame with, and the two ways to go without it: join the
// files where the recording goes on, or pad the file to a whole frame.
void AppendEndsInsideFrame(std::string* out, const Finding& f) {
  std::string_view s = f.subject;
  Append(out, {"\"", s, "\" does not end on a whole CD frame of ", Number(cd::kSamplesPerFrame),
               " samples, so a burner adds ", Number(f.count), " samples of silence before \"",
               f.other, "\", which does no harm between songs; "});
  if (f.joinable) {
    // The joined file is named after both, in the first one's directory.
    std::string_view next = WavStem(f.other);
    next.remove_prefix(next.rfind('/') + 1);
    std::string joined = std::string(WavStem(s)) + "+" + std::string(next) + ".wav";
    Append(out, {"where the recording goes on, join them and write \"", joined, "\" in place of \"",
                 s, "\" and \"S ", CueTime(f.frames), "\" in place of \"", f.other, "\": sox "});
    AppendShellWord(out, s);
    out->push_back(' ');
    AppendShellWord(out, f.other);
    out->push_back(' ');
    AppendShellWord(out, joined);
    out->append("; or, ");
  }
  Append(out, {"to end it on a whole frame, write the line as \"", WavStem(s), kCdWavSuffix,
               "\": sox "});
  AppendShellWord(out, s);
  out->push_back(' ');
  AppendShellWord(out, WavStem(s), kCdWavSuffix);
  Append(out, {" pad 0 ", Number(f.count), "s"});
}

// The findings of the run as a whole.
void AppendRunText(std::string* out, const Finding& f, const Names& names) {
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
    case FindingKind::kWrittenWithoutLock:
      Append(out, {"\"", s,
                   "\" was written without its lock, which another program held for too long; if "
                   "that program writes it too, run vantorel again once it is done"});
      return;
    case FindingKind::kTooManyTracks:
      Append(out, {"the cue sheet has ", Number(f.count), " tracks, more than the ",
                   Number(cd::kMaxTracks),
                   " a CD holds, which a burner refuses; split the list over two discs"});
      return;
    case FindingKind::kDiscTooLong:
      Append(out, {"the disc lasts ", CueTime(f.frames), " with its pregaps, more than the ",
                   CueTime(cd::kLongestDiscFrames), " a CD holds; split the list over two discs"});
      return;
    default:
      return;
  }
}

// The findings of a WAV file that cannot be used, or used only in part.
void AppendUnusableWavText(std::string* out, const Finding& f) {
  std::string_view s = f.subject;
  switch (f.kind) {
    case FindingKind::kWavNotOpened:
      Append(out, {"cannot open \"", s, "\": ", std::strerror(f.error),
                   "; check the name, relative to the working directory"});
      if (!f.other.empty()) {
        std::string_view blanks = s.substr(f.other.size());
        std::string_view blank = blanks.find('\t') == blanks.npos  ? "space"
                                 : blanks.find(' ') == blanks.npos ? "tab"
                                                                   : "blank";
        out->append("; the name ends in ");
        AppendCounted(out, blanks.size(), blank);
        Append(out, {" that the file's name lacks: write the line as \"", f.other, "\""});
      } else if (!ContainsWavAnyCase(s)) {
        // A title or a note written first, as they go in other lists: only the list's first
        // entry, on whatever line it stands after blank ones, is a WAV file's name without .wav.
        out->append("; the first line is always a WAV file's name: ");
        if (s.starts_with('#')) {
          out->append("move this note to the end of the list");
        } else {
          Append(out, {"if it is a note, move it to the end of the list as \"# ", s, "\""});
        }
      }
      return;
    case FindingKind::kWavNotRead:
      Append(out, {"cannot read \"", s, "\": ", std::strerror(f.error)});
      return;
    case FindingKind::kWavWithoutFormat:
      Append(out, {"\"", s, "\" has no fmt block in its first ", Number(kSearchLimit),
                   " bytes, so its length is probably wrong; convert it with sox"});
      return;
    case FindingKind::kWavWithoutData:
      // Audio of another kind named first, where any name is taken for a WAV file's.
      if (OtherAudioOf(s)) {
        Append(out, {"\"", s, "\" is not a WAV file; make a CD WAV of it"});
        AppendCdWavLine(out, s.substr(0, s.rfind('.')));
        AppendConvertCommand(out, s, s.substr(0, s.rfind('.')));
        return;
      }
      Append(out, {"\"", s, "\" has no data block at an even position in its first ",
                   Number(kSearchLimit), " bytes; convert it with sox"});
      return;
    case FindingKind::kWavUnsupported:
      if (IsCompressed(f.format)) {
        AppendCompressed(out, s, f.format);
        return;
      }
      Append(out, {"\"", s,
                   "\" gives no channels, fewer than 8 bits a sample or a sample rate of 0; "
                   "convert it with sox"});
      return;
    default:
      return;
  }
}

// The findings of a WAV file that a burner would refuse or misread.
void AppendWavFileText(std::string* out, const Finding& f) {
  std::string_view s = f.subject;
  switch (f.kind) {
    case FindingKind::kQuoteInName:
      Append(out, {"\"", s,
                   "\" has a double quote in its name, which a cue sheet cannot hold; rename the "
                   "file"});
      return;
    case FindingKind::kRf64:
      Append(out, {"\"", s, "\" is an RF64 file, which cdrdao does not read; rewrite it as a WAV"});
      AppendCdWavLine(out, WavStem(s));
      AppendSoxCommand(out, s, WavStem(s), kCdWavSuffix);
      return;
    case FindingKind::kNotCdAudio:
      AppendNotCdAudio(out, s, f.format);
      return;
    case FindingKind::kShortOfDeclared:
      Append(out, {"\"", s, "\" declares ", CueTime(f.frames), " of audio but holds ",
                   CueTime(f.other_frames),
                   ": a recording cut short, or a WAV written through a pipe; the report, the "
                   "checks and a burner take what it holds; give it a header that agrees"});
      AppendCdWavLine(out, WavStem(s));
      AppendSoxCommand(out, s, WavStem(s), kCdWavSuffix);
      return;
    case FindingKind::kNoAudio:
      Append(out, {"\"", s, "\" holds no audio; leave it out of the list"});
      return;
    case FindingKind::kSizeNotFilledIn:
      Append(out, {"\"", s, "\" declares no audio, yet ", CueTime(f.frames),
                   " of it follows its header: the program that wrote it could not go back to "
                   "fill in the size, as when it writes to a pipe; cdrdao refuses such a file and "
                   "sox reads it as empty; rewrite it with its audio"});
      AppendCdWavLine(out, WavStem(s));
      AppendFfmpegCommand(out, s, WavStem(s));
      return;
    case FindingKind::kEndsInsideFrame:
      AppendEndsInsideFrame(out, f);
      return;
    default:
      return;
  }
}

// The findings of a split or pregap line: its time, and the track it starts.
void AppendTimeLineText(std::string* out, const Finding& f) {
  std::string_view s = f.subject;
  switch (f.kind) {
    case FindingKind::kNoSpaceAfterLetter:
      Append(out, {"\"", s, "\" has no space after ", s.substr(0, 1), ", so its time reads as \"",
                   s.substr(2), "\"; put a space after the letter"});
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
                   " frames a second; write the line as \"", s.substr(0, 1), " ", CueTime(f.frames),
                   "\""});
      return;
    case FindingKind::kTimeWithoutFrames:
      Append(out, {"\"", s,
                   "\" gives two numbers, which cdrdao reads as seconds:frames; write the line "
                   "as \"",
                   s.substr(0, 1), " ", CueTime(f.frames), "\" for minutes:seconds, or as \"",
                   s.substr(0, 1), " ", CueTime(f.other_frames), "\" for seconds:frames"});
      return;
    case FindingKind::kSplitPastEnd:
      Append(out, {"\"", s, "\" starts at or past the end of \"", f.other, "\" (",
                   CueTime(f.frames), "); give a time inside the file"});
      return;
    case FindingKind::kSplitNotLater:
      Append(out, {"\"", s, "\" does not start after the track before it (", CueTime(f.frames),
                   "); split times must rise within a file"});
      return;
    case FindingKind::kTrackBeforeTooShort:
    case FindingKind::kLastTrackTooShort:
    case FindingKind::kFileTooShort:
      AppendTrackTooShort(out, f);
      return;
    case FindingKind::kPregapIgnored:
      Append(out, {"\"", s,
                   "\" is ignored: a pregap line counts only right after a WAV line or an S "
                   "line"});
      return;
    case FindingKind::kPregapWithoutLength:
      Append(out,
             {"\"", s, "\" gives a pregap of no length, which cdrdao refuses; remove the line"});
      return;
    default:
      return;
  }
}

// The findings of a line taken as neither a WAV file, a split nor a pregap, and of the lines past
// the limit.
void AppendIgnoredLineText(std::string* out, const Finding& f) {
  std::string_view s = f.subject;
  switch (f.kind) {
    case FindingKind::kMixedCaseWav:
      Append(out, {"\"", s, "\" is not read as a WAV file: only .wav and .WAV count; "});
      if (f.other.empty()) {
        Append(out, {"if it is a note, write it as \"# ", s, "\""});
      } else if (f.other != s) {
        Append(out, {"write the line as \"", s.substr(0, s.size() - 4), f.other, "\""});
      } else {
        Append(out, {"rename the file and write the line as \"", s.substr(0, s.size() - 4),
                     ".wav\": mv "});
        AppendShellWord(out, s);
        out->push_back(' ');
        AppendShellWord(out, s.substr(0, s.size() - 4), ".wav");
      }
      return;
    case FindingKind::kLowercaseLetter: {
      bool split = s[0] == 's';
      Append(out, {"\"", s, "\" is ignored: ", split ? "split" : "pregap",
                   " lines start with a capital ", split ? "S" : "P"});
      return;
    }
    case FindingKind::kNoteReadAsLine: {
      bool split = s[0] == 'S';
      Append(out, {"\"", s, "\" is read as a ", split ? "split" : "pregap",
                   " line because it starts with a capital ", split ? "S" : "P",
                   "; start a note with another character, such as #"});
      return;
    }
    case FindingKind::kOtherAudio:
      Append(out, {"\"", s,
                   "\" is ignored: only lines containing .wav are taken as files; make a CD WAV "
                   "of it"});
      AppendCdWavLine(out, s.substr(0, s.rfind('.')));
      AppendConvertCommand(out, s, s.substr(0, s.rfind('.')));
      return;
    case FindingKind::kOtherAudioNotFound:
      Append(out, {"\"", s,
                   "\" is ignored: only lines containing .wav are taken as files, and no file of "
                   "that name is here to make a CD WAV of"});
      return;
    case FindingKind::kWavWithoutExt:
      Append(out, {"\"", s,
                   "\" is ignored: only lines containing .wav are taken as files; write it as \"",
                   s, ".wav\""});
      return;
    case FindingKind::kFileNotWav:
      Append(out, {"\"", s,
                   "\" names a file but is ignored: only lines containing .wav are taken as "
                   "files; if it is a WAV file, rename it to end in .wav"});
      return;
    case FindingKind::kLinesUnused:
      AppendCounted(out, f.count, "line");
      Append(out, {" from here on ", f.count == 1 ? "is" : "are", " not used, with "});
      AppendCounted(out, f.wav_entries, "WAV entry", "WAV entries");
      out->append(", ");
      AppendCounted(out, f.splits, "split line");
      out->append(" and ");
      AppendCounted(out, f.pregaps, "pregap line");
      Append(out, {" among them: only the first ", Number(kMaxLines),
                   " lines of a track list are read; split the list in two"});
      return;
    default:
      return;
  }
}

// What a finding says, without its place, as the function for its family words it.
void AppendText(std::string* out, const Finding& f, const Names& names) {
  switch (f.kind) {
    case FindingKind::kListNotUsed:
    case FindingKind::kListIsWav:
    case FindingKind::kNoWavFile:
    case FindingKind::kWrittenWithoutLock:
    case FindingKind::kTooManyTracks:
    case FindingKind::kDiscTooLong:
      AppendRunText(out, f, names);
      return;
    case FindingKind::kWavNotOpened:
    case FindingKind::kWavNotRead:
    case FindingKind::kWavWithoutFormat:
    case FindingKind::kWavWithoutData:
    case FindingKind::kWavUnsupported:
      AppendUnusableWavText(out, f);
      return;
    case FindingKind::kQuoteInName:
    case FindingKind::kRf64:
    case FindingKind::kNotCdAudio:
    case FindingKind::kShortOfDeclared:
    case FindingKind::kNoAudio:
    case FindingKind::kSizeNotFilledIn:
    case FindingKind::kEndsInsideFrame:
      AppendWavFileText(out, f);
      return;
    case FindingKind::kNoSpaceAfterLetter:
    case FindingKind::kNotACueTime:
    case FindingKind::kEditorTime:
    case FindingKind::kTimeWithoutFrames:
    case FindingKind::kSplitPastEnd:
    case FindingKind::kSplitNotLater:
    case FindingKind::kTrackBeforeTooShort:
    case FindingKind::kLastTrackTooShort:
    case FindingKind::kFileTooShort:
    case FindingKind::kPregapIgnored:
    case FindingKind::kPregapWithoutLength:
      AppendTimeLineText(out, f);
      return;
    case FindingKind::kMixedCaseWav:
    case FindingKind::kLowercaseLetter:
    case FindingKind::kNoteReadAsLine:
    case FindingKind::kOtherAudio:
    case FindingKind::kOtherAudioNotFound:
    case FindingKind::kWavWithoutExt:
    case FindingKind::kFileNotWav:
    case FindingKind::kLinesUnused:
      AppendIgnoredLineText(out, f);
      return;
  }
}

}  // namespace

void AppendFindingLines(std::string* out, std::span<const Finding> findings, const Names& names) {
  // Room for the usual line, so that the lines are written into one buffer.
  out->reserve(out->size() + findings.size() * (names.list.size() + 256));
  for (const Finding& f : findings) {
    out->append("vantorel: ");
    if (f.line > 0) Append(out, {names.list, ":", Number(f.line), ": "});
    out->append(IsError(f.kind) ? "error: " : IsNote(f.kind) ? "note: " : "warning: ");
    AppendText(out, f, names);
    *out += '\n';
  }
}

std::string FindingLines(std::span<const Finding> findings, const Names& names) {
  std::string out;
  AppendFindingLines(&out, findings, names);
  return out;
}

std::string CueNotRemoved(std::string_view name, int error) {
  return Line("vantorel: cannot remove \"", name,
              "\", which this run made and could not write: ", std::strerror(error));
}

namespace {

// The track view's columns: the track's number, set right, and four times, each with room for
// its heading, then the file. Two spaces stand between columns.
constexpr std::string_view kTrackViewHeader =
    "\nTrack  Starts in file  Starts on disc  Pregap    Length    File\n";
constexpr size_t kNumberWidth = 5;
constexpr size_t kTimeWidths[] = {14, 14, 8, 8};

// Appends a time, or ? where it is not known, and the spaces to the next column.
void AppendViewTime(std::string* out, std::optional<uint64_t> frames, size_t width, bool* unknown) {
  size_t from = out->size();
  if (frames) {
    out->append(CueTime(*frames));
  } else {
    out->push_back('?');
    *unknown = true;
  }
  size_t used = out->size() - from;
  out->append(std::max(used, width) - used + 2, ' ');
}

}  // namespace

void AppendTrackView(std::string* out, const Disc& disc, const DiscLayout& layout) {
  out->append(kTrackViewHeader);
  bool unknown = false;
  for (const DiscFile& file : disc.files) {
    for (size_t t = file.first_track; t < file.first_track + file.track_count; ++t) {
      const TrackPlace& place = layout.tracks[t];
      auto number = Number(t + 1);
      std::string_view digits = number;
      // A list has at most kMaxLines tracks, whose numbers fit the column.
      out->append(kNumberWidth - digits.size(), ' ');
      Append(out, {digits, "  "});
      size_t column = 0;
      for (std::optional<uint64_t> time :
           {place.in_file, place.on_disc, place.pregap, place.length}) {
        AppendViewTime(out, time, kTimeWidths[column++], &unknown);
      }
      Append(out, {file.entry.text, "\n"});
    }
  }
  out->append("\nDisc length: ");
  if (layout.frames) {
    out->append(CueTime(*layout.frames));
  } else {
    out->push_back('?');
  }
  out->push_back('\n');
  if (unknown) {
    out->append(
        "? marks what a time that cannot be read, or a split out of place, leaves unknown; the "
        "warnings name the line\n");
  }
}

}  // namespace vantorel
