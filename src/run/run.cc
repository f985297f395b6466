#include "run/run.h"

#include <cstdint>

#include "audio/lengths.h"
#include "audio/wavprobe.h"
#include "cuesheet/cuesheet.h"
#include "io/cue_file.h"
#include "io/io.h"
#include "run/diagnostics.h"
#include "run/texts.h"
#include "tracklist/tracklist.h"

namespace {

constexpr const char* kDefaultList = "tlist.txt";
constexpr const char* kDefaultCue = "output.cue";

struct WavProbe {
  HeadRead read;
  HeaderFacts facts;
};

// Reads the head of the WAV file at path and probes it.
WavProbe GET_ATTRIBUTES(const char* path) {
  WavProbe probe;
  uint8_t head[kHeadBytes];
  probe.read = ReadHead(path, head);
  if (probe.read.opened && probe.read.error == 0) {
    probe.facts = ProbeHeader(std::span<const uint8_t>(head, probe.read.size));
  }
  return probe;
}

}  // namespace

bool FlushOutput(Console* console) {
  if (console->out_error != 0) return false;
  console->out_error = WriteAll(1, std::string_view(console->out).substr(console->flushed));
  if (console->out_error != 0) {
    console->err += StdoutFailed(console->out_error);
    return false;
  }
  console->flushed = console->out.size();
  return true;
}

void FlushErrors(Console* console) {
  (void)WriteAll(2, console->err);
  console->err.clear();
}

int Run(const std::vector<std::string>& args, Console* console) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "--version")) {
    console->out += args[0] == "--help" ? kUsageText : VersionLine();
    return kExitDone;
  }
  // tlist.txt wins over the first argument; the second names the cue file only when there are
  // exactly two.
  std::string list_name = kDefaultList;
  std::string list_text;
  ListRead list = ReadWholeFile(kDefaultList, kMaxListBytes, &list_text);
  if (list.error != 0) {
    if (args.empty()) {
      console->out += kUsageText;
      return kExitNoList;
    }
    list_name = args[0];
    list = ReadWholeFile(list_name.c_str(), kMaxListBytes, &list_text);
  } else if (!args.empty() && !IsFile(args[0].c_str(), list.id)) {
    console->err += Warning({}, ListNotUsed(kDefaultList, args[0]));
  }
  if (list.error != 0) {
    console->out += ListCannotOpen(list_name, list.error);
    return kExitNoList;
  }
  if (list.too_large) {
    console->out += ListTooLarge(list_name);
    return kExitNoList;
  }
  if (list_text.starts_with("RIFF")) console->err += Warning({}, ListIsWav(list_name));
  std::string output_name = args.size() == 2 ? args[1] : kDefaultCue;

  TrackTable table;
  Classified classified = ClassifyTrackList(list_text, &table);
  if (classified.lines_dropped) console->out += LinesDropped();

  // The cue file must never be written over the list or one of its WAV files.
  std::vector<GuardedFile> guarded = {{list.id, Guard::kTrackList}};
  std::vector<WavFile> files(static_cast<size_t>(classified.line_count));
  for (int i = 0; i < classified.line_count; ++i) {
    if (table.is_wav[i] != 1) continue;
    std::string path(table.text[i]);
    WavProbe probe = GET_ATTRIBUTES(path.c_str());
    // Counting the lines before an entry costs a pass over them, so only a failing one is counted.
    auto where = [&] { return Where{list_name, LineNumber(list_text, table.text[i])}; };
    if (!probe.read.opened) {
      console->out += WavCannotOpen(path);
      console->err += Error(where(), WavNotOpened(path, probe.read.error));
      return kExitBadWav;
    }
    if (probe.read.error != 0) {
      console->out += WavCannotRead(path, probe.read.error);
      console->err += Error(where(), WavNotRead(path, probe.read.error));
      return kExitBadWav;
    }
    if (!probe.facts.format_found) {
      console->out += FormatChunkMissing();
      console->err += Warning(where(), WavWithoutFormat(path));
    }
    if (probe.facts.status == ProbeStatus::kNoData) {
      console->out += DataBlockMissing();
      console->err += Error(where(), WavWithoutData(path));
      return kExitBadWav;
    }
    if (probe.facts.status == ProbeStatus::kUnsupported) {
      console->out += FormatUnsupported(path);
      console->err += Error(where(), WavUnsupported(path));
      return kExitBadWav;
    }
    table.sample_rate[i] = probe.facts.sample_rate;
    table.sample_frames[i] = probe.facts.sample_frames;
    files[static_cast<size_t>(i)] = {probe.facts, probe.read.regular, probe.read.file_size};
    guarded.push_back({probe.read.id, Guard::kWavFile});
  }

  float total_seconds = ComputeLengths(&table, classified.line_count);
  console->out += LengthReport(table, classified.line_count, TotalTimeOf(total_seconds));

  CueSheet cue = BuildCueSheet(table, classified.line_count);
  console->err +=
      Diagnose({list_name, list_text, &table, classified.line_count}, files, output_name);
  // What has been said so far goes out before the cue file, which may be standard output itself.
  if (!FlushOutput(console)) return kExitNoOutput;
  CueFileWrite written = WriteCueFile(output_name, cue.text, guarded);
  if (!written.ok()) {
    console->out += CueCannotWrite(output_name, written);
    return kExitNoOutput;
  }
  if (cue.tracks > kCdMaxTracks) console->out += TooManyTracks();
  console->out += CueWritten(output_name);
  return kExitDone;
}
