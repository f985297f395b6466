#include "audio/flac_cuesheet.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "audio/wavprobe.h"
#include "cd.h"

namespace vantorel {

namespace {

using K = AlbumFindingKind;

// The block: the catalog number (128 bytes, NUL-padded), the lead-in (8), the is-CD bit and 258
// bytes reserved, the count of tracks (1). A track: its offset (8), number (1), ISRC (12), the
// type and pre-emphasis bits and 13 bytes reserved, the count of its indexes (1). An index: its
// offset from the track's (8), number (1) and 3 bytes reserved.
constexpr size_t kHeadBytes = 128 + 8 + 259 + 1;
constexpr size_t kTrackBytes = 8 + 1 + 12 + 14 + 1;
constexpr size_t kIndexBytes = 8 + 1 + 3;
// The lead-out's number: 170 in a CD's block, 255 in others; metaflac keeps 170 where it finds
// the sheet it imports no CD's and clears the is-CD bit, as for audio that ends inside a frame.
constexpr uint8_t kCdLeadOut = 170;
constexpr uint8_t kLeadOut = 255;

uint64_t Be8(std::span<const uint8_t> b) {
  uint64_t high = Assem4(b[3], b[2], b[1], b[0]);
  return high << 32 | Assem4(b[7], b[6], b[5], b[4]);
}

// a + b, or the largest offset where that does not fit.
uint64_t Sum(uint64_t a, uint64_t b) {
  return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max()
                                                      : a + b;
}

// The text of a NUL-padded field, up to its first NUL.
std::string_view Text(std::span<const uint8_t> b) {
  std::string_view text(reinterpret_cast<const char*>(b.data()), b.size());
  return text.substr(0, text.find('\0'));
}

struct BlockReader {
  std::span<const uint8_t> block;
  uint64_t total_samples;
  uint64_t rate;
  FlacCueSheet out;
  size_t pos = 0;
  int place = 0;  // The place of the track being read, from 1.

  void Find(K kind, uint64_t value = 0, uint64_t other = 0) {
    AddAlbumFinding(&out.read.findings, {kind, place, value, other});
  }

  // The next n bytes, or nothing where the block is cut short before their end, which is found.
  std::optional<std::span<const uint8_t>> Take(size_t n) {
    if (block.size() - pos < n) {
      AddAlbumFinding(&out.read.findings, {K::kBlockCut, 0, pos + n, block.size()});
      return std::nullopt;
    }
    pos += n;
    return block.subspan(pos - n, n);
  }

  // An offset in samples after from (0, or for an index its track's offset): found where it
  // lies past the audio (for the lead-out, where it ends past it) or off a CD frame. The lead-out
  // may lie inside a frame: the audio ends there, and a burner fills the frame with silence.
  void CheckOffset(uint64_t number, uint64_t offset, uint64_t from, bool lead_out) {
    uint64_t at = Sum(from, offset);
    bool past = total_samples != 0 && (lead_out ? at > total_samples : at >= total_samples);
    if (past) Find(K::kOffsetPastEnd, number, at);
    if (!lead_out && offset % rate * cd::kFramesPerSecond % rate != 0) {
      Find(K::kOffsetNotOnFrame, number, offset);
    }
  }

  // The CD frames of an offset, a part of a frame dropped, at most the largest a frame count
  // holds.
  uint32_t Frames(uint64_t offset) const {
    const uint64_t seconds = offset / rate;
    const uint64_t frames = offset % rate * cd::kFramesPerSecond / rate;
    constexpr uint64_t kMost = std::numeric_limits<uint32_t>::max();
    if (seconds > kMost / cd::kFramesPerSecond) return kMost;
    return static_cast<uint32_t>(std::min(kMost, seconds * cd::kFramesPerSecond + frames));
  }

  void Indexes(AlbumTrack* track, uint64_t offset, size_t count);
  void Read();
};

// Reads the indexes of a track that starts at offset into it; stops where the block is cut short.
void BlockReader::Indexes(AlbumTrack* track, uint64_t offset, size_t count) {
  int last_number = 256;
  for (size_t i = 0; i < count; ++i) {
    std::optional<std::span<const uint8_t>> x = Take(kIndexBytes);
    if (!x) return;
    uint64_t relative = Be8(x->first(8));
    uint8_t n = (*x)[8];
    CheckOffset(track->number, relative, offset, false);
    bool next = last_number == 256 ? n <= 1 : n == last_number + 1;
    if (!next) Find(K::kIndexNumberNotNext, n, static_cast<uint64_t>(last_number));
    bool taken = std::any_of(track->indexes.begin(), track->indexes.end(),
                             [n](const AlbumIndex& x) { return x.number == n; });
    if (n > kMaxIndexNumber || taken) continue;
    last_number = n;
    const uint32_t frames = Frames(Sum(offset, relative));
    if (!track->indexes.empty() && frames < track->indexes.back().frames) {
      Find(K::kIndexBackwards, frames, track->indexes.back().frames);
    }
    track->indexes.push_back({n, 0, frames, place});
  }
  if (std::none_of(track->indexes.begin(), track->indexes.end(),
                   [](const AlbumIndex& x) { return x.number == 1; })) {
    Find(K::kNoIndex01, track->number);
  }
}

void BlockReader::Read() {
  Album& album = out.read.album;
  std::optional<std::span<const uint8_t>> head = Take(kHeadBytes);
  if (!head) return;
  if (std::string_view catalog = Text(head->first(128)); !catalog.empty()) {
    if (std::optional<K> problem = CatalogProblem(catalog)) {
      Find(*problem);
    } else {
      album.catalog = catalog;
    }
  }
  out.lead_in = Be8(head->subspan(128, 8));
  out.is_cd = ((*head)[136] & 0x80) != 0;
  album.files.push_back({"", "", FileType::kFlac, 0});
  size_t count = (*head)[kHeadBytes - 1];
  AlbumTrack dropped;
  std::optional<uint8_t> before;
  for (size_t i = 0; i < count; ++i) {
    place = static_cast<int>(i) + 1;
    std::optional<std::span<const uint8_t>> t = Take(kTrackBytes);
    if (!t) return;
    uint64_t offset = Be8(t->first(8));
    uint8_t number = (*t)[8];
    uint8_t flags = (*t)[21];
    size_t indexes = (*t)[35];
    if (i + 1 == count && (number == kCdLeadOut || number == kLeadOut)) {
      // The lead-out has no indexes; any the block gives are passed over.
      CheckOffset(number, offset, 0, true);
      out.lead_out = offset;
      if (!Take(indexes * kIndexBytes)) return;
      break;
    }
    if (number == 0 || number > cd::kMaxTracks) Find(K::kTrackNumberOutOfRange, number);
    if (before && number != *before + 1) Find(K::kTrackNumberNotNext, number, *before);
    before = number;
    if (i == kMaxAlbumTracks) Find(K::kTooManyTracks);
    AlbumTrack* track =
        album.tracks.size() < kMaxAlbumTracks ? &album.tracks.emplace_back() : &(dropped = {});
    track->number = number;
    track->line = place;
    track->mode = (flags & 0x80) != 0 ? TrackMode::kData : TrackMode::kAudio;
    if ((flags & 0x40) != 0) track->flags |= kAlbumFlagPre;
    if (std::string_view isrc = Text(t->subspan(9, 12)); !isrc.empty()) {
      if (std::optional<K> problem = IsrcProblem(isrc)) {
        Find(*problem);
      } else {
        track->isrc = isrc;
      }
    }
    CheckOffset(number, offset, 0, false);
    Indexes(track, offset, indexes);
  }
  place = 0;
  if (!out.lead_out) Find(K::kNoLeadOut, before.value_or(0));
  if (pos < block.size()) Find(K::kBlockLonger, pos, block.size());
}

}  // namespace

FlacCueSheet ReadFlacCueSheet(std::span<const uint8_t> block, uint64_t total_samples,
                              uint32_t rate) {
  BlockReader reader{block, total_samples, rate != 0 ? rate : cd::kRate, {}};
  reader.Read();
  return std::move(reader.out);
}

}  // namespace vantorel
