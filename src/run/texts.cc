#include "run/texts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <initializer_list>

#include "audio/wavprobe.h"
#include "cd.h"
#include "run/finding_text.h"
#include "run/remedies.h"
#include "run/run.h"
#include "run/words.h"

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
  return "Usage: vantorel [--strict] [--tracks] [--script] [list [cuefile]]\n"
         "       vantorel --help | -h | --version\n"
         "\n"
         "Print the length of every WAV file a track list names, and the total time, and\n"
         "write a CD cue sheet of them that cdrdao takes as it is. The list is tlist.txt\n"
         "in the working directory when that can be opened, else the first argument; the\n"
         "cue file is the second argument when exactly two are given, else output.cue.\n"
         "\n"
         "Options, anywhere among the arguments before a -- that ends them:\n"
         "  --strict    end with status " +
         std::to_string(kExitWarned) +
         " when a warning was given\n"
         "  --tracks    after the lengths, show where every track lies on the disc\n"
         "  --script    in place of the report, print a sh script that does every fix\n"
         "              the warnings give and rewrites the list; no cue file is written\n"
         "  -h, --help, --version  print this help, or the version, and exit\n"
         "The whole job: vantorel --script > fix.sh && sh fix.sh && vantorel --strict\n"
         "\n"
         "The track list, one entry a line:\n"
         "  the first line, and every line holding .wav or .WAV, names a WAV file\n"
         "  S mm:ss:ff [title]  a new track this far into the WAV file above\n"
         "  P mm:ss:ff          a pregap this long for the track opened just above\n"
         "  G mm:ss:ff          that track's gap: this much of the file's audio before it\n"
         "  ISRC code, FLAGS DCP 4CH PRE  the track's; CATALOG number  the disc's\n"
         "  TITLE text, PERFORMER text, DISC TITLE text, DISC PERFORMER text\n"
         "                      the title and performer of the track above, or the disc's\n"
         "  any other line is ignored: start a note with #, never with S, P or G\n"
         "mm:ss:ff is minutes, seconds and frames, " +
         std::to_string(cd::kFramesPerSecond) +
         " frames a second. A pasted\n"
         "tracklist's [04:32] Title, 04:32 Title or 1. Title (4:32) is a split as meant;\n"
         "times that read two ways (S 17:02, S 01:13:10) are read the one way that holds.\n"
         "The warnings give the lines to write. Titles go on the disc as CD-TEXT in ASCII,\n"
         "at most 80 characters; a track without a performer takes the disc's.\n"
         "For example:\n"
         "  live-set.wav\n"
         "  TITLE Opening\n"
         "  S 00:05:00 Second Song\n"
         "  encore.wav\n"
         "  TITLE Encore\n"
         "  P 00:02:00\n"
         "  DISC TITLE Live at the Mill\n"
         "  DISC PERFORMER The Night Owls\n"
         "\n"
         "A ripper's cue sheet (named .cue, or text that starts as one), an .m3u or .m3u8\n"
         "playlist, or a list of one FLAC file that holds a cue sheet is an album: a plain\n"
         "run writes no cue file, and --script makes its track list of CD WAV files:\n"
         "  vantorel --script album.cue > fix.sh && sh fix.sh && vantorel --strict\n"
         "\n"
         "cdrdao burns the titles only when told to:\n"
         "  cdrdao write --driver generic-mmc:0x10 output.cue\n"
         "\n"
         "Exit status:\n" +
         status(kExitDone, "the report was printed and the cue file written, or the script") +
         status(kExitNoList,
                "no list to read, the list cannot be read or is too large, or it is\n"
                "     a cue sheet or a playlist, whose findings and next step were said") +
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
  line.append(a).append(b).append(c).append(d) += '\n';
  return line;
}

}  // namespace

std::string ListCannotOpen(std::string_view name, int error) {
  return Line("Cannot open track list called ", name, ": ", std::strerror(error));
}

std::string UnknownOption(std::string_view arg) {
  std::string line = "vantorel: unknown option \"" + std::string(arg) +
                     "\"; the options are --strict, --tracks, --script, --help and --version; "
                     "name a file whose name starts with - as ./" +
                     std::string(arg);
  MaskControls(&line, 0);
  return line + "\n";
}

std::string ListTooLarge(std::string_view name) {
  return Line("Track list called ", name, " is too large");
}

namespace {

// A name as a shell command takes it: as it is where it holds nothing the shell reads otherwise,
// else in single quotes after ./ where it does not start at the root.
std::string ShellWord(std::string_view name) {
  const bool plain =
      !name.empty() && name[0] != '-' &&
      name.find_first_not_of(
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._/+-") == name.npos;
  if (plain) return std::string(name);
  std::string word;
  AppendPathWord(&word, name);
  return word;
}

}  // namespace

std::string AlbumIsNoList(std::string_view name, ListForm form, bool usable) {
  std::string said =
      std::string(name) + (form == ListForm::kPlaylist ? " is a playlist" : " is a cue sheet") +
      ", not a track list, and no cue file is written; " +
      (usable ? "this" : "once its errors are mended, this") + " makes its track list:";
  std::string command = "  vantorel --script " + ShellWord(name) + " > fix.sh && sh fix.sh";
  MaskControls(&said, 0);
  MaskControls(&command, 0);
  return said + "\n" + command + "\n";
}

std::string FlacHoldsCueSheet(std::string_view list, const ListLine& line) {
  std::string said = "vantorel: " + std::string(list) + ":" + Number(line.number) + ": note: \"" +
                     std::string(line.text) +
                     "\" holds the cue sheet of its album; vantorel --script makes its tracks the "
                     "list's";
  MaskControls(&said, 0);
  return said + "\n";
}

void AppendProbeMessages(std::string* out, std::string_view name, const WavFile& wav) {
  const HeaderFacts& h = wav.header;
  if (wav.open_error != 0) {
    Append(out, {"Cannot find file in track list called ", name, "\n"});
  } else if (wav.read_error != 0) {
    Append(out, {"Cannot read file in track list called ", name, ": ",
                 std::strerror(wav.read_error), "\n"});
  } else {
    if (!h.format_found) out->append("Can't find format chunk in wave file!\n");
    if (h.status == ProbeStatus::kNoData) out->append("Can't find data block in wave file!\n");
    if (h.status == ProbeStatus::kUnsupported) {
      Append(out, {"Unsupported format in wave file called ", name, "\n"});
    }
  }
}

namespace {

constexpr std::string_view kReportHeader = "\nFile Lengths \t\t\tmin:sec:frames\n\n";

// Room enough for the listing of every WAV entry's length, in bytes.
size_t LengthReportRoom(const Disc& disc) {
  size_t room = kReportHeader.size() + 64;
  for (const DiscFile& file : disc.files) room += file.entry.text.size() + 48;
  return room;
}

}  // namespace

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

std::string CueNotRemoved(std::string_view name, int error) {
  std::string line =
      error == 0 ? Line("vantorel: cannot remove \"", name,
                        "\", which this run made and could not write: another program moved it "
                        "from that name, and it stays where it was moved to")
                 : Line("vantorel: cannot remove \"", name,
                        "\", which this run made and could not write: ", std::strerror(error));
  MaskControls(&line, 0);
  line.back() = '\n';
  return line;
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
    out->append(CueTimeText(*frames));
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
      out->append(std::max(digits.size(), kNumberWidth) - digits.size(), ' ');
      Append(out, {digits, "  "});
      size_t column = 0;
      // A length that rests on a split out of place is not shown: a burner refuses the sheet.
      std::optional<uint64_t> length = place.past_misplaced ? std::nullopt : place.length;
      std::optional<uint64_t> in_file = place.in_file, pregap = place.pregap;
      for (std::optional<uint64_t> time : {in_file, place.on_disc, pregap, length}) {
        AppendViewTime(out, time, kTimeWidths[column++], &unknown);
      }
      out->append(file.entry.text);
      // The track's title, and its performer where it is not the disc's.
      const Track& track = disc.tracks[t];
      const CdText& title = TitleOf(disc, track);
      if (!title.text.empty) Append(out, {"  \"", title.text.text, "\""});
      const CdText& performer = PerformerOf(disc, track);
      if (!performer.text.empty && performer.text.text != disc.performer.text.text) {
        Append(out, {" by \"", performer.text.text, "\""});
      }
      out->push_back('\n');
    }
  }
  out->append("\nDisc length: ");
  if (layout.frames) {
    out->append(CueTimeText(*layout.frames));
  } else {
    out->push_back('?');
  }
  out->push_back('\n');
  if (unknown) {
    out->append(
        "A ? stands where a time cannot be read or a split is out of place; the warnings name "
        "the line.\n");
  }
}

}  // namespace vantorel
