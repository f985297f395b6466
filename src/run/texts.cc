#include "run/texts.h"

#include <cstring>

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
