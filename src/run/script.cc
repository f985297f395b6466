#include "run/script.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "disc/cdtext.h"
#include "disc/checks.h"
#include "run/list_edit.h"
#include "run/remedies.h"
#include "run/shell.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

using K = FindingKind;

// Whether part is a view into text.
bool Within(std::string_view text, std::string_view part) {
  return !part.empty() && std::less_equal<const char*>()(text.data(), part.data()) &&
         std::less_equal<const char*>()(part.data() + part.size(), text.data() + text.size());
}

// Where a line, a view into text, starts in it.
size_t StartOf(std::string_view text, std::string_view line) {
  return static_cast<size_t>(line.data() - text.data());
}

// The lines the findings give, each in place of the line it is about, or none where the line is
// to go.
void AddLineFixes(std::string_view text, std::span<const Finding> findings, ListEdit* edit) {
  for (const Finding& f : findings) {
    const Fix fix = FixOf(f);
    if (fix.change == LineChange::kNone || f.line <= 0 || !Within(text, f.subject)) continue;
    const size_t from = StartOf(text, f.subject);
    edit->rewrites.emplace(from, Rewrite{from, f.subject.size(), fix.line, {}});
  }
}

// The title a split's line to write keeps: the one on the line itself, if any.
std::string_view TitleOnLine(const CdText& title, const ListLine& line) {
  return title.line.number == line.number ? TextToWrite(title) : std::string_view();
}

// The lines of a file of the disc meant as splits whose times read two ways of doubt, each written
// whole with its time the larger way, or with smaller the smaller way, and its title.
void RewriteTwoWays(std::string_view text, const Disc& disc, const DiscLayout& layout, size_t file,
                    Doubt doubt, bool smaller, bool four_fields, ListEdit* edit) {
  auto rewrite = [&](const ListLine& line, std::string_view title) {
    const MeantPlace* meant = MeantOf(layout, line.number);
    if (meant == nullptr || meant->time.doubt != doubt || !Within(text, line.text)) return;
    const size_t from = StartOf(text, line.text);
    edit->rewrites[from] = {
        from,
        line.text.size(),
        LineWithTime('S', smaller ? meant->time.smaller : meant->time.larger, title, four_fields),
        {}};
  };
  for (const Track& track : TracksOf(disc, disc.files[file]).subspan(1)) {
    rewrite(track.opened_by, TitleOnLine(TitleOf(disc, track), track.opened_by));
  }
  for (const LooseSplit& loose : disc.loose_splits) {
    if (loose.file != file) continue;
    const TrackTexts* texts = OffDiscTextsOf(disc, loose.line.number);
    rewrite(loose.line, texts != nullptr ? TitleOnLine(texts->title, loose.line) : "");
  }
}

// The file of the disc a choice of readings is of.
size_t FileOfChoice(const Disc& disc, const FileChoice& choice) {
  for (size_t i = 0; i < disc.files.size(); ++i) {
    if (disc.files[i].entry.text.data() == choice.file.data()) return i;
  }
  return disc.files.size();
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

// What the files' tags give the list: a TITLE and PERFORMER line under the line of each file
// whose track the list gives none, and the disc's title and performer where the list gives none
// and the files agree; what they leave to the user is said in comments.
struct TagLines {
  std::vector<Rewrite> after;  // Lines to add after a line, which stays.
  std::string at_end;          // Lines to add after the list's last line.
  std::string comments;
  std::vector<int> titled;  // The lines whose tracks the tags title.
  std::string disc_title;   // The disc's title and performer, as the list or the tags give them.
  std::string disc_performer;
  bool title_said = false;  // A comment says the tags disagree on it.
  bool performer_said = false;
};

// The disc's title and performer: the list's, or else those the files' tags agree on, which
// the list gets at its end.
void DiscTextsOfTags(const Disc& disc, std::span<const LineTags> tags, std::string_view line_end,
                     TagLines* out) {
  std::vector<std::string> albums, album_artists, artists;
  for (const LineTags& t : tags) {
    for (auto [raw, into] : {std::pair{&t.tags.album, &albums},
                             {&t.tags.album_artist, &album_artists},
                             {&t.tags.artist, &artists}}) {
      if (std::string s = TextForLine(*raw); !s.empty()) into->push_back(s);
    }
  }
  out->disc_title = disc.title.text.text;
  if (out->disc_title.empty()) {
    const size_t said = out->comments.size();
    out->disc_title = Agreed(albums, "album", "DISC TITLE", &out->comments);
    out->title_said = out->comments.size() != said;
    if (!out->disc_title.empty()) {
      out->at_end.append("DISC TITLE ").append(out->disc_title).append(line_end);
    }
  }
  out->disc_performer = disc.performer.text.text;
  if (out->disc_performer.empty()) {
    const size_t said = out->comments.size();
    out->disc_performer =
        album_artists.empty()
            ? Agreed(artists, "artist and no album artist", "DISC PERFORMER", &out->comments)
            : Agreed(album_artists, "album artist", "DISC PERFORMER", &out->comments);
    out->performer_said = out->comments.size() != said;
    if (!out->disc_performer.empty()) {
      out->at_end.append("DISC PERFORMER ").append(out->disc_performer).append(line_end);
    }
  }
}

// The texts of the track the line of a tagged file opens: of a WAV file of the disc, its first
// track's; of a line that opens a track once mended, those under it; none where it has none.
const TrackTexts* TextsOfTagged(const Disc& disc, const LineTags& t) {
  for (const DiscFile& file : disc.files) {
    if (file.entry.number != t.number) continue;
    const Track& first = disc.tracks[file.first_track];
    return first.texts == kNoTexts ? nullptr : &disc.track_texts[first.texts];
  }
  return OffDiscTextsOf(disc, t.number);
}

// A TITLE and a PERFORMER line from each file's tags, under its line, where its track has none
// and the performer is not the disc's. A file whose first track a split at its start titles, as
// the fixes write it, takes no title from its tags.
void TrackTextsOfTags(std::string_view text, const Disc& disc, std::span<const LineTags> tags,
                      std::string_view line_end, TagLines* out) {
  const std::vector<int> titled_by_fixes = out->titled;
  for (const LineTags& t : tags) {
    const TrackTexts* has = TextsOfTagged(disc, t);
    std::string lines;
    std::string title = TextForLine(t.tags.title);
    bool titled = std::find(titled_by_fixes.begin(), titled_by_fixes.end(), t.number) !=
                  titled_by_fixes.end();
    if (!titled && (has == nullptr || has->title.text.empty) && !title.empty()) {
      lines.append("TITLE ").append(title).append(line_end);
      SayLost(&out->comments, title, "title", t.line);
      out->titled.push_back(t.number);
    }
    std::string artist = TextForLine(t.tags.artist);
    if ((has == nullptr || has->performer.text.empty) && !artist.empty() &&
        artist != out->disc_performer) {
      lines.append("PERFORMER ").append(artist).append(line_end);
      SayLost(&out->comments, artist, "artist", t.line);
    }
    if (!lines.empty() && Within(text, t.line)) {
      const size_t from = StartOf(text, t.line);
      out->after.push_back({from, t.line.size(), std::string(t.line), lines});
    }
  }
}

// Whether a finding of kind on line is among findings.
bool Said(std::span<const Finding> findings, FindingKind kind, int line) {
  return std::any_of(findings.begin(), findings.end(),
                     [&](const Finding& f) { return f.kind == kind && f.line == line; });
}

// Once the list carries CD-TEXT, every track needs a title, and the disc a title and performer:
// what neither the list nor the tags give is said as the next run would say it, where this run
// does not: the tracks of the disc, and those of the tagged lines that open one once mended.
void NextRunOfTags(const Disc& disc, std::span<const LineTags> tags,
                   std::span<const Finding> findings, const Names& names, TagLines* out) {
  bool any = HasCdText(disc) || !out->after.empty() || !out->at_end.empty();
  for (const Disc::OffDisc& off : disc.texts_off_disc) {
    any = any || !off.texts.title.text.empty || !off.texts.performer.text.empty;
  }
  if (!any) return;
  std::vector<Finding> next_run;
  auto untitled = [&](const ListLine& line) {
    bool titled =
        std::find(out->titled.begin(), out->titled.end(), line.number) != out->titled.end();
    if (!titled && !Said(findings, K::kTrackWithoutTitle, line.number)) {
      next_run.push_back(MakeFinding<K::kTrackWithoutTitle>(line.number, line.text));
    }
  };
  for (const LineTags& t : tags) {
    bool of_disc = std::any_of(disc.files.begin(), disc.files.end(),
                               [&](const DiscFile& file) { return file.entry.number == t.number; });
    const TrackTexts* texts = OffDiscTextsOf(disc, t.number);
    if (!of_disc && (texts == nullptr || texts->title.text.empty)) untitled({t.number, t.line});
  }
  for (const Track& track : disc.tracks) {
    if (TitleOf(disc, track).text.empty) untitled(track.opened_by);
  }
  std::sort(next_run.begin(), next_run.end(),
            [](const Finding& a, const Finding& b) { return a.line < b.line; });
  if (out->disc_title.empty() && !out->title_said && !Said(findings, K::kNoDiscTitle, 0)) {
    next_run.push_back(MakeFinding<K::kNoDiscTitle>(0, ""));
  }
  if (out->disc_performer.empty() && !out->performer_said &&
      !Said(findings, K::kNoDiscPerformer, 0)) {
    next_run.push_back(MakeFinding<K::kNoDiscPerformer>(0, ""));
  }
  for (const Finding& f : next_run) {
    size_t from = out->comments.size();
    out->comments.append("# ");
    AppendPlacedText(&out->comments, f, names);
    EndComment(&out->comments, from);
  }
}

// What the files' tags give the list, and what they leave to the user.
TagLines LinesOfTags(std::string_view text, const Disc& disc, std::span<const LineTags> tags,
                     std::span<const Finding> findings, const Names& names) {
  TagLines out;
  const std::string_view line_end = LineEndOf(text.substr(0, ReadEnd(text)));
  // A split at a file's start gives its first track its title, as the fixes write it.
  for (const Finding& f : findings) {
    if (f.kind == K::kSplitAtStart && !FactsOf<K::kSplitAtStart>(f).title.empty()) {
      out.titled.push_back(FactsOf<K::kSplitAtStart>(f).file_line);
    }
  }
  DiscTextsOfTags(disc, tags, line_end, &out);
  TrackTextsOfTags(text, disc, tags, line_end, &out);
  NextRunOfTags(disc, tags, findings, names, &out);
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

// A comment for what a file that ends inside a CD frame leaves to choose: join it to the next
// file, where the recording goes on, or pad it to a whole frame.
void AppendPaddingChoice(std::string* out, const Finding& f) {
  const Padding& p = FactsOf<K::kEndsInsideFrame>(f);
  size_t from = out->size();
  std::string padded = CdWavName(p.made.stem, p.made.skip);
  out->append("# \"").append(f.subject).append("\" ends inside a CD frame, so a burner adds ");
  out->append(std::to_string(p.silence)).append(" samples of silence before \"");
  out->append(p.next_file).append("\". ");
  if (p.joinable) {
    std::string joined = NumberedName(JoinedName(f.subject, p.next_file), p.joined_skip);
    out->append("Where the recording goes on, join them and write \"").append(joined);
    out->append("\" in place of \"").append(f.subject).append("\" and \"S ");
    out->append(CueTimeText(p.join_at)).append("\" in place of \"").append(p.next_file);
    out->append("\":");
    EndComment(out, from);
    from = out->size();
    out->append("#   ");
    AppendJoinCommand(out, f.subject, p.next_file, joined);
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
  AppendPadCommand(out, f.subject, padded, p.silence);
  EndComment(out, from);
}

// Whether a finding that asks for nothing the script can do is done all the same, once the script
// has run (its line is removed, the line above a stray pregap or gap is rewritten, its track is
// given a title, or the disc its title or performer), or said more closely by the comment on the
// tags.
bool DoneByScript(const Finding& f, std::span<const std::pair<int, LineChange>> changed,
                  const Disc& disc, const TagLines& tags) {
  auto change_of = [&](int line) {
    for (const auto& [number, change] : changed) {
      if (number == line) return change;
    }
    return LineChange::kNone;
  };
  if (f.kind == K::kPregapIgnored || f.kind == K::kGapIgnored) {
    return change_of(std::get<StrayPregapFacts>(f.facts).above.number) != LineChange::kNone;
  }
  if (f.kind == K::kTrackWithoutTitle) {
    return std::find(tags.titled.begin(), tags.titled.end(), f.line) != tags.titled.end();
  }
  if (f.kind == K::kNoDiscTitle) {
    return (disc.title.text.empty && !tags.disc_title.empty()) || tags.title_said;
  }
  if (f.kind == K::kNoDiscPerformer) {
    return (disc.performer.text.empty && !tags.disc_performer.empty()) || tags.performer_said;
  }
  return change_of(f.line) == LineChange::kRemove;
}

// What the script leaves to the user: for each file that ends inside a CD frame, the choice of
// joining or padding it; every other warning or error that gives no command and no line, as
// standard error says it, but what the script does all the same; and what the tags leave.
std::string LeftComments(std::string_view text, const Disc& disc, std::span<const Finding> findings,
                         const TagLines& tags, const Names& names) {
  std::vector<std::pair<int, LineChange>> changed;
  for (const Finding& f : findings) {
    if (Within(text, f.subject)) changed.emplace_back(f.line, FixOf(f).change);
  }
  std::string comments;
  for (const Finding& f : findings) {
    if (f.kind == K::kEndsInsideFrame) {
      AppendPaddingChoice(&comments, f);
      continue;
    }
    if (IsNote(f.kind)) continue;
    const Fix fix = FixOf(f);
    const bool rewrites_line =
        fix.change != LineChange::kNone && f.line > 0 && Within(text, f.subject);
    if (!fix.command.empty() || rewrites_line || DoneByScript(f, changed, disc, tags)) continue;
    size_t from = comments.size();
    comments.append("# ");
    AppendPlacedText(&comments, f, names);
    EndComment(&comments, from);
  }
  return comments.append(tags.comments);
}

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
  const std::string& name = fix.line;
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

// What the script says of itself where it does anything, and its options.
constexpr std::string_view kScriptSays =
    "# It stops before it changes anything where it runs in another folder or the list is not "
    "the\n"
    "# one it was made for, and at the first command that fails or is interrupted, or the first "
    "file\n"
    "# it is to make whose name is taken, by a link too. It makes each file in a directory of its "
    "own,\n"
    "# which it removes as it ends, and gives it its name only where nothing has that name. The "
    "list\n"
    "# is rewritten last.\n"
    "set -eC\n";

// The script: its header, and where there is anything to do, the lines that guard it, the commands
// that make files, and those that write the fixed list, each other choice beside it; then what
// it leaves to the user, in comments.
std::string Render(const ScriptList& list, const Names& names, std::string_view commands,
                   const std::string* fixed, std::span<const OtherWay> other_ways,
                   std::string_view comments, Controls controls) {
  std::string script = "#!/bin/sh\n";
  size_t from = script.size();
  script.append("# The fixes vantorel gives for the track list ")
      .append(names.list)
      .append(": run this script with sh, then vantorel again.");
  EndComment(&script, from);
  if (!commands.empty() || fixed != nullptr) {
    script.append(kScriptSays);
    std::string body;
    if (!list.folder.empty()) AppendFolderCheck(&body, list.folder, &controls);
    if (list.regular) AppendGuard(&body, names.list, list.text, &controls);
    body.append(kNaming).append(kOwnDirectory);
    if (fixed != nullptr && list.regular) {
      // The list as it stands is kept before anything is changed, and found to be the one the
      // script was made for.
      AppendListCopy(&body, names.list, &controls);
    }
    body.append(commands);
    if (fixed != nullptr) AppendListWrite(&body, list, names, *fixed, other_ways, &controls);
    script.append(ControlVariables(controls)).append(body);
  }
  if (!comments.empty()) script.append("# Left for you to decide:\n").append(comments);
  if (fixed != nullptr && !list.regular) {
    size_t at = script.size();
    script.append("# ").append(names.list);
    script.append(" is no file that can be rewritten, so the fixed list is ");
    script.append(list.new_name).append(": run vantorel ");
    AppendPathWord(&script, list.new_name);
    EndComment(&script, at);
  }
  return script;
}

}  // namespace

std::string TextForLine(const std::string& raw) {
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
}

void SayLost(std::string* comments, const std::string& text, std::string_view what,
             std::string_view line) {
  if (text.empty() || !ToSheetText(text).lost) return;
  size_t from = comments->size();
  comments->append("# The ").append(what).append(" of \"").append(line);
  comments->append("\", \"").append(text).append(
      "\", has letters cdrdao cannot burn; write it in Latin letters");
  EndComment(comments, from);
}

std::string FixScript(const ScriptList& list, const Disc& disc, const DiscLayout& layout,
                      std::span<const Finding> findings, const Names& names) {
  const std::string_view text = list.text;
  // The fixed list: the findings' lines, the tags' texts, and the files in their tags' order.
  ListEdit edit;
  AddLineFixes(text, findings, &edit);
  const TagLines tags = LinesOfTags(text, disc, list.tags, findings, names);
  for (const Rewrite& after : tags.after) {
    edit.rewrites.emplace(after.from, after).first->second.after = after.after;
  }
  edit.at_end = tags.at_end;
  edit.order = TagOrder(text, list.tags);
  // A file whose split times read two ways, each of which holds: the list is written the larger
  // way, and the smaller is ready beside it, to swap in by moving one #; so is the list's own
  // order of files beside their tags' order.
  std::vector<OtherWay> other_ways;
  for (const bool smaller : {false, true}) {
    for (const Finding& f : findings) {
      const auto* choice = std::get_if<FileChoice>(&f.facts);
      const size_t file = choice != nullptr ? FileOfChoice(disc, *choice) : disc.files.size();
      if (file == disc.files.size()) continue;
      const Doubt doubt = f.kind == K::kTimesTwoWays ? Doubt::kUnits : Doubt::kFraction;
      if (!smaller) {
        RewriteTwoWays(text, disc, layout, file, doubt, false, choice->four_fields, &edit);
        continue;
      }
      // The other way's times would mostly read two ways again as minutes:seconds:frames.
      ListEdit other = edit;
      RewriteTwoWays(text, disc, layout, file, doubt, true, true, &other);
      other_ways.push_back(
          {"# To read the split times of \"" + std::string(choice->file) +
               (doubt == Doubt::kUnits ? "\" as cdrdao does"
                                       : "\" with hundredths of a second after the point"),
           Rewritten(text, other)});
    }
  }
  if (!edit.order.empty()) {
    ListEdit own = edit;
    own.order.clear();
    other_ways.push_back(
        {"# The files are written in the order of their tags' track numbers; to "
         "keep the list's own order",
         Rewritten(text, own)});
  }
  // The commands that make files, each once.
  std::string commands;
  std::vector<std::string> made;
  Controls controls = 0;
  for (const Finding& f : findings) {
    if (IsNote(f.kind)) continue;
    if (Fix fix = FixOf(f); !fix.command.empty()) AppendMaking(&commands, f, fix, &made, &controls);
  }
  const std::string fixed = edit.empty() ? "" : Rewritten(text, edit);
  return Render(list, names, commands, edit.empty() ? nullptr : &fixed, other_ways,
                LeftComments(text, disc, findings, tags, names), controls);
}

}  // namespace vantorel
