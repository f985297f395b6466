#include "run/album_script.h"

#include <utility>

#include "run/script.h"
#include "run/shell.h"
#include "run/words.h"
#include "tracklist/times.h"

namespace vantorel {

namespace {

// Appends a line of the list: the keyword, a blank and the text, where there is a text.
void AppendLine(std::string* out, std::string_view keyword, std::string_view text) {
  if (!text.empty()) Append(out, {keyword, " ", text, "\n"});
}

// What the script says of itself, and its options.
constexpr std::string_view kAlbumScriptSays =
    "# It stops before it changes anything where it runs in another folder or what it was made "
    "of\n"
    "# has changed, and at the first command that fails or is interrupted, or the first file it "
    "is\n"
    "# to make whose name is taken, by a link too. It makes each file in a directory of its own,\n"
    "# which it removes as it ends, and gives it its name only where nothing has that name. The\n"
    "# list is written last.\n"
    "set -eC\n";

// Appends the commands that make file in the script's own directory, where it is not one of the
// album's as it stands, and give it its name. made counts the files made there.
void AppendMaking(std::string* out, const ScriptFile& file, int* made, Controls* controls) {
  if (file.parts.size() == 1 && file.parts[0].making.by == Converter::kNone) return;
  size_t from = out->size();
  out->append("fresh ");
  AppendPathWord(out, file.name, "", "../");
  EndCommand(out, from, controls);
  std::string join = "sox";
  std::string here;
  for (const ScriptPart& part : file.parts) {
    join.append(" --no-glob ");
    if (part.making.by == Converter::kNone) {
      AppendPathWord(&join, part.path, "", "../");
      continue;
    }
    here = Number(++*made) + ".wav";
    from = out->size();
    AppendConvertCommand(out, part.making, part.path, here, "../");
    EndCommand(out, from, controls);
    AppendPathWord(&join, here);
  }
  if (file.parts.size() > 1) {
    here = Number(++*made) + ".wav";
    from = out->size();
    out->append(join).append(" --no-glob ");
    AppendPathWord(out, here);
    EndCommand(out, from, controls);
  }
  from = out->size();
  out->append("place ");
  AppendPathWord(out, here);
  out->push_back(' ');
  AppendPathWord(out, file.name, "", "../");
  EndCommand(out, from, controls);
}

}  // namespace

std::string AlbumListText(const Album& album, const AlbumPlan& plan,
                          std::span<const std::string> names, std::string* lost) {
  std::string text;
  const std::string disc_performer = TextForLine(album.texts.performer);
  int file = -1;
  for (const PlannedTrack& t : plan.tracks) {
    const AlbumTrack& track = *t.track;
    const std::string title = TextForLine(track.texts.title);
    const size_t opener = text.size();
    if (t.file != file) {
      file = t.file;
      Append(&text, {names[file], "\n"});
      AppendLine(&text, "TITLE", title);
    } else {
      Append(&text, {LineWithTime('S', t.start, title, true), "\n"});
    }
    const std::string line = text.substr(opener, text.find('\n', opener) - opener);
    SayLost(lost, title, "title", line);
    if (t.gap != 0) AppendLine(&text, "G", CueTimeText(t.gap));
    if (t.pregap != 0) AppendLine(&text, "P", CueTimeText(t.pregap));
    const std::string performer = TextForLine(track.texts.performer);
    if (performer != disc_performer) {
      AppendLine(&text, "PERFORMER", performer);
      SayLost(lost, performer, "performer", line);
    }
    AppendLine(&text, "ISRC", track.isrc);
    AppendLine(&text, "FLAGS", FlagWords(t.flags));
  }
  const std::string disc_title = TextForLine(album.texts.title);
  AppendLine(&text, "DISC TITLE", disc_title);
  SayLost(lost, disc_title, "title", "DISC TITLE");
  AppendLine(&text, "DISC PERFORMER", disc_performer);
  SayLost(lost, disc_performer, "performer", "DISC PERFORMER");
  AppendLine(&text, "CATALOG", album.catalog);
  return text;
}

std::string AlbumScript(const AlbumScriptInput& in) {
  std::string script = "#!/bin/sh\n";
  size_t from = script.size();
  Append(&script, {"# The track list vantorel makes of ", in.source,
                   ": run this script with sh, then vantorel."});
  EndComment(&script, from);
  if (!in.list_text.empty()) {
    script.append(kAlbumScriptSays);
    std::string body;
    Controls controls = 0;
    if (!in.folder.empty()) AppendFolderCheck(&body, in.folder, &controls);
    if (in.source_regular) AppendGuard(&body, in.source, in.source_text, &controls);
    body.append(kNaming).append(kOwnDirectory);
    if (in.in_place) AppendListCopy(&body, in.source, &controls);
    int made = 0;
    for (const ScriptFile& file : in.files) AppendMaking(&body, file, &made, &controls);
    body.append("printf ");
    AppendPrintfFormat(&body, in.list_text);
    body.append(" > './list'\n");
    from = body.size();
    body.append(in.in_place ? "place './orig' " : "place './list' ");
    AppendPathWord(&body, in.list_name, "", "../");
    EndCommand(&body, from, &controls);
    if (in.in_place) {
      from = body.size();
      body.append("same ");
      AppendPathWord(&body, in.source, "", "../");
      EndCommand(&body, from, &controls);
      from = body.size();
      body.append("mv -f -T -- './list' ");
      AppendPathWord(&body, in.source, "", "../");
      EndCommand(&body, from, &controls);
    }
    script.append(ControlVariables(controls)).append(body);
  }
  script.append(in.comments);
  from = script.size();
  if (in.list_text.empty()) {
    script.append("# No track list is made: the errors above keep it from being the disc meant.");
  } else if (in.in_place) {
    Append(&script, {"# ", in.source, " is then the track list, and ", in.list_name,
                     " the list as it was: run vantorel"});
  } else {
    Append(&script, {"# The track list is ", in.list_name, ": run vantorel"});
    if (in.list_name != "tlist.txt") {
      script.push_back(' ');
      AppendPathWord(&script, in.list_name);
    }
  }
  EndComment(&script, from);
  return script;
}

}  // namespace vantorel
