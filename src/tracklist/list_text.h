// The lines of a list written by another program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel {

// The line of text that starts at pos, which it moves past the line and its end: LF, CR LF or a
// lone CR, as editors count lines. pos must lie inside the text.
std::string_view TakeLine(std::string_view text, size_t* pos);

}  // namespace vantorel
