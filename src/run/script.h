// What --script prints in place of the report: a POSIX shell script that does every fix the
// findings give as a command or a line of the list, and says in comments what it leaves to the
// user.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "disc/findings.h"
#include "run/finding_text.h"

namespace vantorel {

// The script for the list called names.list, whose text is list_text, from the findings of a run
// on it. The list's lines it rewrites are those of findings whose subject is a line of list_text.
std::string FixScript(std::string_view list_text, std::span<const Finding> findings,
                      const Names& names);

}  // namespace vantorel
