// The texts of a list written by another program, as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

// The text as UTF-8: as it is where it is valid UTF-8, else read as Windows-1252, as programs on
// Windows write a list in the system's code page (Latin-1 with Windows' letters and signs where
// Latin-1 has control characters).
std::string ListTextAsUtf8(std::string_view bytes);

// The line of text that starts at pos, which it moves past the line and its end: LF, CR LF or a
// lone CR, as editors count lines. pos must lie inside the text.
std::string_view TakeLine(std::string_view text, size_t* pos);

}  // namespace vantorel
