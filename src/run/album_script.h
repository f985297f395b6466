// An album as a track list, and the script that makes it: it makes a CD WAV of each file that is
// none, joins the files the plan joins, and writes the list under a name of its own, never over
// the sheet it was made of.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "disc/album_plan.h"
#include "run/remedies.h"

namespace vantorel {

// The list's text for the album as the plan lays it out, with its files named as names says (one
// for each of the plan's files): each file's line and each other track's split line with its
// title, a track's gap (G) or pregap (P), its TITLE where no split line carries it, its PERFORMER
// where that is not the disc's, its ISRC and FLAGS; then the disc's DISC TITLE, DISC PERFORMER
// and CATALOG. Texts are written as TextForLine gives them; the comments it appends to lost say
// of each whose letters cdrdao cannot burn.
std::string AlbumListText(const Album& album, const AlbumPlan& plan,
                          std::span<const std::string> names, std::string* lost);

// One of the album's files as the script reads it: its name from the working directory, and how a
// CD WAV is made of it (by Converter::kNone where it is one as it stands).
struct ScriptPart {
  std::string_view path;
  Making making = {};
};

// A file of the list, name, and the parts it is made of: one as it stands or converted, or more
// joined.
struct ScriptFile {
  std::string_view name;
  std::vector<ScriptPart> parts;
};

struct AlbumScriptInput {
  // What the album was read from (a cue sheet, a playlist or the list that names a FLAC file that
  // holds one), as it is named, and its bytes, which the script checks are unchanged where it is
  // a regular file.
  std::string_view source;
  std::string_view source_text;
  bool source_regular = false;
  // The working directory of the run, with no link in it; empty where it is not known.
  std::string_view folder;
  std::span<const ScriptFile> files;
  // The list, and the name it takes, one no file has; empty where no list is made.
  std::string_view list_text;
  std::string_view list_name;
  // Where the source is itself the list, the script puts the new list in its place and keeps the
  // source as it stands under list_name.
  bool in_place = false;
  // What the run says of the album, as comment lines.
  std::string_view comments;
};

// The script: the guards the fix script has, then for each file of the list that is not one of
// the album's as it stands, the commands that make it in the script's own directory and give it
// its name; then the list's; then the comments.
std::string AlbumScript(const AlbumScriptInput& in);

}  // namespace vantorel
