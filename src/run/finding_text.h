// The standard error lines of findings: what each kind of finding says, worded in one place.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "disc/findings.h"

namespace vantorel {

// The names a finding's wording may give: the list read and the cue file written.
struct Names {
  std::string_view list;
  std::string_view cue;
};

// Appends the lines of findings, in the order given, each naming the line of the list it is about
// ("vantorel: LIST:LINE: warning: ...") or else the run ("vantorel: warning: ...").
void AppendFindingLines(std::string* out, std::span<const Finding> findings, const Names& names);

// The same lines, as a text of their own.
std::string FindingLines(std::span<const Finding> findings, const Names& names);

}  // namespace vantorel
