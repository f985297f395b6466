#include "disc/album_plan.h"

#include <algorithm>

namespace vantorel {

namespace {

using K = AlbumFindingKind;

// A CD+G track is not: its file holds 2448 bytes a sector, the graphics beside the audio, which no
// converter takes apart.
bool IsAudio(TrackMode mode) {
  return mode == TrackMode::kAudio || mode == TrackMode::kUnknown;
}

const AlbumIndex* IndexOf(const AlbumTrack& track, int number) {
  for (const AlbumIndex& i : track.indexes) {
    if (i.number == number) return &i;
  }
  return nullptr;
}

// An audio track the list carries, with the indexes it is laid out by.
struct Kept {
  const AlbumTrack* track;
  const AlbumIndex* zero;  // Where its gap starts; none where it has none, or it is dropped.
  const AlbumIndex* one;
};

// Where a track's audio starts, its gap included.
const AlbumIndex& StartOf(const Kept& k) {
  return k.zero != nullptr ? *k.zero : *k.one;
}

// The plan as it is made: the plan itself and what the making keeps between its steps.
struct Planner {
  const Album& album;
  std::span<const AlbumFileFacts> facts;
  AlbumPlan plan = {};
  std::vector<Kept> kept = {};
  // Of each of the album's files, the plan's file it goes into (none where it is not used) and
  // where it starts there.
  std::vector<int> group = {};
  std::vector<uint64_t> offset = {};

  void Find(K kind, int line, uint64_t value = 0, uint64_t other = 0) {
    AddAlbumFinding(&plan.findings, {kind, line, value, other});
  }
  void KeepTracks(const std::vector<bool>& in_use);
  void Group(uint16_t first, uint16_t last);
  void Place();
};

void Planner::KeepTracks(const std::vector<bool>& in_use) {
  bool texts_said[4] = {};
  bool scms_said = false;
  auto texts_left_out = [&](const AlbumTexts& t, int line) {
    const std::string* texts[] = {&t.songwriter, &t.composer, &t.arranger, &t.message};
    for (int i = 0; i < 4; ++i) {
      if (texts[i]->empty() || texts_said[i]) continue;
      texts_said[i] = true;
      Find(K::kTextsLeftOut, line, static_cast<uint64_t>(i));
    }
  };
  texts_left_out(album.texts, 0);
  if (!album.cdtext_file.empty()) Find(K::kCdTextFileLeftOut, 0);
  for (const AlbumTrack& t : album.tracks) {
    const AlbumIndex* one = IndexOf(t, 1);
    if (!IsAudio(t.mode)) {
      bool shares = std::any_of(t.indexes.begin(), t.indexes.end(),
                                [&](const AlbumIndex& i) { return in_use[i.file]; });
      Find(shares ? K::kDataTrackInFile : K::kDataTrackLeftOut, t.line, t.number,
           t.mode == TrackMode::kCdg ? 1 : 0);
      continue;
    }
    // The reader says where a track has no INDEX 01.
    if (one == nullptr) continue;
    texts_left_out(t.texts, t.line);
    if ((t.flags & kAlbumFlagScms) != 0 && !scms_said) {
      scms_said = true;
      Find(K::kScmsLeftOut, t.line, t.number);
    }
    if (t.postgap) Find(K::kPostgapLeftOut, t.line, t.number);
    const AlbumIndex* more = nullptr;
    uint64_t count = 0;
    for (const AlbumIndex& i : t.indexes) {
      if (i.number < 2) continue;
      if (more == nullptr) more = &i;
      ++count;
    }
    if (more != nullptr) Find(K::kIndexesLeftOut, more->line, t.number, count);
    kept.push_back({&t, IndexOf(t, 0), one});
  }
}

// Puts each file from first to last into a file of the list: with the file before, where it does
// not start with the start of a track and the file before is known to end on a whole frame; else
// as a file of its own, the audio at its start given to a track as said.
void Planner::Group(uint16_t first, uint16_t last) {
  for (uint16_t f = first; f <= last; ++f) {
    const int line = album.files[f].line;
    bool clean = std::any_of(kept.begin(), kept.end(), [&](const Kept& k) {
      return StartOf(k).file == f && StartOf(k).frames == 0;
    });
    if (f != first && !clean && facts[f - 1].whole) {
      group[f] = group[f - 1];
      offset[f] = offset[f - 1] + *facts[f - 1].frames;
      plan.files.back().parts.push_back(f);
      Find(K::kFilesJoined, line, f);
      continue;
    }
    if (f != first && !clean) {
      auto k =
          std::find_if(kept.begin(), kept.end(), [&](const Kept& k) { return k.one->file == f; });
      if (k == kept.end()) {
        Find(K::kCannotJoin, line, f);
        continue;
      }
      if (k->zero != nullptr && k->zero->file < f && k == kept.begin()) {
        // Before track 1 there is no track to give the audio to: the files that hold only it go.
        const PlannedFile& before = plan.files.back();
        Find(K::kAudioBeforeLeftOut, album.files[before.parts[0]].line, before.parts[0]);
        for (uint16_t part : before.parts) group[part] = -1;
        plan.files.pop_back();
      } else if (k->zero != nullptr && k->zero->file < f) {
        Find(K::kGapInTrackBefore, k->one->line, k->track->number);
      } else {
        Find(K::kGapFromTrackBefore, k->one->line, k->track->number);
      }
      k->zero = nullptr;
    }
    group[f] = static_cast<int>(plan.files.size());
    offset[f] = 0;
    plan.files.push_back({{f}});
  }
}

// Places each track in its file of the list.
void Planner::Place() {
  int last_group = -1;
  for (const Kept& k : kept) {
    const int g = group[k.one->file];
    if (g < 0) continue;
    PlannedTrack t{k.track, static_cast<uint16_t>(g)};
    const uint64_t start = offset[k.one->file] + k.one->frames;
    t.start = static_cast<uint32_t>(std::min<uint64_t>(start, UINT32_MAX));
    if (g != last_group) {
      // A file's first track has the audio before it for its gap.
      t.gap = t.start;
    } else if (k.zero != nullptr && group[k.zero->file] == g) {
      t.gap = t.start - static_cast<uint32_t>(
                            std::min<uint64_t>(offset[k.zero->file] + k.zero->frames, t.start));
    }
    last_group = g;
    if (k.track->pregap && *k.track->pregap != 0) {
      if (t.gap != 0) {
        Find(K::kPregapWithGap, k.track->line, k.track->number);
      } else {
        t.pregap = *k.track->pregap;
      }
    }
    t.flags = k.track->flags & (kAlbumFlagDcp | kAlbumFlag4ch | kAlbumFlagPre);
    plan.tracks.push_back(t);
  }
}

}  // namespace

std::vector<bool> FilesInUse(const Album& album) {
  std::vector<bool> used(album.files.size());
  size_t first = used.size();
  size_t last = 0;
  for (const AlbumTrack& t : album.tracks) {
    if (!IsAudio(t.mode) || IndexOf(t, 1) == nullptr) continue;
    for (const AlbumIndex& i : t.indexes) {
      first = std::min<size_t>(first, i.file);
      last = std::max<size_t>(last, i.file);
    }
  }
  // A file between two in use holds the end of a track.
  for (size_t f = first; f <= last && f < used.size(); ++f) used[f] = true;
  return used;
}

AlbumPlan PlanAlbum(const AlbumRead& read, std::span<const AlbumFileFacts> facts) {
  const Album& album = read.album;
  Planner p{album, facts};
  for (const AlbumFinding& f : read.findings) {
    // The plan says how it keeps such a gap.
    if (f.kind != K::kIndex00InFileBefore) AddAlbumFinding(&p.plan.findings, f);
  }
  const std::vector<bool> in_use = FilesInUse(album);
  p.KeepTracks(in_use);
  bool files_usable = facts.size() == album.files.size();
  for (size_t f = 0; f < album.files.size() && files_usable; ++f) {
    const bool holds_data = std::any_of(album.tracks.begin(), album.tracks.end(), [&](auto& t) {
      return !IsAudio(t.mode) && std::any_of(t.indexes.begin(), t.indexes.end(),
                                             [&](const AlbumIndex& i) { return i.file == f; });
    });
    if (!in_use[f] && !holds_data) p.Find(K::kFileNotUsed, album.files[f].line, f);
    if (in_use[f]) {
      files_usable = facts[f].state == FileState::kAsIs || facts[f].state == FileState::kConverted;
    }
  }
  if (p.kept.empty()) p.Find(K::kNoAudioTrack, 0);
  for (const Kept& k : p.kept) {
    for (const AlbumIndex* i : {k.zero, k.one}) {
      if (i == nullptr || !files_usable || !facts[i->file].frames) continue;
      if (i->frames > *facts[i->file].frames) {
        p.Find(K::kIndexPastEnd, i->line, i->frames, *facts[i->file].frames);
      }
    }
  }
  auto error = [](const AlbumFinding& f) { return SeverityOf(f.kind) == Severity::kError; };
  if (files_usable && !p.kept.empty() &&
      std::none_of(p.plan.findings.begin(), p.plan.findings.end(), error)) {
    p.group.assign(album.files.size(), -1);
    p.offset.assign(album.files.size(), 0);
    uint16_t first =
        static_cast<uint16_t>(std::find(in_use.begin(), in_use.end(), true) - in_use.begin());
    uint16_t last =
        static_cast<uint16_t>(in_use.rend() - std::find(in_use.rbegin(), in_use.rend(), true) - 1);
    p.Group(first, last);
    p.Place();
  }
  std::vector<AlbumFinding>& found = p.plan.findings;
  const size_t sorted = std::min(found.size(), kMaxAlbumFindings);
  std::stable_sort(found.begin(), found.begin() + static_cast<ptrdiff_t>(sorted),
                   [](const AlbumFinding& a, const AlbumFinding& b) { return a.line < b.line; });
  p.plan.usable =
      files_usable && !p.plan.tracks.empty() && std::none_of(found.begin(), found.end(), error);
  return std::move(p.plan);
}

Severity SeverityOf(AlbumFindingKind kind) {
  switch (kind) {
    case K::kLineNotTaken:
    case K::kTrackNumberOutOfRange:
    case K::kTooManyTracks:
    case K::kTimeOutOfRange:
    case K::kTimeUnreadable:
    case K::kIndexBackwards:
    case K::kNoIndex01:
    case K::kAbsoluteName:
    case K::kParentInName:
    case K::kTooManyFiles:
    case K::kBlockCut:
    case K::kBlockLonger:
    case K::kNoLeadOut:
    case K::kOffsetPastEnd:
    case K::kOffsetNotOnFrame:
    case K::kFileMissing:
    case K::kFileNotRegular:
    case K::kCannotJoin:
    case K::kIndexPastEnd:
    case K::kDataTrackInFile:
    case K::kNoAudioTrack:
      return Severity::kError;
    case K::kUnknownCommand:
    case K::kWordNotKnown:
    case K::kTrackNumberNotNext:
    case K::kIndexNumberNotNext:
    case K::kIsrcMalformed:
    case K::kCatalogMalformed:
    case K::kTextTooLong:
    case K::kAudioBeforeLeftOut:
    case K::kPregapWithGap:
    case K::kPostgapLeftOut:
      return Severity::kWarning;
    default:
      return Severity::kNote;
  }
}

}  // namespace vantorel
