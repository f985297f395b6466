// Fuzz target: any bytes as a cue sheet, read into an album that holds to the readers' limits,
// with every finding on one of its lines and those kept in the order of the lines, and laid out
// as a track list that reads back as the plan has it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "album_checks.h"
#include "disc/album_plan.h"
#include "run/album_script.h"
#include "tracklist/cue_reader.h"
#include "tracklist/list_form.h"
#include "tracklist/tracklist.h"

using namespace vantorel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  AlbumRead read = ReadCueSheet(text);
  // A line ends at LF, CR LF or a lone CR.
  int lines = static_cast<int>(std::count(text.begin(), text.end(), '\r') +
                               std::count(text.begin(), text.end(), '\n'));
  CheckAlbum(read, lines + 1);
  for (size_t i = 1; i < std::min(read.findings.size(), kMaxAlbumFindings); ++i) {
    if (read.findings[i].line < read.findings[i - 1].line) std::abort();
  }
  FormOfList("list", text);
  // Laid out with every file CD audio of whole frames, the album gives a list the list reader
  // reads back as a WAV line for each file of the plan and a split for each other track.
  std::vector<AlbumFileFacts> facts(read.album.files.size(), {FileState::kAsIs, 1 << 22, true});
  AlbumPlan plan = PlanAlbum(read, facts);
  if (!plan.usable) return 0;
  std::vector<std::string> names;
  for (size_t i = 0; i < plan.files.size(); ++i) names.push_back(std::to_string(i) + ".wav");
  std::string lost;
  const std::string list = AlbumListText(read.album, plan, names, &lost);
  TrackTable table;
  ClassifyTrackList(list, &table);
  size_t wavs =
      static_cast<size_t>(std::count(table.kind.begin(), table.kind.end(), LineKind::kWav));
  size_t splits =
      static_cast<size_t>(std::count(table.kind.begin(), table.kind.end(), LineKind::kSplit));
  if (wavs != plan.files.size() || wavs + splits != plan.tracks.size()) std::abort();
  return 0;
}
