// Fuzz target: any bytes as a cue sheet, read into an album that holds to the readers' limits,
// with every finding on one of its lines and those kept in the order of the lines.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "album_checks.h"
#include "tracklist/cue_reader.h"
#include "tracklist/list_form.h"

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
  return 0;
}
