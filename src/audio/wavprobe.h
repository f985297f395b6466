// The WAV header probe: finds the format and data blocks of a RIFF WAVE file by their tags and
// reads the sample rate and the number of sample frames.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Tags are searched for at even positions from 2 up to and including this one.
constexpr size_t SEARCH_LIMIT = 15000;
// Enough of a file's head for every field the probe can reach: bits per sample of a format tag
// found at SEARCH_LIMIT ends 24 bytes further on.
constexpr size_t HEAD_BYTES = SEARCH_LIMIT + 24;

uint32_t Assem2(uint8_t b0, uint8_t b1);
uint32_t Assem4(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3);

enum class ProbeStatus { kOk, kNoData, kUnsupported };

struct HeaderFacts {
  ProbeStatus status = ProbeStatus::kOk;
  bool format_found = false;
  uint32_t sample_rate = 0;
  uint32_t sample_frames = 0;
};

// Probes the first bytes of a file; size may be less than HEAD_BYTES for a short file. Bytes
// the file does not have match no tag and read as zero in a field.
HeaderFacts ProbeHeader(const uint8_t* head, size_t size);

struct ProbeResult {
  bool ok = false;
  uint32_t sample_rate = 0;
  uint32_t sample_frames = 0;
  dev_t dev = 0;  // The file's identity, so that nothing overwrites it.
  ino_t ino = 0;
};

// Opens the WAV file at path, probes its head and appends the probe's messages to *console.
// A file that cannot be read, has no data block or an unusable format is not ok.
ProbeResult GET_ATTRIBUTES(const char* path, std::string* console);
