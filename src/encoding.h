// Text encodings the tool meets in lists and in tags: UTF-8, Windows-1252 (Latin-1 with Windows'
// letters and signs where Latin-1 has control characters) and UTF-16. Like cd.h, it stands below
// every room: the list's texts, the files' tags and the CD-TEXT written from both are read
// through it alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// The character Windows-1252 gives a byte: Latin-1's, but at 0x80 to 0x9F Windows' letters and
// signs (curly quotes, dashes, the euro sign); the five bytes there that Windows leaves undefined
// stay Latin-1's control characters.
char32_t FromWindows1252(uint8_t byte);

// The code point of the UTF-8 sequence at the start of text, and its length in bytes; a length
// of 0 where the bytes are no valid UTF-8 (cut short, overlong, a surrogate or past U+10FFFF).
struct Utf8Char {
  char32_t code = 0;
  size_t length = 0;
};
Utf8Char DecodeUtf8(std::string_view text);

// Whether text is valid UTF-8 throughout.
bool IsUtf8(std::string_view text);

// Appends code, a code point up to U+10FFFF, as UTF-8.
void AppendUtf8(char32_t code, std::string* out);

// Calls take with every character of text: text is read as UTF-8 where the whole of it is valid
// UTF-8, and otherwise as Windows-1252, a character to a byte.
template <typename Take>
void ForEachChar(std::string_view text, Take take) {
  if (IsUtf8(text)) {
    for (size_t i = 0; i < text.size();) {
      Utf8Char c = DecodeUtf8(text.substr(i));
      take(c.code);
      i += c.length;
    }
  } else {
    for (char c : text) take(FromWindows1252(static_cast<uint8_t>(c)));
  }
}

// Windows-1252 text as UTF-8.
std::string Windows1252ToUtf8(std::string_view text);

// Text of 8-bit characters as UTF-8: as it is where it is valid UTF-8, and otherwise read as
// Windows-1252.
std::string ToUtf8(std::string_view text);

// UTF-16 code units as UTF-8, up to the first zero unit; empty where a surrogate is unpaired.
std::string Utf16ToUtf8(std::u16string_view units);

// The bytes after a UTF-16 byte order mark at the start of text, read in the order it gives, as
// Utf16ToUtf8 gives them (a lone byte at the end left out); nothing where text starts with none.
std::optional<std::string> MarkedUtf16ToUtf8(std::string_view text);

}  // namespace vantorel
