#include "tracklist/list_text.h"

#include <cstring>

#include "audio/tags.h"

namespace vantorel {

namespace {

// The characters of Windows-1252 at bytes 0x80 to 0x9F; the five bytes Windows leaves undefined
// stay the control characters Latin-1 has there.
constexpr char16_t kWindowsHighBytes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string Windows1252AsUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char byte : bytes) {
    auto b = static_cast<unsigned char>(byte);
    char16_t c = b >= 0x80 && b < 0xA0 ? kWindowsHighBytes[b - 0x80] : b;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

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

std::string ListTextAsUtf8(std::string_view bytes) {
  return IsUtf8(bytes) ? std::string(bytes) : Windows1252AsUtf8(bytes);
}

}  // namespace vantorel
