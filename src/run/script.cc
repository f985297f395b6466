#include "run/script.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "disc/checks.h"
#include "run/remedies.h"

namespace vantorel {

namespace {

// A line of the list to replace, by where it stands in the list's text.
struct Rewrite {
  size_t from = 0;
  size_t size = 0;
  std::string line;  // Empty: the line goes, with its line end.
};

// The list's text with the lines rewritten, each rewrite within the text.
std::string Rewritten(std::string_view text, const std::map<size_t, Rewrite>& rewrites) {
  std::string out;
  size_t at = 0;
  for (const auto& [from, r] : rewrites) {
    if (from < at) continue;
    out.append(text.substr(at, from - at));
    size_t end = from + r.size;
    if (r.line.empty()) {
      // The line goes with the line end after it: CR LF, LF or CR.
      if (end < text.size() && text[end] == '\r') ++end;
      if (end < text.size() && text[end] == '\n') ++end;
    } else {
      out.append(r.line);
    }
    at = end;
  }
  out.append(text.substr(at));
  return out;
}

// A comment for what a file that ends inside a CD frame leaves to choose: join it to the next
// file, where the recording goes on, or pad it to a whole frame.
void AppendPaddingChoice(std::string* out, const Finding& f) {
  out->append("# \"").append(f.subject).append("\" ends inside a CD frame, so a burner adds ");
  out->append(std::to_string(f.count.samples)).append(" samples of silence before \"");
  out->append(f.names.next_file).append("\". ");
  if (f.joinable) {
    std::string joined = JoinedName(f.subject, f.names.next_file);
    out->append("Where the recording goes on, join them and write \"").append(joined);
    out->append("\" in place of \"").append(f.subject).append("\" and \"S ");
    out->append(CueTime(f.frames)).append("\" in place of \"").append(f.names.next_file);
    out->append("\":\n#   ");
    AppendJoinCommand(out, f.subject, f.names.next_file, joined);
    out->append("\n# Or, to ");
  } else {
    out->append("To ");
  }
  out->append("end it on a whole frame, write the line as \"").append(CdWavName(f.part.stem));
  out->append("\":\n#   ");
  AppendPadCommand(out, f.subject, f.part.stem, f.count.samples);
  out->push_back('\n');
}

}  // namespace

std::string FixScript(std::string_view list_text, std::span<const Finding> findings,
                      const Names& names) {
  std::string commands;
  std::string comments;
  std::map<size_t, Rewrite> rewrites;
  std::vector<std::string> done;
  auto in_list = [&](std::string_view s) {
    return !s.empty() && std::less_equal<const char*>()(list_text.data(), s.data()) &&
           std::less_equal<const char*>()(s.data() + s.size(), list_text.data() + list_text.size());
  };
  // The lines the script rewrites, and those it gives a title, by number: what the comments say
  // of them is done by then.
  std::map<uint64_t, bool> rewritten;  // true where the line goes.
  std::vector<uint64_t> titled;
  for (const Finding& f : findings) {
    std::optional<std::string> line = FixOf(f).line;
    if (!line || f.line <= 0 || !in_list(f.subject)) continue;
    rewritten.emplace(static_cast<uint64_t>(f.line), line->empty());
    if (f.kind == FindingKind::kSplitAtStart && !line->empty()) {
      titled.push_back(static_cast<uint64_t>(f.other_line));
    }
  }
  auto done_by_script = [&](const Finding& f) {
    auto removed = rewritten.find(static_cast<uint64_t>(f.line));
    if (removed != rewritten.end() && removed->second) return true;
    if (f.kind == FindingKind::kPregapIgnored) {
      return rewritten.count(static_cast<uint64_t>(f.other_line)) != 0;
    }
    if (f.kind == FindingKind::kTrackWithoutTitle) {
      return std::find(titled.begin(), titled.end(), static_cast<uint64_t>(f.line)) != titled.end();
    }
    return false;
  };
  for (const Finding& f : findings) {
    if (f.kind == FindingKind::kEndsInsideFrame) {
      AppendPaddingChoice(&comments, f);
      continue;
    }
    if (IsNote(f.kind)) continue;
    Fix fix = FixOf(f);
    bool rewrites_line = fix.line && f.line > 0 && in_list(f.subject);
    if (fix.command.empty() && !rewrites_line) {
      // What only the user can do, as the warning says it.
      if (done_by_script(f)) continue;
      std::string said = FindingLines({&f, 1}, names);
      comments.append("# ").append(said.substr(said.find(": ") + 2));
      continue;
    }
    if (!fix.command.empty() && std::find(done.begin(), done.end(), fix.command) == done.end()) {
      commands.append(fix.command).push_back('\n');
      done.push_back(fix.command);
    }
    if (rewrites_line) {
      size_t from = static_cast<size_t>(f.subject.data() - list_text.data());
      rewrites.emplace(from, Rewrite{from, f.subject.size(), *fix.line});
    }
  }
  std::string script =
      "#!/bin/sh\n"
      "# The fixes vantorel gives for the track list ";
  script.append(names.list)
      .append(
          ": run this script with sh, then vantorel again.\n"
          "set -e\n");
  script.append(commands);
  if (!rewrites.empty()) {
    std::string orig = std::string(names.list) + ".orig";
    script.append("cp -- ");
    AppendShellWord(&script, names.list);
    script.push_back(' ');
    AppendShellWord(&script, orig);
    script.append("\nprintf '%s' ");
    AppendSingleQuoted(&script, Rewritten(list_text, rewrites));
    script.append(" > ");
    AppendShellWord(&script, names.list);
    script.push_back('\n');
  }
  if (!comments.empty()) {
    script.append("# Left for you to decide:\n").append(comments);
  }
  return script;
}

}  // namespace vantorel
