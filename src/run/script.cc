#include "run/script.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "disc/cdtext.h"
#include "disc/checks.h"
#include "run/remedies.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// A line of the list to replace, by where it stands in the list's text.
struct Rewrite {
  size_t from = 0;
  size_t size = 0;
  std::string line;   // Empty: the line goes, with its line end.
  std::string after;  // Lines to add after it, each with its line end.
};

// The line end the list uses: its first, or LF where it has none.
std::string_view LineEndOf(std::string_view text) {
  size_t end = text.find_first_of("\r\n");
  if (end == text.npos) return "\n";
  if (text[end] == '\n') return "\n";
  return text.substr(end + 1).starts_with('\n') ? "\r\n" : "\r";
}

// Where the lines of the list end: at its first NUL byte, after which nothing is read.
size_t ReadEnd(std::string_view text) {
  return std::min(text.find('\0'), text.size());
}

// The list's text with the lines rewritten, each rewrite within the text, and the lines of
// at_end added after its last line.
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

// A file's block of lines in the list's text: its line and those under it, up to the next file's.
struct Block {
  size_t from;
  size_t to;
};

// The list's text with the lines rewritten, each rewrite within the text, its files' blocks in
// the order given where there is one, and the lines of at_end added after its last line.
std::string Rewritten(std::string_view text, const std::map<size_t, Rewrite>& rewrites,
                      std::string_view at_end, std::span<const Block> order = {}) {
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

// The blocks of the list's files in the order of their tags' track numbers, where every file of
// the list has one, all of one album and each its own, and the list's order is another; none
// otherwise.
std::vector<Block> TagOrder(std::string_view text, std::span<const LineTags> tags) {
  text = text.substr(0, ReadEnd(text));
  if (tags.size() < 2) return {};
  for (const LineTags& t : tags) {
    if (t.tags.track == 0 || t.tags.album.empty() || t.tags.album != tags[0].tags.album) return {};
  }
  // A line that opens a track once mended and names no file the tags are of is a file without
  // them.
  size_t pos = 0;
  for (std::string_view line; !(line = NextLine(text, &pos)).empty();) {
    bool tagged = std::any_of(tags.begin(), tags.end(),
                              [&](const LineTags& t) { return t.line.data() == line.data(); });
    if (!tagged && KindOf(line) == LineKind::kNone && OpensTrackOnceMended(line)) return {};
  }
  std::vector<Block> blocks;
  std::vector<uint32_t> tracks;
  for (size_t i = 0; i < tags.size(); ++i) {
    size_t from = static_cast<size_t>(tags[i].line.data() - text.data());
    size_t to = i + 1 < tags.size() ? static_cast<size_t>(tags[i + 1].line.data() - text.data())
                                    : text.size();
    blocks.push_back({from, to});
    tracks.push_back(tags[i].tags.track);
  }
  std::vector<size_t> order(blocks.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return tracks[a] < tracks[b]; });
  bool moved = false;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && tracks[order[i]] == tracks[order[i - 1]]) return {};
    moved = moved || order[i] != i;
  }
  if (!moved) return {};
  std::vector<Block> ordered;
  for (size_t i : order) ordered.push_back(blocks[i]);
  return ordered;
}

// Whether byte is a control character, which the script shows none of: any below a space but the
// tab, and DEL.
bool IsControl(char byte) {
  const unsigned char c = static_cast<unsigned char>(byte);
  return (c < 0x20 && c != '\t') || c == 0x7F;
}

// The three octal digits of byte.
std::string Octal(char byte) {
  const unsigned char c = static_cast<unsigned char>(byte);
  return {static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + (c >> 3 & 7)),
          static_cast<char>('0' + (c & 7))};
}

// Appends byte as an octal escape, as printf reads it.
void AppendOctal(std::string* out, char byte) {
  out->append("\\").append(Octal(byte));
}

// Appends text as printf's format in single quotes, which writes it byte for byte: a - at its
// start as \055, lest it be read as an option, % as \045, which no check takes for the start of
// a conversion, \ doubled, and every control character but LF, and with one_line LF too, as an
// escape, so that the script shows none and the whole command can be commented out by one #.
void AppendPrintfFormat(std::string* out, std::string_view text, bool one_line = false) {
  std::string format;
  for (char c : text) {
    if ((c == '-' && format.empty()) || c == '%') {
      AppendOctal(&format, c);
    } else if (c == '\\') {
      format.append("\\\\");
    } else if (c == '\r' || (c == '\n' && one_line)) {
      format.append(c == '\r' ? "\\r" : "\\n");
    } else if (IsControl(c) && c != '\n') {
      AppendOctal(&format, c);
    } else {
      format.push_back(c);
    }
  }
  AppendSingleQuoted(out, format);
}

// The split lines of the file whose line is at from in text that read two ways of doubt, and
// those meant as splits, each rewritten as minutes:seconds:frames the larger way, or with smaller
// the smaller way, with its title as the sheet writes it.
void RewriteTwoWays(std::string_view text, size_t from, Doubt doubt, bool smaller, bool four_fields,
                    std::map<size_t, Rewrite>* rewrites) {
  // Nothing after a NUL byte is read, nor rewritten.
  text = text.substr(0, ReadEnd(text));
  size_t pos = from;
  NextLine(text, &pos);
  for (std::string_view line; !(line = NextLine(text, &pos)).empty();) {
    LineKind kind = KindOf(line);
    if (kind == LineKind::kWav) break;
    if (kind != LineKind::kSplit && !(kind == LineKind::kNone && IsLooseSplit(line))) continue;
    TimeReading time = MeantTimeOf(line);
    if (time.doubt != doubt) continue;
    std::string_view title = line.starts_with('S') || line.starts_with('s')
                                 ? MeantSplit(line).title
                                 : ReadPastedTime(line).value_or(PastedTime{}).title;
    size_t at = static_cast<size_t>(line.data() - text.data());
    std::string written = LineWithTime('S', smaller ? time.smaller : time.larger,
                                       ToSheetText(title).text, four_fields);
    (*rewrites)[at] = Rewrite{at, line.size(), written, {}};
  }
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
  std::string padded = CdWavName(f.part.stem, f.name_skip);
  out->append("# \"").append(f.subject).append("\" ends inside a CD frame, so a burner adds ");
  out->append(std::to_string(f.count.samples)).append(" samples of silence before \"");
  out->append(f.names.next_file).append("\". ");
  if (f.joinable) {
    std::string joined = NumberedName(JoinedName(f.subject, f.names.next_file), f.joined_skip);
    out->append("Where the recording goes on, join them and write \"").append(joined);
    out->append("\" in place of \"").append(f.subject).append("\" and \"S ");
    out->append(CueTimeText(f.frames)).append("\" in place of \"").append(f.names.next_file);
    out->append("\":");
    EndComment(out, from);
    from = out->size();
    out->append("#   ");
    AppendJoinCommand(out, f.subject, f.names.next_file, joined);
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
  AppendPadCommand(out, f.subject, padded, f.count.samples);
  EndComment(out, from);
}

// The number of the line that starts at pos in text, as an editor counts them: a line ends at LF,
// CR LF or a lone CR.
int LineNumber(std::string_view text, size_t pos) {
  int number = 1;
  for (size_t i = 0; i < pos; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++number;
    }
  }
  return number;
}

// The most common of texts, the first of those as common; texts is not empty.
std::string_view MostCommon(const std::vector<std::string>& texts) {
  std::string_view most;
  ptrdiff_t most_count = 0;
  for (const std::string& text : texts) {
    ptrdiff_t count = std::count(texts.begin(), texts.end(), text);
    if (count > most_count) {
      most = text;
      most_count = count;
    }
  }
  return most;
}

// What the files' tags give the list: a TITLE and PERFORMER line under the line of each file
// whose track the list gives none, and the disc's title and performer where the list gives none
// and the files agree; what they leave to the user is said in comments.
struct TagTexts {
  std::map<size_t, std::string> after;  // Lines to add after a line, by where the line starts.
  std::string at_end;                   // Lines to add after the list's last line.
  std::string comments;
  std::vector<int> titled;  // The lines whose tracks the tags title.
  bool disc_title = false;  // A DISC TITLE line is added.
  bool disc_performer = false;
};

// The disc's texts as the list gives them: whether it gives any title or performer at all, and
// the disc's title and performer, as the sheet writes them.
struct ListTexts {
  bool any = false;
  std::string disc_title;
  std::string disc_performer;
};

ListTexts TextsOfList(std::string_view text) {
  ListTexts texts;
  size_t pos = 0;
  for (std::string_view line; !(line = NextLine(text, &pos)).empty();) {
    LineKind kind = KindOf(line);
    std::string* disc = kind == LineKind::kDiscTitle       ? &texts.disc_title
                        : kind == LineKind::kDiscPerformer ? &texts.disc_performer
                                                           : nullptr;
    texts.any =
        texts.any || kind == LineKind::kTitle || kind == LineKind::kPerformer || disc != nullptr;
    if (disc != nullptr && disc->empty()) *disc = ToSheetText(CdTextOf(line)).text;
  }
  return texts;
}

// The disc's text that the files' tags agree on. Where they name more than one, none: a comment
// says so and gives the most common.
std::string Agreed(const std::vector<std::string>& texts, std::string_view what,
                   std::string_view keyword, std::string* comments) {
  if (texts.empty()) return "";
  if (std::all_of(texts.begin(), texts.end(),
                  [&](const std::string& t) { return t == texts[0]; })) {
    return texts[0];
  }
  comments->append("# The files' tags name more than one ").append(what);
  comments->append(", so no ")
      .append(keyword)
      .append(" line is written; write the most common as \"");
  comments->append(keyword).append(" ").append(MostCommon(texts)).append("\"\n");
  return "";
}

TagTexts TextsOfTags(std::string_view text, std::span<const LineTags> tags,
                     std::span<const Finding> findings, const Names& names) {
  TagTexts out;
  text = text.substr(0, ReadEnd(text));
  std::string_view line_end = LineEndOf(text);
  const ListTexts list = TextsOfList(text);
  // A text as the sheet writes it; none where, holding .wav, its line would name a WAV file.
  // A text as the sheet writes it, or where letters of it would be lost, as the tags give it on
  // one line, which the next run says; none where, holding .wav, its line would name a WAV file.
  auto sheet = [](const std::string& raw) {
    SheetText sheet = ToSheetText(raw);
    std::string text = sheet.text;
    if (sheet.lost) {
      text = raw;
      for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
      }
      text = std::string(TrimBlanks(text));
    }
    return NamesWav(text) ? std::string() : text;
  };
  // Says of a file's text whose letters would be lost what to do.
  auto say_lost = [&out](const std::string& text, std::string_view what, std::string_view line) {
    if (text.empty() || !ToSheetText(text).lost) return;
    size_t from = out.comments.size();
    out.comments.append("# The ").append(what).append(" of \"").append(line);
    out.comments.append("\", \"").append(text).append(
        "\", has letters cdrdao cannot burn; write it in Latin letters");
    EndComment(&out.comments, from);
  };
  std::vector<std::string> albums, album_artists, artists;
  for (const LineTags& t : tags) {
    for (auto [raw, into] : {std::pair{&t.tags.album, &albums},
                             {&t.tags.album_artist, &album_artists},
                             {&t.tags.artist, &artists}}) {
      if (std::string s = sheet(*raw); !s.empty()) into->push_back(s);
    }
  }
  std::string disc_title = list.disc_title;
  // What the comment on texts the files disagree on says, the next run need not say again.
  const size_t said_before = out.comments.size();
  if (disc_title.empty()) {
    disc_title = Agreed(albums, "album", "DISC TITLE", &out.comments);
    out.disc_title = !disc_title.empty();
    if (out.disc_title) out.at_end.append("DISC TITLE ").append(disc_title).append(line_end);
  }
  const bool title_said = out.comments.size() != said_before;
  const size_t said_of_title = out.comments.size();
  std::string performer = list.disc_performer;
  if (performer.empty()) {
    performer = album_artists.empty()
                    ? Agreed(artists, "artist and no album artist", "DISC PERFORMER", &out.comments)
                    : Agreed(album_artists, "album artist", "DISC PERFORMER", &out.comments);
    out.disc_performer = !performer.empty();
    if (out.disc_performer) out.at_end.append("DISC PERFORMER ").append(performer).append(line_end);
  }
  const bool performer_said = out.comments.size() != said_of_title;
  // The tracks that will have no title: by the number and text of the line that opens each.
  std::vector<std::pair<int, std::string_view>> untitled;
  auto starts_at = [&text](std::string_view line) {
    return static_cast<size_t>(line.data() - text.data());
  };
  for (const LineTags& t : tags) {
    // The file's tracks, as the lines under its own give them: a split opens one, and a title
    // or performer line is the last track's, up to the next line that opens a file's track.
    struct Given {
      std::string_view line;
      bool title = false;
      bool performer = false;
    };
    std::vector<Given> tracks = {{t.line}};
    size_t pos = starts_at(t.line) + t.line.size();
    for (std::string_view line; !(line = NextLine(text, &pos)).empty();) {
      LineKind kind = KindOf(line);
      bool names_file = std::any_of(tags.begin(), tags.end(), [&](const LineTags& other) {
        return other.line.data() == line.data();
      });
      // A line that opens a track once mended, as a file of another kind does, takes the lines
      // under it, as the run gives them to it.
      if (kind == LineKind::kWav || names_file ||
          (kind == LineKind::kNone && OpensTrackOnceMended(line))) {
        break;
      }
      if (kind == LineKind::kSplit) {
        tracks.push_back({line, !ToSheetText(CutSplitLine(line).title).empty});
      } else if (kind == LineKind::kTitle || kind == LineKind::kPerformer) {
        // A line without text gives way to one after it.
        bool* given = kind == LineKind::kTitle ? &tracks.back().title : &tracks.back().performer;
        *given = *given || !ToSheetText(CdTextOf(line)).empty;
      }
    }
    std::string lines;
    std::string title = sheet(t.tags.title);
    if (!tracks[0].title && !title.empty()) {
      lines.append("TITLE ").append(title).append(line_end);
      say_lost(title, "title", t.line);
      out.titled.push_back(t.number);
      tracks[0].title = true;
    }
    std::string artist = sheet(t.tags.artist);
    if (!tracks[0].performer && !artist.empty() && artist != performer) {
      lines.append("PERFORMER ").append(artist).append(line_end);
      say_lost(artist, "artist", t.line);
    }
    if (!lines.empty()) out.after[starts_at(t.line)] = lines;
    for (const Given& track : tracks) {
      if (track.title) continue;
      untitled.emplace_back(
          &track == &tracks[0] ? t.number : LineNumber(text, starts_at(track.line)), track.line);
    }
  }
  // Once the list carries CD-TEXT, every track needs a title, and the disc a title and performer:
  // what the tags do not give is said as the next run would say it, where this run does not.
  if (!list.any && out.after.empty() && out.at_end.empty()) return out;
  auto said = [&findings](FindingKind kind, int line) {
    return std::any_of(findings.begin(), findings.end(),
                       [&](const Finding& f) { return f.kind == kind && f.line == line; });
  };
  std::vector<Finding> next_run;
  for (const auto& [number, line] : untitled) {
    if (!said(FindingKind::kTrackWithoutTitle, number)) {
      next_run.push_back(
          {.kind = FindingKind::kTrackWithoutTitle, .line = number, .subject = line});
    }
  }
  if (disc_title.empty() && !title_said && !said(FindingKind::kNoDiscTitle, 0)) {
    next_run.push_back({.kind = FindingKind::kNoDiscTitle});
  }
  if (performer.empty() && !performer_said && !said(FindingKind::kNoDiscPerformer, 0)) {
    next_run.push_back({.kind = FindingKind::kNoDiscPerformer});
  }
  for (const Finding& f : next_run) {
    size_t from = out.comments.size();
    out.comments.append("# ");
    AppendPlacedText(&out.comments, f, names);
    EndComment(&out.comments, from);
  }
  return out;
}

// The control characters a script names, as a set: bit c for the byte c below a space, bit 32
// for DEL.
using Controls = uint64_t;

// Ends a command line that starts at from: each control character in it, which can stand only
// in a name in single quotes, is written as a variable's value ('"$c012"' for LF), so that the
// script shows none and the name stays whole; the line end follows.
void EndCommand(std::string* out, size_t from, Controls* controls) {
  auto control = std::find_if(out->begin() + static_cast<ptrdiff_t>(from), out->end(), IsControl);
  if (control != out->end()) {
    std::string tail(control, out->end());
    out->erase(control, out->end());
    for (char c : tail) {
      if (!IsControl(c)) {
        out->push_back(c);
        continue;
      }
      const unsigned char byte = static_cast<unsigned char>(c);
      *controls |= Controls{1} << (byte == 0x7F ? 32 : byte);
      out->append("'\"$c").append(Octal(c)).append("\"'");
    }
  }
  out->push_back('\n');
}

// The lines that give each control character of controls to a variable, c and its octal code.
std::string ControlVariables(Controls controls) {
  std::string out;
  for (int bit = 0; bit <= 32; ++bit) {
    if ((controls >> bit & 1) == 0) continue;
    const std::string octal = Octal(static_cast<char>(bit == 32 ? 0x7F : bit));
    const std::string name = "c" + octal;
    // A command substitution drops the line ends at its end: the dot after it keeps them.
    out.append(name).append("=$(printf '\\").append(octal).append(".'); ");
    out.append(name).append("=${").append(name).append("%.}\n");
  }
  return out;
}

// Appends a line that stops the script where the list is not the one it was made for: same NAME
// compares the file called NAME with the list's size and checksum.
void AppendGuard(std::string* out, std::string_view list_name, std::string_view list_text,
                 Controls* controls) {
  out->append("same() {\n  [ \"$(cksum < \"$1\")\" = '").append(CksumLine(list_text));
  out->append("' ] || {\n    printf '%s\\n' ");
  std::string changed(list_name);
  MaskControls(&changed, 0);
  changed.append(" has changed since this script was made; run vantorel --script again");
  AppendSingleQuoted(out, changed);
  out->append(" >&2\n    exit 1\n  }\n}\n");
  size_t from = out->size();
  out->append("same ");
  AppendPathWord(out, list_name);
  EndCommand(out, from, controls);
}

// Appends the lines that stop the script where it does not run in folder, the working directory
// of the run that made it, whose files its names lead to.
void AppendFolderCheck(std::string* out, std::string_view folder, Controls* controls) {
  size_t from = out->size();
  out->append("[ \"$(pwd -P)\" = ");
  AppendSingleQuoted(out, folder);
  out->append(" ] || {");
  EndCommand(out, from, controls);
  std::string said = "this script was made for the folder ";
  said.append(folder).append("; run it there");
  MaskControls(&said, 0);
  out->append("  printf '%s\\n' ");
  AppendSingleQuoted(out, said);
  out->append(" >&2\n  exit 1\n}\n");
}

// The functions that give a file its name: taken stops the script, saying the name with its
// control characters as ?, as every text of the tool does; fresh stops it where a name
// is taken by the time it runs, by a link too, and place gives the file $1 the name $2 where
// nothing has it, with a hard link or else a rename that replaces nothing (GNU mv -n takes the
// kernel's RENAME_NOREPLACE), never following a link at $2, then takes the name $1 away.
constexpr std::string_view kNaming =
    "taken() {\n"
    "  printf '%s' \"${1#../}\" | tr '\\001-\\010\\012-\\037\\177' '[?*]' >&2\n"
    "  printf ' is taken; run vantorel --script again\\n' >&2\n"
    "  exit 1\n"
    "}\n"
    "fresh() {\n"
    "  if [ -e \"$1\" ] || [ -L \"$1\" ]; then taken \"$1\"; fi\n"
    "}\n"
    "place() {\n"
    "  fresh \"$2\"\n"
    "  if ln -T -- \"$1\" \"$2\" 2>/dev/null; then\n"
    "    rm -f -- \"$1\"\n"
    "  else\n"
    "    fresh \"$2\"\n"
    "    mv -n -T -- \"$1\" \"$2\"\n"
    "    if [ -e \"$1\" ] || [ -L \"$1\" ]; then taken \"$2\"; fi\n"
    "  fi\n"
    "}\n";

// The lines that make the script's own directory in the folder, where only it can write, and go
// into it: the folder is .. from there on. mkdir makes no directory where any file has the name,
// and the script stops where what it goes into is not its own, or not empty: another directory
// put in its place by a rename. The directory is removed however the script ends. An interrupt,
// a hangup or a termination ends the script once the command it runs has ended, whatever that
// command's status (sox, interrupted, ends its file short and reports success); one that comes
// while the directory is made ends it as soon as the directory is its own.
constexpr std::string_view kOwnDirectory =
    "leave() {\n"
    "  if [ -n \"$own\" ]; then cd -P .. && rm -rf -- \"./$own\"; fi\n"
    "}\n"
    "own=\n"
    "stop=\n"
    "trap 'stop=129' HUP\n"
    "trap 'stop=130' INT\n"
    "trap 'stop=143' TERM\n"
    "n=$$\n"
    "until mkdir -m 700 \"./.vantorel-$n\" 2>/dev/null; do\n"
    "  if ! [ -e \"./.vantorel-$n\" ] && ! [ -L \"./.vantorel-$n\" ]; then\n"
    "    printf '%s\\n' 'no directory can be made in this folder' >&2\n"
    "    exit 1\n"
    "  fi\n"
    "  n=$((n + 1))\n"
    "done\n"
    "cd -P \"./.vantorel-$n\" || exit\n"
    "if ! [ -O . ] || [ -n \"$(ls -A)\" ]; then\n"
    "  printf '%s\\n' 'the directory made for this script was swapped for another' >&2\n"
    "  exit 1\n"
    "fi\n"
    "own=.vantorel-$n\n"
    "trap leave EXIT\n"
    "trap 'exit 129' HUP\n"
    "trap 'exit 130' INT\n"
    "trap 'exit 143' TERM\n"
    "[ -z \"$stop\" ] || exit \"$stop\"\n";

// The list as another choice would write it, and the comment that says how to take it.
struct OtherWay {
  std::string comment;
  std::string text;
};

// Appends the commands that write the fixed list in the script's own directory, with the list
// each other choice gives commented out beside it, and put it in
// place: over a regular list, which is kept as list.new_name and found unchanged just before,
// by a rename, which replaces a link and writes through none; else as list.new_name.
void AppendListWrite(std::string* out, const ScriptList& list, const Names& names,
                     std::string_view fixed, std::span<const OtherWay> other_ways,
                     Controls* controls) {
  auto append_write = [&](std::string_view text) {
    out->append("printf ");
    AppendPrintfFormat(out, text, !other_ways.empty());
    out->append(" > './list'\n");
  };
  append_write(fixed);
  for (const OtherWay& other : other_ways) {
    size_t at = out->size();
    out->append(other.comment);
    out->append(", put a # before the printf above that has none, and take ");
    out->append("the # from the one below:");
    EndComment(out, at);
    out->append("# ");
    append_write(other.text);
  }
  size_t from = out->size();
  out->append(list.regular ? "place './orig' " : "place './list' ");
  AppendPathWord(out, list.new_name, "", "../");
  EndCommand(out, from, controls);
  if (!list.regular) return;
  from = out->size();
  out->append("same ");
  AppendPathWord(out, names.list, "", "../");
  EndCommand(out, from, controls);
  from = out->size();
  out->append("mv -f -T -- './list' ");
  AppendPathWord(out, names.list, "", "../");
  EndCommand(out, from, controls);
}

// Appends the commands that make the file of f's fix, where another finding's has not made it:
// a converted file is made in the script's own directory and placed at its name; a renamed file
// is placed at its new one.
void AppendMaking(std::string* out, const Finding& f, const Fix& fix,
                  std::vector<std::string>* made, Controls* controls) {
  const std::string& name = *fix.line;
  if (std::find(made->begin(), made->end(), name) != made->end()) return;
  made->push_back(name);
  const Making making = MakingOf(f);
  const std::string here = std::to_string(made->size()) + ".wav";
  size_t from = out->size();
  if (making.by != Converter::kNone) {
    out->append("fresh ");
    AppendPathWord(out, name, "", "../");
    EndCommand(out, from, controls);
    from = out->size();
    AppendConvertCommand(out, making, f.subject, here, "../");
    EndCommand(out, from, controls);
    from = out->size();
  }
  out->append("place ");
  if (making.by != Converter::kNone) {
    AppendPathWord(out, here);
  } else {
    AppendPathWord(out, f.subject, "", "../");
  }
  out->push_back(' ');
  AppendPathWord(out, name, "", "../");
  EndCommand(out, from, controls);
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
  // The files the commands make, by the names the new lines give them, and the control
  // characters the commands name.
  std::vector<std::string> made;
  Controls controls = 0;
  auto in_list = [&](std::string_view s) {
    return !s.empty() && std::less_equal<const char*>()(list_text.data(), s.data()) &&
           std::less_equal<const char*>()(s.data() + s.size(), list_text.data() + list_text.size());
  };
  // The lines the script rewrites, and those it gives a title, by number: what the comments say
  // of them is done by then.
  std::map<uint64_t, bool> rewritten;  // true where the line goes.
  std::vector<uint64_t> titled;
  const TagTexts tag_texts = TextsOfTags(list_text, list.tags, findings, names);
  for (int line : tag_texts.titled) titled.push_back(static_cast<uint64_t>(line));
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
    return (f.kind == FindingKind::kNoDiscTitle && tag_texts.disc_title) ||
           (f.kind == FindingKind::kNoDiscPerformer && tag_texts.disc_performer);
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
    if (!fix.command.empty()) AppendMaking(&commands, f, fix, &made, &controls);
    if (rewrites_line) {
      size_t from = static_cast<size_t>(f.subject.data() - list_text.data());
      rewrites.emplace(from, Rewrite{from, f.subject.size(), *fix.line, {}});
    }
  }
  for (const auto& [line_at, lines] : tag_texts.after) {
    const size_t from = line_at;
    const LineTags& t = *std::find_if(list.tags.begin(), list.tags.end(), [&](const LineTags& t) {
      return static_cast<size_t>(t.line.data() - list_text.data()) == from;
    });
    rewrites.emplace(from, Rewrite{from, t.line.size(), std::string(t.line), {}})
        .first->second.after = lines;
  }
  comments.append(tag_texts.comments);
  // A file whose split times read two ways, each of which holds: the list is written the larger
  // way, and the smaller is ready beside it, to swap in by moving one #.
  std::vector<OtherWay> other_ways;
  // An album's files whose tags number them otherwise than the list's order are written in the
  // tags' order, the list's own order beside it.
  const std::vector<Block> order = TagOrder(list_text, list.tags);
  auto doubt_of = [](const Finding& f) {
    return f.kind == FindingKind::kTimesTwoWays       ? Doubt::kUnits
           : f.kind == FindingKind::kFractionsTwoWays ? Doubt::kFraction
                                                      : Doubt::kNone;
  };
  for (const Finding& f : findings) {
    if (doubt_of(f) == Doubt::kNone || !in_list(f.names.file)) continue;
    RewriteTwoWays(list_text, static_cast<size_t>(f.names.file.data() - list_text.data()),
                   doubt_of(f), false, f.four_fields, &rewrites);
  }
  for (const Finding& f : findings) {
    if (doubt_of(f) == Doubt::kNone || !in_list(f.names.file)) continue;
    std::map<size_t, Rewrite> other = rewrites;
    // The other way's times, as cdrdao reads them or in hundredths, would mostly read two ways
    // again as minutes:seconds:frames.
    RewriteTwoWays(list_text, static_cast<size_t>(f.names.file.data() - list_text.data()),
                   doubt_of(f), true, true, &other);
    std::string comment =
        "# To read the split times of \"" + std::string(f.names.file) +
        (f.kind == FindingKind::kTimesTwoWays ? "\" as cdrdao does"
                                              : "\" with hundredths of a second after the point");
    other_ways.push_back({comment, Rewritten(list_text, other, tag_texts.at_end, order)});
  }
  if (!order.empty()) {
    other_ways.push_back(
        {"# The files are written in the order of their tags' track numbers; to "
         "keep the list's own order",
         Rewritten(list_text, rewrites, tag_texts.at_end)});
  }
  bool rewrites_list = !rewrites.empty() || !tag_texts.at_end.empty() || !order.empty();
  std::string script = "#!/bin/sh\n";
  size_t from = script.size();
  script.append("# The fixes vantorel gives for the track list ")
      .append(names.list)
      .append(": run this script with sh, then vantorel again.");
  EndComment(&script, from);
  if (!commands.empty() || rewrites_list) {
    script.append(
        "# It stops before it changes anything where it runs in another folder or the list is "
        "not the\n"
        "# one it was made for, and at the first command that fails or is interrupted, or the "
        "first file\n"
        "# it is to make whose name is taken, by a link too. It makes each file in a directory "
        "of its own,\n"
        "# which it removes as it ends, and gives it its name only where nothing has that name. "
        "The list\n"
        "# is rewritten last.\n"
        "set -eC\n");
    std::string body;
    if (!list.folder.empty()) AppendFolderCheck(&body, list.folder, &controls);
    if (list.regular) AppendGuard(&body, names.list, list_text, &controls);
    body.append(kNaming).append(kOwnDirectory);
    if (rewrites_list && list.regular) {
      // The list as it stands is kept before anything is changed, and found to be the one the
      // script was made for.
      from = body.size();
      body.append("cat < ");
      AppendPathWord(&body, names.list, "", "../");
      body.append(" > './orig'");
      EndCommand(&body, from, &controls);
      body.append("same './orig'\n");
    }
    body.append(commands);
    if (rewrites_list) {
      AppendListWrite(&body, list, names, Rewritten(list_text, rewrites, tag_texts.at_end, order),
                      other_ways, &controls);
    }
    script.append(ControlVariables(controls)).append(body);
  }
  if (!comments.empty()) {
    script.append("# Left for you to decide:\n").append(comments);
  }
  if (rewrites_list && !list.regular) {
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
