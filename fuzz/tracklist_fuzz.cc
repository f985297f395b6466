// Fuzz target: any bytes as a track list, classified, given lengths, reported and built into a
// cue sheet.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "audio/lengths.h"
#include "cuesheet/cuesheet.h"
#include "disc/checks.h"
#include "disc/disc.h"
#include "disc/layout.h"
#include "run/finding_text.h"
#include "run/texts.h"
#include "tracklist/tracklist.h"

using namespace vantorel;

namespace {

// What the WAV entry called name stands for here, taken from the part of the name before its
// first dot so that the fuzzer steers it: the first four bytes (little-endian, missing ones as
// zero) are the frame count and the next four the sample rate. The probe refuses a rate of 0,
// so that stands for 1 Hz, which gives the longest lengths of all.
void SyntheticAudio(std::string_view name, uint64_t* sample_frames, uint32_t* sample_rate) {
  name = name.substr(0, name.find('.'));
  uint32_t fields[2] = {0, 0};
  for (size_t i = 0; i < 8 && i < name.size(); ++i) {
    fields[i / 4] |= uint32_t{static_cast<uint8_t>(name[i])} << (8 * (i % 4));
  }
  *sample_frames = fields[0];
  *sample_rate = fields[1] == 0 ? 1 : fields[1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view list(reinterpret_cast<const char*>(data), size);
  TrackTable table;
  int count = ClassifyTrackList(list, &table);
  if (count < 0 || static_cast<size_t>(count) != table.text.size()) std::abort();
  if (count > 0 && table.kind[0] != LineKind::kWav) std::abort();
  for (int i = 0; i < count; ++i) {
    // Every line is a non-empty piece of the list without line ends or NUL bytes.
    std::string_view line = table.text[i];
    if (line.empty() || line.find_first_of(std::string_view("\r\n\0", 3)) != line.npos) {
      std::abort();
    }
    if (line.data() < list.data() || line.data() + line.size() > list.data() + list.size()) {
      std::abort();
    }
  }

  // Every WAV entry is CD audio of a length its name steers.
  Disc disc = BuildDisc(table);
  for (DiscFile& file : disc.files) {
    HeaderFacts& f = file.wav.header;
    SyntheticAudio(file.entry.text, &f.sample_frames, &f.sample_rate);
    f.format_found = true;
    f.format = kFormatPcm;
    f.channels = 2;
    f.bits_per_sample = 16;
    f.declared_frames = f.present_frames = f.sample_frames;
    f.data_size = f.sample_frames * 4;
    f.data_start = 44;
  }

  // Every WAV entry's length, and the total summed over all of them, stay in range however long
  // the files claim to be.
  MeasureLengths(&disc);
  TotalTime total = TotalTimeOf(disc.total_seconds);
  for (const DiscFile& file : disc.files) {
    const Length& len = file.wav.length;
    if (len.seconds >= 60 || len.cd_frames >= 75) std::abort();
  }
  if (total.seconds >= 60) std::abort();
  std::string report;
  AppendLengthReport(&report, disc, total);
  std::string total_line = "\nTotal Time:  " + std::to_string(total.minutes) +
                           " min : " + std::to_string(total.seconds) + " sec\n";
  if (!report.ends_with(total_line)) std::abort();

  // The checks say every problem as whole lines of their own, and every finding of a line names
  // one of the lines taken.
  DiscLayout layout = LayOutDisc(disc);
  std::string view;
  AppendTrackView(&view, disc, layout);
  std::vector<Finding> found = CheckDisc(disc, layout);
  for (const Finding& f : found) {
    bool of_the_disc =
        f.kind == FindingKind::kDiscTooLong || f.kind == FindingKind::kNoWavFile ||
        f.kind == FindingKind::kTooManyTracks || f.kind == FindingKind::kNoDiscTitle ||
        f.kind == FindingKind::kNoDiscPerformer || f.kind == FindingKind::kTooManyPacks;
    if (f.line < 0 || (f.line == 0) != of_the_disc) {
      std::abort();
    }
  }
  std::string said = FindingLines(found, {"l", "o.cue"});
  for (size_t at = 0; at < said.size(); at = said.find('\n', at) + 1) {
    if (said.compare(at, 10, "vantorel: ") != 0 || said.find('\n', at) == std::string::npos) {
      std::abort();
    }
  }

  // The sheet starts with the disc's catalog number, title and performer, where the list gives
  // them, and then the first file.
  std::string cue = BuildCueSheet(disc, layout);
  std::string_view files = cue;
  for (std::string_view text : {"CATALOG ", "TITLE \"", "PERFORMER \""}) {
    if (files.starts_with(text)) files.remove_prefix(files.find('\n') + 1);
  }
  if (count == 0 ? !cue.empty() : !files.starts_with("FILE \"")) std::abort();
  if (!cue.empty() && cue.back() != '\n') std::abort();
  return 0;
}
