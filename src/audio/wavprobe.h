// The WAV header probe: finds the format and data chunks of a RIFF, RIFX or RF64 WAVE file by
// walking its chunk list or, where the list cannot be walked, by searching for their tags, and
// reads the sample rate and the number of sample frames the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "audio/bytes.h"

namespace vantorel {

// Where the chunk list cannot be walked, tags are searched for at even positions from 2 up to and
// including this one.
constexpr size_t kSearchLimit = 15000;
// The head of a file that the probe is given: enough for every field the search can reach, as
// bits per sample of a format tag found at kSearchLimit ends 24 bytes further on.
constexpr size_t kHeadBytes = kSearchLimit + 24;

enum class ProbeStatus : uint8_t { kOk, kNoData, kUnsupported };

// Format codes of the format chunk.
constexpr uint32_t kFormatPcm = 1;
constexpr uint32_t kFormatFloat = 3;
constexpr uint32_t kFormatALaw = 6;
constexpr uint32_t kFormatMuLaw = 7;
constexpr uint32_t kFormatAac = 0xFF;
constexpr uint32_t kFormatExtensible = 0xFFFE;

// Whether samples of a coding take a fixed number of bytes each, so that a length follows from
// the data's size: integer PCM, floating point, A-law and mu-law. Any other coding is compressed.
bool HasFixedSamples(uint32_t coding);

struct HeaderFacts {
  ProbeStatus status = ProbeStatus::kOk;
  bool format_found = false;  // Without a format chunk, the fields are read at kSearchLimit.
  bool rf64 = false;          // The file starts with RF64, not RIFF.
  bool rifx = false;          // The file starts with RIFX: every field is big-endian.
  OtherAudio other_audio = OtherAudio::kNone;  // A file that is no RIFF file at all.
  // AAC whose data does not start with the header of a frame: nothing marks where its frames
  // begin, so no decoder can take it from a WAV file.
  bool aac_unmarked = false;
  // cdrdao 1.2.4 refuses the file as a corrupted WAVE file, though the probe found its data
  // chunk. cdrdao walks a RIFF file's chunks from byte 12 whatever their ids, to the first
  // "fmt " chunk, which must hold 16 bytes or more, and from its end to the first "data" chunk;
  // it refuses the file where either walk reaches the file's end first: a data chunk before the
  // format chunk, a chunk whose size runs past the end, stray bytes after WAVE that shift every
  // id. A format other than CD audio it refuses before it looks for the data chunk, in words of
  // its own, as it does RIFX and RF64. This stays false for those, where the file's size is not
  // known, and where cdrdao's walk, led off the chunks into the audio, runs into silence or on
  // past a few reads and steps.
  bool cdrdao_refuses_header = false;
  // Of a RIFF, RIFX or RF64 WAVE file with a format chunk: its data chunk stands before its
  // format chunk, or its chunk list breaks before them and the probe found them by their tags. sox
  // reads no such file, and only the samples as they stand, from where they start, make a WAV file
  // of it.
  bool irregular_chunks = false;
  int read_error = 0;  // An errno value: a read past the head failed.
  uint32_t sample_rate = 0;
  // What a CD burner asks of the file besides its length.
  uint32_t format = 0;  // The format code.
  // What the samples are: the format code, or in an extensible format chunk the code of its
  // sub-format, or kFormatExtensible where the chunk is too short to hold one. In Wave64, the
  // code its format chunk gives. A file whose
  // samples are compressed is unsupported: its length cannot be read from its size.
  uint32_t coding = 0;
  uint32_t channels = 0;
  uint32_t bits_per_sample = 0;
  uint64_t data_size = 0;   // In bytes, as the header declares it; in RF64, its ds64 chunk.
  uint64_t data_start = 0;  // Where the sample data begins, just after the data chunk's size.
  // The bytes the file has from data_start on, or data_size where the file's size is not known.
  uint64_t data_present = 0;
  // In sample frames: what the header declares; what the file has after the data chunk's header,
  // or the declared count where the file's size is not known; and the smaller of the two, the
  // audio the file holds, which a burner takes.
  uint64_t declared_frames = 0;
  uint64_t present_frames = 0;
  uint64_t sample_frames = 0;
};

// Probes a file. In a file that starts with RIFF, RIFX or RF64 and has WAVE at byte 8, the chunk
// list is walked from byte 12 and the first fmt and data chunks taken wherever they lie, a chunk
// header past the head being read where it lies. Where the walk finds no data chunk, both tags are
// searched for in the head; where it finds no format chunk, the format tag is. Bytes the head
// does not have match no tag and read as zero in a field.
HeaderFacts ProbeHeader(const WavSource& source);

// Probes a file held whole in memory.
HeaderFacts ProbeFile(std::span<const uint8_t> file);

}  // namespace vantorel
