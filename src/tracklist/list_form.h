// Which form a list the tool is given is in, from its name and its text alone.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantorel {

enum class ListForm : uint8_t { kTrackList, kCueSheet, kPlaylist };

// A cue sheet where the name ends in .cue, in any case; a playlist where it ends in .m3u or
// .m3u8, in any case. Otherwise, by the text, past a UTF-8 byte order mark, and read as UTF-16
// after a UTF-16 one: a playlist where it
// starts with #EXTM3U; a cue sheet where its first line that is neither blank nor a REM line
// starts with FILE, TITLE, PERFORMER, CATALOG, MCN (cyanrip's CATALOG), SONGWRITER or CDTEXTFILE
// and a blank, or where it holds REM lines and nothing else; else a track list.
ListForm FormOfList(std::string_view name, std::string_view text);

}  // namespace vantorel
