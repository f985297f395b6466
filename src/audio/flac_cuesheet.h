// The FLAC CUESHEET block reader: the cue sheet metaflac, CUETools and other rippers store in the
// FLAC image of a disc, read into the album a cue sheet gives.
#pragma once

#include <cstdint>
#include <span>

#include "tracklist/album.h"

namespace vantorel {

// A CUESHEET block as read. Its album has one file, the FLAC that holds the block, of type kFlac
// and without a name (the caller knows it); every index lies in it, in CD frames from its start,
// a part of a frame dropped. Where a track or a finding has a line, it is the track's place in
// the block, counted from 1; a finding of the block as a whole has line 0.
struct FlacCueSheet {
  AlbumRead read;
  uint64_t lead_in = 0;  // In samples.
  bool is_cd = false;
  // Where the lead-out track starts, in samples from the file's start: where the disc's audio
  // ends. Nothing where the last track is no lead-out.
  std::optional<uint64_t> lead_out;
};

// Reads the body of a CUESHEET metadata block (the bytes after its 4-byte header) of a FLAC file
// that holds total_samples samples at rate Hz, either 0 where its STREAMINFO does not say (a rate
// not known is taken for the CD's). The block's offsets count the file's own samples, so that a
// 75th of a second is rate / 75 of them. Every field is read big-endian, as FLAC writes it; a
// count that claims more than the bytes hold, offsets past the audio or off a CD frame, and what
// a cue sheet would be found wrong with are found.
FlacCueSheet ReadFlacCueSheet(std::span<const uint8_t> block, uint64_t total_samples,
                              uint32_t rate);

}  // namespace vantorel
