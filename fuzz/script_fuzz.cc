// Fuzz target: any bytes as a track list, each WAV file it names of a kind its name's first byte
// steers, and the fix script a run writes for it. What the script guarantees is checked as
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

// The findings of a run on list, whose WAV files are what the first byte of each one's name
// steers, but FLAC where the name holds no .wav, and whose lines ending in .flac name files where
// they are of even length; each new file
// passes over as many taken names as its subject's length steers.
struct Run {
  Disc disc;
  DiscLayout layout;
  std::vector<Finding> found;
};
Run RunOn(std::string_view list) {
  TrackTable table;
  ClassifyTrackList(list, &table);
  std::vector<LineLookup> lookups = LinesToLookUp(table);
  for (LineLookup& lookup : lookups) {
    lookup.names_a_file = lookup.line.text.ends_with(".flac") && lookup.line.text.size() % 2 == 0;
  }
  Run run;
  run.disc = BuildDisc(table, std::move(lookups));
  for (DiscFile& file : run.disc.files) {
    HeaderFacts& h = file.wav.header;
    const unsigned steer = static_cast<unsigned char>(file.entry.text[0]);
    h = {.format_found = true,
         .sample_rate = steer % 5 == 1 ? 48000u : 44100u,
         .format = kFormatPcm,
         .coding = kFormatPcm,
         .channels = 2,
         .bits_per_sample = 16};
    h.sample_frames = h.declared_frames = h.present_frames = (steer % 7 + 1) * 60 * 44100;
    if (steer % 5 == 2) h.sample_frames = h.present_frames += 100;  // Ends inside a frame.
    if (steer % 5 == 3) h.declared_frames = 0;
    if (steer % 11 == 4) {
      h.status = ProbeStatus::kUnsupported;
      h.format = h.coding = 0x0011;
    }
    if (steer % 13 == 5) file.wav.open_error = 2;
    if (file.entry.text.find(".wav") == std::string_view::npos)
      h = {.other_audio = OtherAudio::kFlac};
    for (Finding& f : ProbeFindings(file)) run.found.push_back(f);
  }
  MeasureLengths(&run.disc);
  run.layout = LayOutDisc(run.disc);
  for (Finding& f : CheckDisc(run.disc, run.layout)) run.found.push_back(f);
  for (Finding& f : run.found) {
    if (NewFile* made = NewFileOf(&f)) made->skip = static_cast<uint16_t>(f.subject.size() % 3);
  }
  return run;
}

// The forms of the lines every script that changes anything has, whatever its names: those of
// the script for a list of one file to convert.
const std::set<std::string>& FixedForms() {
  static const std::set<std::string> forms = [] {
    const std::string list = "e.wav\n";
    const Run run = RunOn(list);
    std::vector<std::string> lines = CommandForms(FixScript(
        {list, true, "l.orig", {}, "/f"}, run.disc, run.layout, run.found, {"l", "o.cue"}));
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

  const Run run = RunOn(list);
  // The tags of some of its files: the name as the title, the rest of it as the artist.
  std::vector<LineTags> tags;
  for (const DiscFile& file : run.disc.files) {
    std::string_view line = file.entry.text;
    if (line.size() % 3 != 0) continue;
    tags.push_back(
        {file.entry.number, line, {std::string(line), std::string(line.substr(1)), "A", ""}});
  }
  const std::string name = WithLineEnds(lines.empty() ? "tlist.txt" : lines[0]);
  const std::string folder = "/" + WithLineEnds(lines.size() < 2 ? "" : lines[1]);
  const std::string new_name = name + ".orig";
  const std::string script = FixScript({list, size % 2 == 0, new_name, tags, folder}, run.disc,
                                       run.layout, run.found, {name, "o.cue"});

  // No control character but the line end; and every command of a known form.
  for (char c : script) {
    unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7F) std::abort();
  }
  if (!script.ends_with('\n')) std::abort();
  std::vector<std::string> forms = CommandForms(script);
  if (forms.empty() && script.find("\nset -eC\n") != script.npos) std::abort();
  for (const std::string& form : forms) {
    if (KnownForm(form)) continue;
#ifdef VANTOREL_REPLAY
    std::fprintf(stderr, "a command of no known form: %s\n", form.c_str());
#endif
    std::abort();
  }
#ifdef VANTOREL_REPLAY
  if (!ShellsRead(script)) std::abort();
#endif
  return 0;
}
