#include "run/run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "audio/lengths.h"
#include "audio/wavprobe.h"
#include "cuesheet/cuesheet.h"
#include "tracklist/tracklist.h"

namespace {

constexpr const char* kDefaultList = "tlist.txt";
constexpr const char* kDefaultCue = "output.cue";

constexpr const char* kUsage =
    "Vantorel 1.0 by Quellbrand\n"
    "Enter your .wav file names in a track called tlist.txt\n"
    "Or, use a different list filename by entering it as\n"
    "the first command line argument.\n"
    "Optionally, add the name for the output .cue file as\n"
    "the second command line argument.\n"
    "To split a file into separate tracks, start a line with S\n"
    "followed by the start time.\n"
    "To add a pregap, start a line with P followed by the length\n";

void Say(Console* console, const std::string& line) {
  console->text += line + '\n';
}

int OpenList(const char* name) {
  return open(name, O_RDONLY | O_CLOEXEC);
}

// Reads the open list into *text and closes it; on failure says why and returns false.
bool ReadList(int fd, const std::string& name, std::string* text, Console* console) {
  ListRead read = ReadListText(fd, text);
  int err = errno;
  if (close(fd) != 0 && read == ListRead::kOk) {
    read = ListRead::kError;
    err = errno;
  }
  if (read == ListRead::kTooLarge) {
    Say(console, "Track list called " + name + " is too large");
    return false;
  }
  if (read == ListRead::kError) {
    Say(console, "Cannot open track list called " + name + ": " + std::strerror(err));
    return false;
  }
  return true;
}

}  // namespace

bool Flush(Console* console) {
  if (console->fd < 0) return true;
  if (!WriteAll(console->fd, std::string_view(console->text).substr(console->flushed))) {
    return false;
  }
  console->flushed = console->text.size();
  return true;
}

int Run(const std::vector<std::string>& args, Console* console) {
  // tlist.txt wins over the first argument; the second names the cue file only when there are
  // exactly two.
  std::string list_name = kDefaultList;
  int fd = OpenList(kDefaultList);
  if (fd < 0) {
    if (args.empty()) {
      console->text += kUsage;
      return STATUS_NO_LIST;
    }
    list_name = args[0];
    fd = OpenList(list_name.c_str());
    if (fd < 0) {
      Say(console, "Cannot open track list called " + list_name + ": " + std::strerror(errno));
      return STATUS_NO_LIST;
    }
  }
  std::string output_name = args.size() == 2 ? args[1] : kDefaultCue;

  // The cue file must never be written over the list or one of its WAV files.
  std::vector<GuardedFile> guarded;
  struct stat list_stat;
  if (fstat(fd, &list_stat) == 0) {
    guarded.push_back({list_stat.st_dev, list_stat.st_ino, "it is the track list"});
  }

  std::string list_text;
  if (!ReadList(fd, list_name, &list_text, console)) return STATUS_NO_LIST;

  TrackTable table;
  Classified list = ClassifyTrackList(list_text, &table);
  if (list.lines_dropped) Say(console, "Only the first 128 lines of the track list are used");

  for (int i = 0; i < list.line_count; ++i) {
    if (table.is_wav[i] != 1) continue;
    std::string path(table.text[i]);
    ProbeResult probe = GET_ATTRIBUTES(path.c_str(), &console->text);
    if (!probe.ok) return STATUS_BAD_WAV;
    table.sample_rate[i] = probe.sample_rate;
    table.sample_frames[i] = probe.sample_frames;
    guarded.push_back({probe.dev, probe.ino, "it is a WAV file of the list"});
  }

  float total_seconds = ComputeLengths(&table, list.line_count);
  console->text += LengthReport(table, list.line_count, total_seconds);

  CueSheet cue = BuildCueSheet(table, list.line_count);
  // What has been said so far goes out before the cue file, which may be standard output itself.
  if (!Flush(console)) return STATUS_NO_OUTPUT;
  CueWrite written = WriteCueFile(output_name, cue.text, guarded);
  if (!written.ok) {
    Say(console, written.message);
    return STATUS_NO_OUTPUT;
  }
  if (cue.tracks > CD_MAX_TRACKS) {
    Say(console, "Cue sheet has more than 99 tracks; a CD holds at most 99");
  }
  console->text += "\nWrote cue file called " + output_name + "\n";
  return STATUS_DONE;
}
