// The disc as the run sees it: its files in order, the tracks of each and what the run learned of
// each file, with every list line that made them. It is built once from the track table, and the
// length report, the cue sheet and the checks read it rather than the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "audio/lengths.h"
#include "audio/wavprobe.h"
#include "io/io.h"
#include "tracklist/tracklist.h"

namespace vantorel {

// A line of the list, numbered as an editor numbers it: blank lines count, and a line ends at LF,
// CR LF or a lone CR. Number 0 is no line.
struct ListLine {
  int number = 0;
  std::string_view text;
};

// What the run learned of one WAV file: which file it is, what its header says, and the length
// of the audio it holds.
struct WavFile {
  FileId id;
  HeaderFacts header;
  Length length;
};

struct Track {
  ListLine opened_by;      // The WAV line that opens the file, or the S line of a split.
  std::string_view start;  // As the cue sheet gives it: the S line's time, or 00:00:00.
  ListLine pregap;         // The P line that gives it a pregap, if any.
};

struct DiscFile {
  ListLine entry;  // Its WAV line, which is the file's name.
  WavFile wav;
  // Its tracks, in the disc's tracks; the first is opened by the WAV line itself.
  size_t first_track = 0;
  size_t track_count = 0;
};

// The lines past the limit of kMaxLines, which nothing else reads.
struct UnusedLines {
  int first = 0;  // The number of the first of them; 0 when there are none.
  int count = 0;
  int wav_entries = 0;
  int splits = 0;
  int pregaps = 0;
  int notes = 0;  // Lines starting with #, which lose nothing.
};

// A line taken as neither a WAV file, a split nor a pregap.
struct IgnoredLine {
  ListLine line;
  bool names_a_file = false;  // It is the name of an existing regular file, as the run found.
  bool names_a_wav = false;   // With .wav added, it is the name of an existing file.
};

struct Disc {
  std::vector<DiscFile> files;
  // The tracks of every file in order, in one block rather than a block a file.
  std::vector<Track> tracks;
  std::vector<IgnoredLine> ignored;
  std::vector<ListLine> stray_pregaps;  // P lines not right after a WAV or S line.
  UnusedLines unused;
  uint64_t total_seconds = 0;  // The files' lengths summed, in whole seconds.
};

// The disc of a classified list: every WAV entry with its tracks and pregaps, the lines that
// count for nothing, and the number of every line, counted in one pass over the text. What the
// run learns of the files is not known yet: each WavFile is empty.
Disc BuildDisc(std::string_view list_text, const TrackTable& table, const Classified& classified);

// Gives every file its length from its header and sums them into total_seconds.
void MeasureLengths(Disc* disc);

// The tracks of file, a file of disc.
inline std::span<const Track> TracksOf(const Disc& disc, const DiscFile& file) {
  return std::span<const Track>(disc.tracks).subspan(file.first_track, file.track_count);
}

// The number of tracks on the disc.
int TrackCount(const Disc& disc);

}  // namespace vantorel
