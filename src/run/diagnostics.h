// Checks of a run's list and WAV files for what a CD burner would refuse or misread. They use
// only what the run has already read, and say each problem as a line for standard error.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "audio/wavprobe.h"
#include "tracklist/track_table.h"

// What the run learned of one WAV entry's file.
struct WavFile {
  HeaderFacts facts;
  bool regular = false;  // A regular file, whose length is file_size.
  uint64_t file_size = 0;
};

struct ListFacts {
  std::string_view name;  // As the user gave it.
  std::string_view text;  // The whole list, which the table's views point into.
  const TrackTable* table = nullptr;
  int line_count = 0;
};

// The line of the list that a line taken into the table stands on, as an editor counts it:
// blank lines included, and a line ending at LF, CR LF or a lone CR.
int LineNumber(std::string_view list_text, std::string_view line);

// Every problem of the list and its files, one line each. files has an entry for every slot of
// the table below line_count; only those of WAV entries are read.
std::string Diagnose(const ListFacts& list, std::span<const WavFile> files,
                     std::string_view cue_name);
