// What --script prints in place of the report: a POSIX shell script that does every fix the
// findings give as a command or a line of the list, and says in comments what it leaves to the
// user.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "audio/tags.h"
#include "disc/disc.h"
#include "disc/findings.h"
#include "disc/layout.h"
#include "run/finding_text.h"

namespace vantorel {

// The tags of a file that a line of the list names.
struct LineTags {
  int number = 0;         // The line's number.
  std::string_view line;  // The line, in the list's text.
  FileTags tags = {};
};

// The list the script fixes.
struct ScriptList {
  std::string_view text;  // Every byte of it, also those after a NUL, which the reader stops at.
  // A regular file, which the script checks is unchanged and rewrites in place; anything else,
  // a pipe say, cannot be read again, and the fixed list goes to a new file.
  bool regular = true;
  // A name no file has: for the copy of a regular list as it stands (LIST.orig), or else for the
  // fixed list.
  std::string_view new_name;
  // The tags of the files its lines name that are, or are made into, CD WAV files, in the order
  // of the list.
  std::span<const LineTags> tags = {};
  // The working directory of the run, with no link in it, where the script must run; empty where
  // it is not known, and the script does not check.
  std::string_view folder = {};
};

// A title or performer from another program (the tags, a cue sheet) as a line of the list gives
// it: as the sheet writes it, or where letters of it would be lost, as given, on one line, which
// the next run says; none where, holding .wav, its line would name a WAV file.
std::string TextForLine(const std::string& raw);

// Appends a comment that says of text, the what of line, whose letters would be lost, what to do;
// nothing for any other text.
void SayLost(std::string* comments, const std::string& text, std::string_view what,
             std::string_view line);

// The script for the list called names.list, of which the run made disc, laid out as layout
// says, with findings: the commands of the findings' fixes, the list as the fixes and the files'
// tags write it (its lines as the disc has them, each rewritten where a finding is about it), and
// what is left to the user in comments.
std::string FixScript(const ScriptList& list, const Disc& disc, const DiscLayout& layout,
                      std::span<const Finding> findings, const Names& names);

}  // namespace vantorel
