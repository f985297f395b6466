#include "encoding.h"

namespace vantorel {

namespace {

// What Windows puts at bytes 0x80 to 0x9F.
constexpr char16_t kWindowsHighBytes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char32_t FromWindows1252(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kWindowsHighBytes[byte - 0x80] : byte;
}

Utf8Char DecodeUtf8(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  if (text.empty()) return {};
  unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return {};
  char32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    code = code << 6 | (byte(i) & 0x3F);
  }
  constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {code, length};
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    // ASCII, most of any text, a byte at a time without decoding.
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t length = DecodeUtf8(text.substr(i)).length;
    if (length == 0) return false;
    i += length;
  }
  return true;
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | c >> 6);
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | c >> 12);
    *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | c >> 18);
    *out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) AppendUtf8(FromWindows1252(static_cast<uint8_t>(c)), &out);
  return out;
}

std::string ToUtf8(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}

std::string Utf16ToUtf8(std::u16string_view units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c == 0) break;
    if (c >= 0xDC00 && c < 0xE000) return {};
    if (c >= 0xD800 && c < 0xDC00) {
      char32_t low = i + 1 < units.size() ? units[i + 1] : 0;
      if (low < 0xDC00 || low >= 0xE000) return {};
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::optional<std::string> MarkedUtf16ToUtf8(std::string_view text) {
  const bool little = text.starts_with("\xFF\xFE");
  if (!little && !text.starts_with("\xFE\xFF")) return std::nullopt;
  std::u16string units(text.size() / 2 - 1, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<uint8_t>(text[2 * i + 2]);
    const auto second = static_cast<uint8_t>(text[2 * i + 3]);
    units[i] = static_cast<char16_t>(little ? second << 8 | first : first << 8 | second);
  }
  return Utf16ToUtf8(units);
}

}  // namespace vantorel
