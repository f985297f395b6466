#include "tracklist/list_form.h"

#include <algorithm>
#include <string>

#include "encoding.h"
#include "tracklist/list_text.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// Whether name ends in the ending, in any case.
bool EndsIn(std::string_view name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  std::string_view end = name.substr(name.size() - ending.size());
  return std::equal(end.begin(), end.end(), ending.begin(),
                    [](char a, char e) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == e; });
}

// Whether a line starts with the command and a blank.
bool StartsWithCommand(std::string_view line, std::string_view command) {
  return line.size() > command.size() && line.starts_with(command) && IsBlank(line[command.size()]);
}

}  // namespace

ListForm FormOfList(std::string_view name, std::string_view text) {
  if (EndsIn(name, ".cue")) return ListForm::kCueSheet;
  if (EndsIn(name, ".m3u") || EndsIn(name, ".m3u8")) return ListForm::kPlaylist;
  if (std::optional<std::string> utf8 = MarkedUtf16ToUtf8(text)) return FormOfList(name, *utf8);
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  if (text.starts_with("#EXTM3U")) return ListForm::kPlaylist;
  bool remarks = false;
  for (size_t pos = 0; pos < text.size();) {
    std::string_view line = TrimBlanks(TakeLine(text, &pos));
    if (line.empty()) continue;
    if (line == "REM" || StartsWithCommand(line, "REM")) {
      remarks = true;
      continue;
    }
    for (std::string_view command :
         {"FILE", "TITLE", "PERFORMER", "CATALOG", "MCN", "SONGWRITER", "CDTEXTFILE"}) {
      if (StartsWithCommand(line, command)) return ListForm::kCueSheet;
    }
    return ListForm::kTrackList;
  }
  return remarks ? ListForm::kCueSheet : ListForm::kTrackList;
}

}  // namespace vantorel
