// The texts of a list written by another program, as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vantorel {

// The text as UTF-8: as it is where it is valid UTF-8, else read as Windows-1252, as programs on
// Windows write a list in the system's code page (Latin-1 with Windows' letters and signs where
// Latin-1 has control characters).
std::string ListTextAsUtf8(std::string_view bytes);

}  // namespace vantorel
