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

// Writes ? in place of every control character but the tab in *out from byte from on, so that a
// name that holds a line end, a CR or an escape cannot start a line of its own or steer a terminal.
void MaskControls(std::string* out, size_t from);

// Appends what a finding says, with its place ("LIST:LINE: warning: ..."), on no line of its own,
// its control characters masked.
void AppendPlacedText(std::string* out, const Finding& f, const Names& names);

// Appends the lines of findings, in the order given, each naming the line of the list it is about
// ("vantorel: LIST:LINE: warning: ...") or else the run ("vantorel: warning: ...").
void AppendFindingLines(std::string* out, std::span<const Finding> findings, const Names& names);

// The same lines, as a text of their own.
std::string FindingLines(std::span<const Finding> findings, const Names& names);

}  // namespace vantorel
