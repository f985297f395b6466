// Fuzz target: any bytes as a track list, classified and built into a cue sheet.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cuesheet/cuesheet.h"
#include "tracklist/tracklist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view list(reinterpret_cast<const char*>(data), size);
  TrackTable table;
  Classified c = ClassifyTrackList(list, &table);
  if (c.line_count < 0 || c.line_count > kMaxLines) std::abort();
  if (c.line_count > 0 && table.is_wav[0] != 1) std::abort();
  for (int i = 0; i < c.line_count; ++i) {
    // Every line is a non-empty piece of the list without line ends or NUL bytes.
    std::string_view line = table.text[i];
    if (line.empty() || line.find_first_of(std::string_view("\r\n\0", 3)) != line.npos) {
      std::abort();
    }
    if (line.data() < list.data() || line.data() + line.size() > list.data() + list.size()) {
      std::abort();
    }
  }
  CueSheet cue = BuildCueSheet(table, c.line_count);
  if (c.line_count == 0 ? !cue.text.empty() : cue.text.rfind("FILE \"", 0) != 0) std::abort();
  if (!cue.text.empty() && cue.text.back() != '\n') std::abort();
  return 0;
}
