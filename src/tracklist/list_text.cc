#include "tracklist/list_text.h"

#include <cstring>

namespace vantorel {

std::string_view TakeLine(std::string_view text, size_t* pos) {
  // memchr, which the C library fits to the processor, finds the LF; a CR is then looked for only
  // in the line before it.
  const char* from = text.data() + *pos;
  size_t length = text.size() - *pos;
  if (auto* lf = static_cast<const char*>(std::memchr(from, '\n', length)); lf != nullptr) {
    length = static_cast<size_t>(lf - from);
  }
  if (auto* cr = static_cast<const char*>(std::memchr(from, '\r', length)); cr != nullptr) {
    length = static_cast<size_t>(cr - from);
  }
  std::string_view line(from, length);
  *pos += length;
  if (*pos < text.size()) *pos += text.substr(*pos).starts_with("\r\n") ? 2 : 1;
  return line;
}

}  // namespace vantorel
