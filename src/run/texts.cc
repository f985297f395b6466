#include "run/texts.h"

#include <cstdio>
#include <cstring>

#include "audio/wavprobe.h"

const char kUsageText[] =
    "Vantorel 1.0 by Quellbrand\n"
    "Enter your .wav file names in a track called tlist.txt\n"
    "Or, use a different list filename by entering it as\n"
    "the first command line argument.\n"
    "Optionally, add the name for the output .cue file as\n"
    "the second command line argument.\n"
    "To split a file into separate tracks, start a line with S\n"
    "followed by the start time.\n"
    "To add a pregap, start a line with P followed by the length\n";

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
  return Line("Only the first 128 lines of the track list are used");
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

std::string LengthReport(const TrackTable& table, int line_count, TotalTime total) {
  std::string out = "\nFile Lengths \t\t\tmin:sec:frames\n\n";
  int number = 0;
  for (int i = 0; i < line_count; ++i) {
    if (table.is_wav[i] != 1) continue;
    out += std::to_string(++number) + '\t';
    out += table.text[i];
    out += "\t\t" + std::to_string(table.minutes[i]) + ':' + std::to_string(table.seconds[i]) +
           ':' + std::to_string(table.cd_frames[i]) + '\n';
  }
  out += "\nTotal Time:  " + std::to_string(total.minutes) +
         " min : " + std::to_string(total.seconds) + " sec\n";
  return out;
}

std::string TooManyTracks() {
  return Line("Cue sheet has more than 99 tracks; a CD holds at most 99");
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
  return Line("vantorel 1.0");
}

namespace {

std::string Said(Where where, std::string_view severity, std::string_view text) {
  std::string at = "vantorel: ";
  if (where.line > 0) at.append(where.list) += ':' + std::to_string(where.line) + ": ";
  return Line(at, severity, text);
}

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
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                static_cast<unsigned long long>(frames / 75 / 60),
                static_cast<unsigned long long>(frames / 75 % 60),
                static_cast<unsigned long long>(frames % 75));
  return text;
}

}  // namespace

std::string Warning(Where where, std::string_view text) {
  return Said(where, "warning: ", text);
}

std::string Error(Where where, std::string_view text) {
  return Said(where, "error: ", text);
}

std::string ListNotUsed(std::string_view used, std::string_view named) {
  return "reading " + std::string(used) + ", not " + std::string(named) + ": a " +
         std::string(used) + " in the working directory always comes first; rename it to use " +
         std::string(named);
}

std::string ListIsWav(std::string_view list) {
  return std::string(list) +
         " starts with RIFF: it is a WAV file, not a track list; name the track list first";
}

std::string WavNotOpened(std::string_view path, int error) {
  return "cannot open " + Quoted(path) + ": " + std::strerror(error) +
         "; check the name, relative to the working directory";
}

std::string WavNotRead(std::string_view path, int error) {
  return "cannot read " + Quoted(path) + ": " + std::strerror(error);
}

std::string WavWithoutFormat(std::string_view path) {
  return Quoted(path) +
         " has no fmt block in its first 15000 bytes, so its length is probably wrong; "
         "convert it with sox";
}

std::string WavWithoutData(std::string_view path) {
  return Quoted(path) +
         " has no data block at an even position in its first 15000 bytes; convert it with sox";
}

std::string WavUnsupported(std::string_view path) {
  return Quoted(path) +
         " gives no channels, fewer than 8 bits a sample or a sample rate of 0; convert it with "
         "sox";
}

std::string NoSpaceAfterLetter(std::string_view line) {
  return Quoted(line) + " has no space after " + std::string(line.substr(0, 1)) +
         ", so its time reads as " + Quoted(line.substr(2)) + "; put a space after the letter";
}

std::string NotACueTime(std::string_view line) {
  return Quoted(line) +
         " does not give a time as minutes:seconds:frames (seconds below 60, frames below 75); "
         "write it as in \"" +
         std::string(line.substr(0, 1)) + " 03:15:00\"";
}

std::string SplitPastEnd(std::string_view line, std::string_view path, uint64_t file_frames) {
  return Quoted(line) + " starts at or past the end of " + Quoted(path) + " (" +
         CueTime(file_frames) + "); give a time inside the file";
}

std::string SplitNotLater(std::string_view line, uint64_t previous_frames) {
  return Quoted(line) + " does not start after the track before it (" + CueTime(previous_frames) +
         "); split times must rise within a file";
}

std::string TrackTooShort(std::string_view line, bool ends_it, bool split, uint64_t frames) {
  return std::string("the track ") + (ends_it ? "before " : "that ") + Quoted(line) +
         (ends_it ? "" : " starts") + " lasts " + CueTime(frames) +
         ", less than the 4 seconds a CD track must last" +
         (split ? "; move or remove a split" : "");
}

std::string PregapIgnored(std::string_view line) {
  return Quoted(line) +
         " is ignored: a pregap line counts only right after a WAV line or an S line";
}

std::string PregapWithoutLength(std::string_view line) {
  return Quoted(line) + " gives a pregap of no length, which cdrdao refuses; remove the line";
}

std::string MixedCaseWav(std::string_view line) {
  return Quoted(line) +
         " is not read as a WAV file: only .wav and .WAV count; rename the file to end in one";
}

std::string LowercaseLetter(std::string_view line) {
  bool split = line[0] == 's';
  return Quoted(line) + " is ignored: " + (split ? "split" : "pregap") +
         " lines start with a capital " + (split ? "S" : "P");
}

std::string QuoteInName(std::string_view path) {
  return Quoted(path) +
         " has a double quote in its name, which a cue sheet cannot hold; "
         "rename the file";
}

std::string NotCdAudio(std::string_view path, uint32_t format, uint32_t sub_format, uint32_t rate,
                       uint32_t bits, uint32_t channels) {
  auto kind_of = [](uint32_t code) {
    return code == 1   ? std::string("PCM")
           : code == 3 ? std::string("floating point")
                       : "format " + std::to_string(code);
  };
  std::string kind = format == kFormatExtensible ? kind_of(sub_format) + " in an extensible header"
                                                 : kind_of(format);
  std::string stem(path);
  if (stem.size() > 4 && (stem.ends_with(".wav") || stem.ends_with(".WAV"))) {
    stem.resize(stem.size() - 4);
  }
  return Quoted(path) + " is " + std::to_string(rate) + " Hz " + std::to_string(bits) + "-bit " +
         std::to_string(channels) + "-channel " + kind +
         ", not the 44100 Hz 16-bit 2-channel PCM of a CD; convert it: sox " + ShellWord(path) +
         " -r 44100 -b 16 -c 2 " + ShellWord(stem + "-cd.wav");
}

std::string ShortOfDeclared(std::string_view path, uint64_t declared_frames, uint64_t held_frames) {
  return Quoted(path) + " declares " + CueTime(declared_frames) + " of audio but holds " +
         CueTime(held_frames) +
         ": a recording cut short, a WAV streamed through a pipe, or a data tag matched inside "
         "another block; convert it with sox";
}

std::string NoAudio(std::string_view path) {
  return Quoted(path) + " holds no audio; leave it out of the list";
}

std::string DiscTooLong(uint64_t frames) {
  return "the disc lasts " + CueTime(frames) +
         " with its pregaps, more than the 79:59:74 a CD holds; split the list over two discs";
}

std::string NoWavFile(std::string_view list, std::string_view cue) {
  return std::string(list) + " names no WAV file, so " + std::string(cue) +
         " is empty; write one WAV file name a line";
}
