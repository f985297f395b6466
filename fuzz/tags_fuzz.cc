// Fuzz target: any bytes as a whole file whose tags are read; every text read is UTF-8, and the
// cue sheet block is no larger than the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "audio/tags.h"
#include "audio/wavprobe.h"
#include "encoding.h"

using namespace vantorel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  auto read_at = [file](uint64_t offset, std::span<uint8_t> into) -> int64_t {
    if (offset >= file.size()) return 0;
    size_t n = std::min(into.size(), static_cast<size_t>(file.size() - offset));
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, into.begin());
    return static_cast<int64_t>(n);
  };
  FileTags tags = ReadTags({file.first(std::min(size, kHeadBytes)), size, read_at});
  for (const std::string* text :
       {&tags.title, &tags.artist, &tags.album, &tags.album_artist, &tags.cuesheet}) {
    if (!IsUtf8(*text)) std::abort();
  }
  // No block is read past the file, nor beyond the most bytes of one tag.
  if (tags.cuesheet_block.size() > std::min<size_t>(size, size_t{1} << 20)) std::abort();
  return 0;
}
