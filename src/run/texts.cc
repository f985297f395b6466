#include "run/texts.h"

#include <cstdio>
#include <cstring>

#include "audio/wavprobe.h"
#include "disc/cd.h"
#include "tracklist/track_table.h"

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
  return std::string(kUsageText) +
         "\n"
         "Usage: vantorel [--strict] [list [cuefile]]\n"
         "List:  one WAV file a line: a line holding .wav or .WAV is the file's name\n"
         "       S mm:ss:ff  a new track starts this far into the WAV file above\n"
         "       P mm:ss:ff  a pregap this long for the track opened on the line above\n"
         "       mm:ss:ff counts minutes, seconds and frames, " +
         std::to_string(cd::kFramesPerSecond) +
         " frames a second\n"
         "       any other line is ignored: start a note with #, never with S or P\n"
         "Exit:  0 written, 1 no list, 2 a WAV file cannot be used, 3 the cue file or the\n"
         "       report cannot be written, 4 written but warned of, with --strict\n"
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

std::string WavCannotOpen(std::string_view path) {
  return Line("Cannot find file in track list called ", path);
}

std::string WavCannotRead(std::string_view path, int error) {
  return Line("Cannot read file in track list called ", path, ": ", std::strerror(error));
}

std::string FormatChunkMissing() {
  return Line("Can't find format chunk in wave file!");
}

std::string DataBlockMissing() {
  return Line("Can't find data block in wave file!");
}

std::string FormatUnsupported(std::string_view path) {
  return Line("Unsupported format in wave file called ", path);
}

std::string LengthReport(const Disc& disc, TotalTime total) {
  std::string out = "\nFile Lengths \t\t\tmin:sec:frames\n\n";
  int number = 0;
  for (const DiscFile& file : disc.files) {
    const Length& length = file.wav.length;
    out += std::to_string(++number) + '\t';
    out += file.entry.text;
    out += "\t\t" + std::to_string(length.minutes) + ':' + std::to_string(length.seconds) + ':' +
           std::to_string(length.cd_frames) + '\n';
  }
  out += "\nTotal Time:  " + std::to_string(total.minutes) +
         " min : " + std::to_string(total.seconds) + " sec\n";
  return out;
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

std::string Quoted(std::string_view s) {
  return std::string("\"").append(s) += '"';
}

// A name as the shell takes it: bare when that is safe, in single quotes otherwise.
std::string ShellWord(std::string_view s) {
  constexpr std::string_view kSafe =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./+,:@%";
  // A name that starts with a dash would be taken for an option.
  std::string path = s.starts_with('-') ? "./" + std::string(s) : std::string(s);
  if (path.find_first_not_of(kSafe) == path.npos) return path;
  std::string word = "'";
  for (char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

// A length in CD frames as a cue sheet writes it, minutes:seconds:frames.
std::string CueTime(uint64_t frames) {
  char text[32];
  uint64_t seconds = frames / cd::kFramesPerSecond;
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60),
                static_cast<unsigned long long>(frames % cd::kFramesPerSecond));
  return text;
}

// The sox command that makes CD audio of the file from.
std::string SoxCommand(std::string_view from, std::string_view to) {
  return "sox " + ShellWord(from) + " -r " + std::to_string(cd::kRate) + " -b " +
         std::to_string(cd::kBits) + " -c " + std::to_string(cd::kChannels) + " " + ShellWord(to);
}

// "1 line", "2 lines".
std::string Counted(uint64_t n, std::string_view one, std::string_view many = "") {
  std::string text = std::to_string(n) + " ";
  if (n == 1) return text.append(one);
  return many.empty() ? text.append(one) + "s" : text.append(many);
}

std::string FormatName(uint32_t code) {
  return code == kFormatPcm ? std::string("PCM")
         : code == 3        ? std::string("floating point")
                            : "format " + std::to_string(code);
}

std::string AudioFormatText(uint32_t rate, uint32_t bits, uint32_t channels,
                            std::string_view kind) {
  return std::to_string(rate) + " Hz " + std::to_string(bits) + "-bit " + std::to_string(channels) +
         "-channel " + std::string(kind);
}

std::string NotCdAudio(std::string_view path, const AudioFormat& f) {
  std::string kind = f.code == kFormatExtensible
                         ? FormatName(f.sub_code) + " in an extensible header"
                         : FormatName(f.code);
  std::string stem(path);
  if (stem.size() > 4 && (stem.ends_with(".wav") || stem.ends_with(".WAV"))) {
    stem.resize(stem.size() - 4);
  }
  return Quoted(path) + " is " + AudioFormatText(f.rate, f.bits, f.channels, kind) + ", not the " +
         AudioFormatText(cd::kRate, cd::kBits, cd::kChannels, "PCM") +
         " of a CD; convert it: " + SoxCommand(path, stem + "-cd.wav");
}

std::string TrackTooShort(const Finding& f) {
  bool ends_it = f.kind == FindingKind::kTrackBeforeTooShort;
  return std::string("the track ") + (ends_it ? "before " : "that ") + Quoted(f.subject) +
         (ends_it ? "" : " starts") + " lasts " + CueTime(f.frames) + ", less than the " +
         std::to_string(cd::kShortestTrackSeconds) + " seconds a CD track must last" +
         (f.kind == FindingKind::kFileTooShort ? "" : "; move or remove a split");
}

// What a finding says, without its place.
std::string Text(const Finding& f, const Names& names) {
  std::string q = Quoted(f.subject);
  const std::string limit = std::to_string(kSearchLimit);
  switch (f.kind) {
    case FindingKind::kListNotUsed:
      return "reading " + std::string(names.list) + ", not " + std::string(f.subject) + ": a " +
             std::string(names.list) +
             " in the working directory always comes first; rename it to use " +
             std::string(f.subject);
    case FindingKind::kListIsWav:
      return std::string(names.list) +
             " starts with RIFF: it is a WAV file, not a track list; name the track list first, "
             "or make one of the WAV files here: ls *.wav > tlist.txt";
    case FindingKind::kNoWavFile:
      return std::string(names.list) + " names no WAV file, so " + std::string(names.cue) +
             " is empty; write one WAV file name a line";
    case FindingKind::kTooManyTracks:
      return "the cue sheet has " + std::to_string(f.count) + " tracks, more than the " +
             std::to_string(cd::kMaxTracks) +
             " a CD holds, which a burner refuses; split the list "
             "over two discs";
    case FindingKind::kDiscTooLong:
      return "the disc lasts " + CueTime(f.frames) + " with its pregaps, more than the " +
             CueTime(cd::kLongestDiscFrames) + " a CD holds; split the list over two discs";
    case FindingKind::kWavNotOpened:
      return "cannot open " + q + ": " + std::strerror(f.error) +
             "; check the name, relative to the working directory";
    case FindingKind::kWavNotRead:
      return "cannot read " + q + ": " + std::strerror(f.error);
    case FindingKind::kWavWithoutFormat:
      return q + " has no fmt block in its first " + limit +
             " bytes, so its length is probably wrong; convert it with sox";
    case FindingKind::kWavWithoutData:
      return q + " has no data block at an even position in its first " + limit +
             " bytes; convert it with sox";
    case FindingKind::kWavUnsupported:
      return q +
             " gives no channels, fewer than 8 bits a sample or a sample rate of 0; convert it "
             "with sox";
    case FindingKind::kQuoteInName:
      return q + " has a double quote in its name, which a cue sheet cannot hold; rename the file";
    case FindingKind::kNotCdAudio:
      return NotCdAudio(f.subject, f.format);
    case FindingKind::kShortOfDeclared:
      return q + " declares " + CueTime(f.frames) + " of audio but holds " +
             CueTime(f.other_frames) +
             ": a recording cut short, a WAV streamed through a pipe, or a data tag matched "
             "inside another block; convert it with sox";
    case FindingKind::kNoAudio:
      return q + " holds no audio; leave it out of the list";
    case FindingKind::kEndsInsideFrame:
      return q + " does not end on a whole CD frame of " + std::to_string(cd::kSamplesPerFrame) +
             " samples, so a burner adds " + std::to_string(f.count) +
             " samples of silence before " + Quoted(f.other) +
             "; to play on without a gap, join the files into one and split it with S lines";
    case FindingKind::kMixedCaseWav:
      return q +
             " is not read as a WAV file: only .wav and .WAV count; rename the file to end in "
             "one";
    case FindingKind::kNoSpaceAfterLetter:
      return q + " has no space after " + std::string(f.subject.substr(0, 1)) +
             ", so its time reads as " + Quoted(f.subject.substr(2)) +
             "; put a space after the letter";
    case FindingKind::kNotACueTime:
      return q +
             " does not give a time as minutes:seconds:frames (seconds below 60, frames below " +
             std::to_string(cd::kFramesPerSecond) + "); write it as in \"" +
             std::string(f.subject.substr(0, 1)) + " 03:15:00\"";
    case FindingKind::kSplitPastEnd:
      return q + " starts at or past the end of " + Quoted(f.other) + " (" + CueTime(f.frames) +
             "); give a time inside the file";
    case FindingKind::kSplitNotLater:
      return q + " does not start after the track before it (" + CueTime(f.frames) +
             "); split times must rise within a file";
    case FindingKind::kTrackBeforeTooShort:
    case FindingKind::kLastTrackTooShort:
    case FindingKind::kFileTooShort:
      return TrackTooShort(f);
    case FindingKind::kPregapIgnored:
      return q + " is ignored: a pregap line counts only right after a WAV line or an S line";
    case FindingKind::kPregapWithoutLength:
      return q + " gives a pregap of no length, which cdrdao refuses; remove the line";
    case FindingKind::kLowercaseLetter: {
      bool split = f.subject[0] == 's';
      return q + " is ignored: " + (split ? "split" : "pregap") + " lines start with a capital " +
             (split ? "S" : "P");
    }
    case FindingKind::kNoteReadAsLine: {
      bool split = f.subject[0] == 'S';
      return q + " is read as a " + (split ? "split" : "pregap") +
             " line because it starts with a capital " + (split ? "S" : "P") +
             "; start a note with another character, such as #";
    }
    case FindingKind::kOtherAudio: {
      std::string stem(f.subject.substr(0, f.subject.rfind('.')));
      return q +
             " is ignored: only lines containing .wav are taken as files; make a CD WAV of it: " +
             SoxCommand(f.subject, stem + ".wav");
    }
    case FindingKind::kFileNotWav:
      return q +
             " names a file but is ignored: only lines containing .wav are taken as files; if it "
             "is a WAV file, rename it to end in .wav";
    case FindingKind::kLinesUnused:
      return Counted(f.count, "line") + " from here on " + (f.count == 1 ? "is" : "are") +
             " not used, with " + Counted(f.wav_entries, "WAV entry", "WAV entries") + " and " +
             Counted(f.splits, "split line") + " among them: only the first " +
             std::to_string(kMaxLines) + " lines of a track list are read; split the list in two";
  }
  return q;
}

}  // namespace

std::string FindingLines(std::span<const Finding> findings, const Names& names) {
  std::string out;
  for (const Finding& f : findings) {
    out += "vantorel: ";
    if (f.line > 0) out.append(names.list) += ':' + std::to_string(f.line) + ": ";
    out += IsError(f.kind) ? "error: " : "warning: ";
    out += Text(f, names);
    out += '\n';
  }
  return out;
}
