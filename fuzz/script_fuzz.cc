// Fuzz target: any bytes as a track list, each line given a finding with a fix of a kind its first
// byte steers, and the fix script written for them. What the script guarantees is checked as
// properties of its text: it shows no control character but the line end, every name from the
// list stands inside single quotes, and each command is of a form the writer knows. The replay
// of the corpus also has sh and bash read each script with -n.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "disc/checks.h"
#include "run/script.h"
#include "tracklist/tracklist.h"

#ifdef VANTOREL_REPLAY
#include <unistd.h>

#include <cstdio>
#endif

using namespace vantorel;

namespace {

// The script with each single-quoted word, its parts joined by \' and by the variables that stand
// for control characters ('a'"$c012"'b'), written as Q, cut into its command lines; a comment
// line is left out. Empty where a quote is not closed.
std::vector<std::string> CommandForms(std::string_view script) {
  std::vector<std::string> forms;
  std::string form;
  size_t i = 0;
  auto quoted = [&]() {
    size_t end = script.find('\'', i + 1);
    if (end == script.npos) return false;
    i = end + 1;
    return true;
  };
  while (i < script.size()) {
    if (form.empty() && script[i] == '#') {
      i = std::min(script.find('\n', i), script.size()) + 1;
      continue;
    }
    char c = script[i];
    if (c == '\n') {
      forms.push_back(form);
      form.clear();
      ++i;
    } else if (c == '\'') {
      if (!quoted()) return {};
      for (;;) {
        std::string_view rest = script.substr(i);
        if (rest.starts_with("\\''")) {
          i += 2;
        } else if (rest.size() >= 8 && rest.starts_with("\"$c") && rest.substr(6, 2) == "\"'") {
          i += 7;
        } else {
          break;
        }
        if (!quoted()) return {};
      }
      form.push_back('Q');
    } else {
      form.push_back(c);
      ++i;
    }
  }
  if (!form.empty()) return {};
  return forms;
}

// The forms of the command lines that name files, and of those that give a control character to
// a variable, once its octal code is written as NNN.
const std::set<std::string>& NamingForms() {
  static const std::set<std::string> forms = {
      "[ \"$(pwd -P)\" = Q ] || {",
      "  printf Q Q >&2",
      "  [ \"$(cksum < \"$1\")\" = Q ] || {",
      "    printf Q Q >&2",
      "same Q",
      "cat < Q > Q",
      "fresh Q",
      "place Q Q",
      "printf Q > Q",
      "mv -f -T -- Q Q",
      "sox --no-glob Q -r 44100 -b 16 -c 2 --no-glob Q",
      "sox --ignore-length --no-glob Q -r 44100 -b 16 -c 2 --no-glob Q",
      "sox -t flac --no-glob Q -r 44100 -b 16 -c 2 --no-glob Q",
      "ffmpeg -nostdin -n -i Q -ar 44100 -ac 2 -sample_fmt s16 Q",
      "ffmpeg -nostdin -n -ignore_length 1 -i Q -ar 44100 -ac 2 -sample_fmt s16 Q",
      "cNNN=$(printf Q); cNNN=${cNNN%.}",
  };
  return forms;
}

// The forms of the lines every script that changes anything has, whatever its names: those of
// the script for a list of one file to convert.
const std::set<std::string>& FixedForms() {
  static const std::set<std::string> forms = [] {
    const std::string list = "a.flac\n";
    Finding f = {.kind = FindingKind::kOtherAudio,
                 .line = 1,
                 .subject = std::string_view(list).substr(0, 6),
                 .converter = Converter::kSox,
                 .part = {.stem = std::string_view(list).substr(0, 1)}};
    std::vector<std::string> lines =
        CommandForms(FixScript({list, true, "l.orig", {}, "/f"}, {&f, 1}, {"l", "o.cue"}));
    return std::set<std::string>(lines.begin(), lines.end());
  }();
  return forms;
}

bool KnownForm(std::string form) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  if (form.size() > 4 && form[0] == 'c' && octal(form[1]) && octal(form[2]) && octal(form[3])) {
    const std::string name = form.substr(0, 4);
    for (size_t at; (at = form.find(name)) != form.npos;) form.replace(at + 1, 3, "NNN");
  }
  return NamingForms().count(form) != 0 || FixedForms().count(form) != 0;
}

#ifdef VANTOREL_REPLAY
// Whether sh and bash read the script without a fault.
bool ShellsRead(const std::string& script) {
  char path[] = "/tmp/vantorel-script-fuzz-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return false;
  bool written = write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size());
  if (close(fd) != 0 || !written) return false;
  std::string command = std::string("sh -n ") + path + " && bash -n " + path;
  bool read = std::system(command.c_str()) == 0;
  unlink(path);
  return read;
}
#endif

// A list name or folder of the list's line: | stands for a line end, which no line holds.
std::string WithLineEnds(std::string_view line) {
  std::string text(line);
  for (char& c : text) {
    if (c == '|') c = '\n';
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view list(reinterpret_cast<const char*>(data), size);
  // The lines a run reads, up to the first NUL.
  const std::string_view read = list.substr(0, list.find('\0'));
  std::vector<std::string_view> lines;
  size_t pos = 0;
  for (std::string_view line; !(line = NextLine(read, &pos)).empty();) lines.push_back(line);

  using K = FindingKind;
  std::vector<Finding> found;
  std::vector<LineTags> tags;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    Finding f = {.line = static_cast<int>(i) + 1,
                 .subject = line,
                 .name_skip = static_cast<uint16_t>(line.size() % 3),
                 .part = {.stem = StemOf(line)}};
    switch (static_cast<unsigned char>(line[0]) % 12) {
      case 0:
        f.kind = K::kOtherAudio;
        f.converter = Converter::kSox;
        break;
      case 1:
        f.kind = K::kOtherAudio;
        f.converter = Converter::kFfmpeg;
        f.also = {K::kSizeNotFilledIn};
        break;
      case 2:
        f.kind = K::kNotWavAudio;
        f.converter = Converter::kSox;
        f.names.sox_type = "flac";
        break;
      case 3:
        f.kind = K::kSizeNotFilledIn;
        f.converter = Converter::kSox;
        break;
      case 4:
        f.kind = K::kMixedCaseWav;
        f.names.spelling = line;
        break;
      case 5:
        f.kind = K::kEndsInsideFrame;
        f.names.next_file = i + 1 < lines.size() ? lines[i + 1] : "n.wav";
        f.count.samples = line.size();
        f.frames = 75;
        f.joinable = line.size() % 2 == 0;
        break;
      case 6:
        f.kind = K::kEditorTime;
        f.frames = line.size() * 75;
        f.names.title = line.substr(1);
        break;
      case 7:
        f.kind = K::kTextChanged;
        f.part.lead = "TITLE ";
        f.names.written = line;
        break;
      case 8:
        f.kind = K::kNoteReadAsLine;
        break;
      case 9:
        f.kind = K::kPregapWithoutLength;
        break;
      case 10:
        f.kind = K::kTimesTwoWays;
        f.names.file = line;
        break;
      default:
        f.kind = K::kWavNotOpened;
        f.error = 2;
        tags.push_back({f.line, line, {std::string(line), std::string(line.substr(1)), "A", ""}});
        break;
    }
    found.push_back(f);
  }
  const std::string name = WithLineEnds(lines.empty() ? "tlist.txt" : lines[0]);
  const std::string folder = "/" + WithLineEnds(lines.size() < 2 ? "" : lines[1]);
  const std::string new_name = name + ".orig";
  const std::string script =
      FixScript({list, size % 2 == 0, new_name, tags, folder}, found, {name, "o.cue"});

  // No control character but the line end; and every command of a known form.
  for (char c : script) {
    unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) std::abort();
  }
  if (!script.ends_with('\n')) std::abort();
  std::vector<std::string> forms = CommandForms(script);
  if (forms.empty() && script.find("\nset -eC\n") != script.npos) std::abort();
  for (const std::string& form : forms) {
    if (!KnownForm(form)) std::abort();
  }
#ifdef VANTOREL_REPLAY
  if (!ShellsRead(script)) std::abort();
#endif
  return 0;
}
