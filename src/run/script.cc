#include "run/script.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

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

// Appends text as printf's format in single quotes, which writes it byte for byte: a NUL as
// \000, which no shell word can hold, a - at its start as \055, lest it be read as an option,
// and % and \ doubled.
void AppendPrintfFormat(std::string* out, std::string_view text) {
  std::string format;
  for (char c : text) {
    if (c == '-' && format.empty()) {
      format.append("\\055");
    } else if (c == '\0') {
      format.append("\\000");
    } else {
      if (c == '%' || c == '\\') format.push_back(c);
      format.push_back(c);
    }
  }
  AppendSingleQuoted(out, format);
}

// Appends a comment line of text from from on: a name's control characters cannot end it.
void EndComment(std::string* out, size_t from) {
  MaskControls(out, from);
  out->push_back('\n');
}

// A comment for what a file that ends inside a CD frame leaves to choose: join it to the next
// file, where the recording goes on, or pad it to a whole frame.
void AppendPaddingChoice(std::string* out, const Finding& f) {
  size_t from = out->size();
  std::string padded = CdWavName(f.stem, f.name_skip);
  out->append("# \"").append(f.subject).append("\" ends inside a CD frame, so a burner adds ");
  out->append(std::to_string(f.count)).append(" samples of silence before \"");
  out->append(f.other).append("\". ");
  if (!f.joined.empty()) {
    out->append("Where the recording goes on, join them and write \"").append(f.joined);
    out->append("\" in place of \"").append(f.subject).append("\" and \"S ");
    out->append(CueTime(f.frames)).append("\" in place of \"").append(f.other).append("\":");
    EndComment(out, from);
    from = out->size();
    out->append("#   ");
    AppendJoinCommand(out, f.subject, f.other, f.joined);
    EndComment(out, from);
    from = out->size();
    out->append("# Or, to ");
  } else {
    out->append("To ");
  }
  out->append("end it on a whole frame, write the line as \"").append(padded).append("\":");
  EndComment(out, from);
  from = out->size();
  out->append("#   ");
  AppendPadCommand(out, f.subject, padded, f.count);
  EndComment(out, from);
}

// Appends the line that stops the script where name is taken by the time it runs.
void AppendFresh(std::string* out, std::string_view name) {
  out->append("fresh ");
  AppendPathWord(out, name);
  out->push_back('\n');
}

}  // namespace

std::string CksumLine(std::string_view bytes) {
  uint32_t crc = 0;
  auto add = [&crc](uint8_t byte) {
    crc ^= uint32_t{byte} << 24;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
  };
  for (char c : bytes) add(static_cast<uint8_t>(c));
  // The size follows the bytes, least significant byte first, in as few bytes as it takes.
  for (uint64_t size = bytes.size(); size != 0; size >>= 8) add(static_cast<uint8_t>(size));
  return std::to_string(~crc).append(" ").append(std::to_string(bytes.size()));
}

std::string FixScript(const ScriptList& list, std::span<const Finding> findings,
                      const Names& names) {
  std::string_view list_text = list.text;
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
    if (f.kind == FindingKind::kSplitAtStart && !line->empty()) titled.push_back(f.count);
  }
  auto done_by_script = [&](const Finding& f) {
    auto removed = rewritten.find(static_cast<uint64_t>(f.line));
    if (removed != rewritten.end() && removed->second) return true;
    if (f.kind == FindingKind::kPregapIgnored) return rewritten.count(f.count) != 0;
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
      size_t from = comments.size();
      comments.append("# ");
      AppendPlacedText(&comments, f, names);
      EndComment(&comments, from);
      continue;
    }
    if (!fix.command.empty() && std::find(done.begin(), done.end(), fix.command) == done.end()) {
      // The file the command makes is the one the new line names.
      AppendFresh(&commands, fix.line.value_or(""));
      commands.append(fix.command).push_back('\n');
      done.push_back(fix.command);
    }
    if (rewrites_line) {
      size_t from = static_cast<size_t>(f.subject.data() - list_text.data());
      rewrites.emplace(from, Rewrite{from, f.subject.size(), *fix.line});
    }
  }
  std::string script = "#!/bin/sh\n";
  size_t from = script.size();
  script.append("# The fixes vantorel gives for the track list ")
      .append(names.list)
      .append(": run this script with sh, then vantorel again.");
  EndComment(&script, from);
  if (!commands.empty() || !rewrites.empty()) {
    script.append(
        "# It stops before it changes anything where the list is not the one it was made for, "
        "and at\n"
        "# the first file it is to make whose name is taken, by a link too, or the first command "
        "that\n"
        "# fails. The list is rewritten last.\n"
        "set -eC\n");
    if (list.regular) {
      script.append("[ \"$(cksum < ");
      AppendPathWord(&script, names.list);
      script.append(")\" = '").append(CksumLine(list_text)).append("' ] || {\n  printf '%s\\n' ");
      std::string changed(names.list);
      MaskControls(&changed, 0);
      changed.append(" has changed since this script was made; run vantorel --script again");
      AppendSingleQuoted(&script, changed);
      script.append(" >&2\n  exit 1\n}\n");
    }
    script.append(
        "fresh() {\n"
        "  if [ -e \"$1\" ] || [ -L \"$1\" ]; then\n"
        "    printf '%s is taken; run vantorel --script again\\n' \"$1\" >&2\n"
        "    exit 1\n"
        "  fi\n"
        "}\n");
  }
  script.append(commands);
  if (!rewrites.empty()) {
    AppendFresh(&script, list.new_name);
    if (list.regular) {
      // The list as it stands is kept, then written over: the one file the script writes over.
      script.append("cat < ");
      AppendPathWord(&script, names.list);
      script.append(" > ");
      AppendPathWord(&script, list.new_name);
      script.append("\nprintf ");
      AppendPrintfFormat(&script, Rewritten(list_text, rewrites));
      script.append(" >| ");
      AppendPathWord(&script, names.list);
    } else {
      script.append("printf ");
      AppendPrintfFormat(&script, Rewritten(list_text, rewrites));
      script.append(" > ");
      AppendPathWord(&script, list.new_name);
    }
    script.push_back('\n');
  }
  if (!comments.empty()) {
    script.append("# Left for you to decide:\n").append(comments);
  }
  if (!rewrites.empty() && !list.regular) {
    size_t at = script.size();
    script.append("# ")
        .append(names.list)
        .append(" is no file that can be rewritten, so the fixed list is ");
    script.append(list.new_name).append(": run vantorel ");
    AppendPathWord(&script, list.new_name);
    EndComment(&script, at);
  }
  return script;
}

}  // namespace vantorel
