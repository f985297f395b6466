// The fixed list: the list's text with some of its lines rewritten or removed, lines added after
// some and at its end, and its files' blocks of lines, where they are to be, in another order.
// Every other byte stays as it is, line ends and what follows a NUL byte included.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// A line of the list to replace, by where it stands in the list's text.
struct Rewrite {
  size_t from = 0;
  size_t size = 0;
  std::string line;   // Empty: the line goes, with its line end.
  std::string after;  // Lines to add after it, each with its line end.
};

// A file's block of lines in the list's text: its line and those under it, up to the next file's.
struct Block {
  size_t from;
  size_t to;
};

struct ListEdit {
  std::map<size_t, Rewrite> rewrites;  // By where the line starts.
  std::string at_end;                  // Lines to add after the list's last line.
  std::vector<Block> order;            // The files' blocks, where they move.
  bool empty() const { return rewrites.empty() && at_end.empty() && order.empty(); }
};

// The list's text as edit makes it.
std::string Rewritten(std::string_view text, const ListEdit& edit);

// The line end the list uses: its first, or LF where it has none.
std::string_view LineEndOf(std::string_view text);

// Where the lines of the list end: at its first NUL byte, after which nothing is read.
size_t ReadEnd(std::string_view text);

}  // namespace vantorel
