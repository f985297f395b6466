#include "tracklist/playlist.h"

#include <algorithm>

#include "encoding.h"
#include "tracklist/album.h"
#include "tracklist/list_text.h"
#include "tracklist/tracklist.h"

namespace vantorel {

Playlist ReadPlaylist(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  constexpr std::string_view kExtInf = "#EXTINF:";
  if (std::optional<std::string> utf8 = MarkedUtf16ToUtf8(text)) return ReadPlaylist(*utf8);
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  Playlist list;
  PlaylistEntry next;
  int number = 0;
  for (size_t pos = 0; pos < text.size();) {
    std::string_view line = TrimBlanks(TakeLine(text, &pos));
    ++number;
    if (line.starts_with(kExtInf)) {
      line.remove_prefix(kExtInf.size());
      size_t comma = std::min(line.find(','), line.size());
      std::string_view length = line.substr(0, comma);
      size_t digits = std::min(length.find_first_not_of("0123456789"), length.size());
      next.seconds = -1;
      if (digits > 0 && digits <= 9) {
        next.seconds = 0;
        for (char c : length.substr(0, digits)) next.seconds = next.seconds * 10 + (c - '0');
      }
      std::string_view about = TrimBlanks(line.substr(std::min(comma + 1, line.size())));
      size_t cut = about.find(" - ");
      next.performer = cut == about.npos ? "" : ToUtf8(TrimBlanks(about.substr(0, cut)));
      next.title = ToUtf8(cut == about.npos ? about : TrimBlanks(about.substr(cut + 3)));
      continue;
    }
    if (line.empty() || line.starts_with('#')) continue;
    if (list.entries.size() == kMaxAlbumFiles) {
      ++list.entries_not_kept;
    } else {
      next.raw_name = line;
      next.name = ToUtf8(line);
      std::replace(next.name.begin(), next.name.end(), '\\', '/');
      next.line = number;
      list.entries.push_back(std::move(next));
    }
    next = {};
  }
  return list;
}

AlbumRead PlaylistAlbum(const Playlist& list) {
  AlbumRead read;
  for (const PlaylistEntry& e : list.entries) {
    if (read.album.tracks.size() == kMaxAlbumTracks) {
      AddAlbumFinding(&read.findings, {AlbumFindingKind::kTooManyTracks, e.line});
      break;
    }
    const auto file = static_cast<uint16_t>(read.album.files.size());
    read.album.files.push_back({e.raw_name, e.name, FileType::kUnknown, e.line});
    AlbumTrack& track = read.album.tracks.emplace_back();
    track.number = static_cast<uint16_t>(file + 1);
    track.mode = TrackMode::kAudio;
    track.line = e.line;
    track.texts.title = e.title;
    track.texts.performer = e.performer;
    track.indexes.push_back({1, file, 0, e.line});
    if (std::optional<AlbumFindingKind> problem = NameProblem(e.name)) {
      AddAlbumFinding(&read.findings, {*problem, e.line});
    }
  }
  std::vector<std::string> performers;
  for (const AlbumTrack& t : read.album.tracks) performers.push_back(t.texts.performer);
  read.album.texts.performer = AgreedText(performers);
  if (list.entries_not_kept != 0) {
    AddAlbumFinding(&read.findings, {AlbumFindingKind::kTooManyFiles, 0});
  }
  return read;
}

}  // namespace vantorel
