#include "audio/wavprobe.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "cd.h"

namespace vantorel {

bool HasFixedSamples(uint32_t coding) {
  return coding == kFormatPcm || coding == kFormatFloat || coding == kFormatALaw ||
         coding == kFormatMuLaw;
}

namespace {

using Head = std::span<const uint8_t>;

// The format fields, read from bytes that start at the format chunk's id or the tag the search
// found.
void ReadFormat(Head at_tag, HeaderFacts* facts) {
  const bool big = facts->rifx;
  facts->format = Field2(at_tag, 8, big);
  facts->coding = facts->format;
  // An extensible chunk gives the real format code as the first field of its sub-format, which
  // only a chunk of its full 40 bytes holds.
  if (facts->format == kFormatExtensible) {
    facts->coding = Field4(at_tag, 4, big) >= 40 ? Field2(at_tag, 32, big) : kFormatExtensible;
  }
  facts->channels = Field2(at_tag, 10, big);
  facts->sample_rate = Field4(at_tag, 12, big);
  facts->bits_per_sample = Field2(at_tag, 22, big);
}

// What the probe may read past the head. Real files have a handful of chunks before their audio;
// a file of many thousands of tiny ones is searched instead.
constexpr ReadLimits kProbeReads = {.reads = 32, .bytes = kNoEnd};

// cdrdao 1.2.4's walk of a RIFF WAVE file of end bytes: from byte 12 it passes over every chunk
// by its size, padded to an even one, whatever its id, up to the first "fmt " chunk, and from
// there up to the first "data" chunk.
struct CdrdaoWalk {
  explicit CdrdaoWalk(uint64_t file_size) : end(file_size) {}

  uint64_t end;
  uint64_t next = 12;
  bool format = false;   // The format chunk is passed.
  bool known = false;    // Whether cdrdao's verdict is known:
  bool corrupt = false;  // that it refuses the file as a corrupted WAVE file.

  void Decide(bool refused) {
    known = true;
    corrupt = refused;
  }

  // Takes the chunk at next, h holding its first 24 bytes or as many as the file has there.
  void Step(Head h) {
    if (h.size() < 8) {
      // Where the file ends inside the size of a format or data chunk, cdrdao reads on past the
      // end and refuses the file in words of its own.
      return Decide(!Is(h, 0, format ? "data" : "fmt "));
    }
    uint64_t size = Le4(h, 4);
    size += size & 1;
    if (!format && Is(h, 0, "fmt ")) {
      if (size < 16) return Decide(true);
      // Fields past the file's end read as -1, and any format but CD audio is refused first.
      if (h.size() < 24 || Le2(h, 8) != kFormatPcm || Le2(h, 10) != cd::kChannels ||
          Le4(h, 12) != cd::kRate || Le2(h, 22) != cd::kBits) {
        return Decide(false);
      }
      format = true;
    } else if (format && Is(h, 0, "data")) {
      return Decide(false);
    }
    next += 8 + size;
    if (next >= end) Decide(true);
  }
};

// What cdrdao's walk may cost past the probe's own, where it leaves the chunks the probe walked:
// so many reads and steps. Past stray bytes it may run through the audio, a few bytes a step, and
// through silence eight bytes a step: the walk is not followed there.
constexpr int kCdrdaoReads = 4;
constexpr int kCdrdaoSteps = 64;

// Where the probe's walk of the chunks ended, and what it saw there that cdrdao looks at: cdrdao's
// walk takes the same chunks up to there.
struct WalkEnd {
  uint64_t next = 12;         // Where the walk would take its next chunk.
  bool format = false;        // It took a format chunk:
  bool short_format = false;  // one of fewer than 16 bytes, padded,
  bool cd_audio = false;      // or one whose fields are those of CD audio,
  bool data_after = false;    // and a data chunk after it.
};

// Walks the chunk list of a RIFF, RIFX or RF64 WAVE file for its format and data chunks. Returns
// whether it found a data chunk; the format fields are read where it found a format chunk.
bool WalkChunks(ByteReader* reader, HeaderFacts* facts, WalkEnd* end) {
  RiffWalk walk(reader, facts->rifx, facts->rf64);
  bool data = false;
  while (std::optional<RiffChunk> chunk = walk.Next()) {
    if (chunk->Is("data")) {
      if (!data) {
        data = true;
        facts->data_start = chunk->at + 8;
        facts->data_size = chunk->size;
      }
      if (facts->format_found) {
        end->data_after = true;
        break;
      }
    } else if (chunk->Is("fmt ") && !facts->format_found) {
      ReadFormat(chunk->bytes, facts);
      facts->format_found = true;
      end->format = true;
      end->short_format = chunk->size + (chunk->size & 1) < 16;
      end->cd_audio = facts->format == kFormatPcm && facts->channels == cd::kChannels &&
                      facts->sample_rate == cd::kRate && facts->bits_per_sample == cd::kBits;
      if (data) break;
    }
  }
  end->next = walk.next;
  facts->read_error = reader->error;
  return data;
}

// Whether cdrdao refuses a RIFF WAVE file of file_size bytes as a corrupted WAVE file, its walk
// gone on with where the probe's ended before it: past a data chunk before the format chunk, or
// an id that is not one. Where the walk would cost more than it may, nothing is known, and it
// says the file is not refused.
bool CdrdaoRefuses(ByteReader* reader, const WalkEnd& end, uint64_t file_size) {
  if (end.format) {
    if (end.short_format) return true;
    if (!end.cd_audio || end.data_after) return false;
  }
  CdrdaoWalk cdrdao(file_size);
  cdrdao.next = end.next;
  cdrdao.format = end.format;
  if (cdrdao.next >= file_size) return true;
  reader->limits.reads = std::min(reader->limits.reads, reader->reads + kCdrdaoReads);
  for (int steps = 0; !cdrdao.known; ++steps) {
    Head h = reader->At(cdrdao.next, 24);
    if (h.size() < 24 && file_size - cdrdao.next > h.size()) return false;
    bool silent = h.size() >= 8 && Le4(h, 0) == 0 && Le4(h, 4) == 0;
    if (steps == kCdrdaoSteps || silent) return false;
    cdrdao.Step(h);
  }
  return cdrdao.corrupt;
}

// The first even position from 2 to kSearchLimit at which the len bytes of tag stand whole within
// head, or 0.
size_t FindTag(Head h, const char* tag, size_t len) {
  if (h.size() < len) return 0;
  const size_t last = std::min(kSearchLimit, h.size() - len);
  if (last < 2) return 0;
  size_t pos = 2;
  // No position before the first byte that starts the tag can hold it, and the C library finds
  // that byte many at a time; headers are often padded with zeros.
  if (len > 0) {
    const void* first = std::memchr(h.data() + pos, tag[0], last + 1 - pos);
    if (first == nullptr) return 0;
    pos = static_cast<size_t>(static_cast<const uint8_t*>(first) - h.data()) & ~size_t{1};
  }
  for (; pos <= last; pos += 2) {
    if (std::memcmp(h.data() + pos, tag, len) == 0) return pos;
  }
  return 0;
}

// The coding of a Wave64 file whose format chunk comes first, as every writer puts it: its
// WAVEFORMATEX follows the chunk's GUID and 8 bytes of size, and an extensible one gives its
// sub-format 24 bytes on. 0 where the format chunk is not there.
uint32_t Wave64Coding(Head h) {
  if (!IsWave64Id(h, 40, "fmt ")) return 0;
  uint32_t code = Le2(h, 64);
  return code == kFormatExtensible && Le4(h, 56) >= 24 + 40 ? Le2(h, 88) : code;
}

HeaderFacts ProbeWav(const WavSource& source) {
  Head h = source.head;
  HeaderFacts facts;
  RiffForm form = RiffFormOf(h);
  facts.rf64 = form == RiffForm::kRf64;
  facts.rifx = form == RiffForm::kRifx;
  if (form == RiffForm::kNone) facts.other_audio = SniffOtherAudio(h);
  const bool wave = form != RiffForm::kNone && Is(h, 8, "WAVE");
  ByteReader reader(source, kProbeReads);
  WalkEnd walked;
  bool data = wave && WalkChunks(&reader, &facts, &walked);
  const bool irregular = wave && !(data && walked.data_after);
  if (!data) {
    HeaderFacts searched;
    searched.rf64 = facts.rf64;
    searched.rifx = facts.rifx;
    searched.other_audio = facts.other_audio;
    searched.read_error = facts.read_error;
    facts = searched;
    size_t tag = FindTag(h, "data", 4);
    data = tag != 0;
    facts.data_size = Field4(h, tag + 4, facts.rifx);
    facts.data_start = tag + 8;
  }
  if (!facts.format_found) {
    // Only "fmt" is compared: the fourth byte of the tag, a space, is not.
    size_t fmt = FindTag(h, "fmt", 3);
    facts.format_found = fmt != 0;
    if (!facts.format_found) fmt = kSearchLimit;
    ReadFormat(h.subspan(std::min(fmt, h.size())), &facts);
  }
  if (!data) {
    facts.status = ProbeStatus::kNoData;
    return facts;
  }
  // Without a format chunk, nothing tells how its samples are stored.
  facts.irregular_chunks = irregular && facts.format_found;
  uint64_t present = facts.data_size;
  if (source.size) present = *source.size > facts.data_start ? *source.size - facts.data_start : 0;
  facts.data_present = present;
  if (source.size && form == RiffForm::kRiff && wave) {
    facts.cdrdao_refuses_header = CdrdaoRefuses(&reader, walked, *source.size);
  }
  uint64_t block = uint64_t{facts.channels} * (facts.bits_per_sample / 8);
  // The coding of a format chunk that was found decides; fields read at the limit of the search
  // are measured as they stand.
  bool compressed = facts.format_found && !HasFixedSamples(facts.coding);
  if (block == 0 || facts.sample_rate == 0 || compressed) {
    // AAC without the header of an ADTS frame where its data starts cannot be cut into frames.
    if (facts.coding == kFormatAac) {
      facts.aac_unmarked = !StartsAdtsFrame(reader.At(facts.data_start, 2));
    }
    facts.status = ProbeStatus::kUnsupported;
    return facts;
  }
  facts.declared_frames = facts.data_size / block;
  facts.present_frames = present / block;
  facts.sample_frames = std::min(facts.declared_frames, facts.present_frames);
  return facts;
}

}  // namespace

HeaderFacts ProbeHeader(const WavSource& source) {
  HeaderFacts facts = ProbeWav(source);
  if (facts.other_audio == OtherAudio::kWave64) facts.coding = Wave64Coding(source.head);
  return facts;
}

HeaderFacts ProbeFile(Head file) {
  auto read_at = [file](uint64_t offset, std::span<uint8_t> into) -> int64_t {
    if (offset >= file.size()) return 0;
    size_t n = std::min(into.size(), static_cast<size_t>(file.size() - offset));
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, into.begin());
    return static_cast<int64_t>(n);
  };
  return ProbeHeader({file.first(std::min(file.size(), kHeadBytes)), file.size(), read_at});
}

}  // namespace vantorel
