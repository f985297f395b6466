#include "run/list_edit.h"

#include <algorithm>

namespace vantorel {

std::string_view LineEndOf(std::string_view text) {
  size_t end = text.find_first_of("\r\n");
  if (end == text.npos) return "\n";
  if (text[end] == '\n') return "\n";
  return text.substr(end + 1).starts_with('\n') ? "\r\n" : "\r";
}

size_t ReadEnd(std::string_view text) {
  return std::min(text.find('\0'), text.size());
}

namespace {

// The part of the list's text from from to to, with the rewrites that stand in it.
std::string RewrittenPart(std::string_view text, const std::map<size_t, Rewrite>& rewrites,
                          size_t from, size_t to) {
  std::string out;
  size_t at = from;
  auto past_line_end = [&text](size_t end) {
    // CR LF, LF or CR.
    if (end < text.size() && text[end] == '\r') ++end;
    if (end < text.size() && text[end] == '\n') ++end;
    return end;
  };
  for (auto it = rewrites.lower_bound(from); it != rewrites.end() && it->first < to; ++it) {
    const auto& [pos, r] = *it;
    if (pos < at) continue;
    out.append(text.substr(at, pos - at));
    size_t end = pos + r.size;
    if (r.line.empty()) {
      end = past_line_end(end);
    } else {
      out.append(r.line);
      if (!r.after.empty()) {
        size_t next = past_line_end(end);
        out.append(next == end ? LineEndOf(text) : text.substr(end, next - end));
        out.append(r.after);
        end = next;
      }
    }
    at = end;
  }
  out.append(text.substr(at, std::max(at, to) - at));
  return out;
}

}  // namespace

std::string Rewritten(std::string_view text, const ListEdit& edit) {
  const std::map<size_t, Rewrite>& rewrites = edit.rewrites;
  const std::string_view at_end = edit.at_end;
  std::span<const Block> order = edit.order;
  const size_t read_end = ReadEnd(text);
  auto ends_line = [](const std::string& s) { return s.ends_with('\n') || s.ends_with('\r'); };
  std::string out;
  if (order.empty()) {
    out = RewrittenPart(text, rewrites, 0, read_end);
  } else {
    size_t first = read_end;
    for (const Block& block : order) first = std::min(first, block.from);
    out = RewrittenPart(text, rewrites, 0, first);
    for (const Block& block : order) {
      std::string part = RewrittenPart(text, rewrites, block.from, block.to);
      if (!part.empty() && !ends_line(part)) part.append(LineEndOf(text));
      out.append(part);
    }
  }
  if (!at_end.empty()) {
    if (!out.empty() && !ends_line(out)) out.append(LineEndOf(text));
    out.append(at_end);
  }
  out.append(text.substr(read_end));
  return out;
}

}  // namespace vantorel
