// What --script prints in place of the report: a POSIX shell script that does every fix the
// findings give as a command or a line of the list, and says in comments what it leaves to the
// user.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "audio/tags.h"
#include "disc/findings.h"
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

// The script for the list called names.list from the findings of a run on it. The list's lines
// it rewrites are those of findings whose subject is a line of list.text.
std::string FixScript(const ScriptList& list, std::span<const Finding> findings,
                      const Names& names);

// The checksum and size of bytes as POSIX cksum gives them for its standard input.
std::string CksumLine(std::string_view bytes);

}  // namespace vantorel
