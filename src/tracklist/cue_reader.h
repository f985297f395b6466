// The cue sheet reader: the sheets rippers write beside an album's image or its files (EAC, XLD,
// foobar2000, CUETools, whipper, cyanrip, redumper, metaflac) read into an album.
#pragma once

#include <string_view>

#include "tracklist/album.h"

namespace vantorel {

// Reads a cue sheet's text. Commands are read in any case; words are parted by blanks; a line ends
// at LF, CR LF or a lone CR; a UTF-8 byte order mark at the start is skipped, and a text that
// starts with a UTF-16 one, as Windows programs write a sheet whose texts their code page cannot
// hold, is read as UTF-16 of that byte order, up to a NUL or a surrogate unpaired. Texts, names and
// REM values are taken quoted or not (quoted, up to the line's last double quote) and come out
// as UTF-8, each read as Windows-1252 where it is not valid UTF-8. TITLE, PERFORMER, SONGWRITER,
// COMPOSER, ARRANGER, MESSAGE and REM lines belong to the track opened above them, or to the disc
// before the first TRACK; a REM SESSION line gives the session of the tracks below it. MCN is
// read as CATALOG. A TRACK line with the number of the track above, as cyanrip writes one after
// its gap's FILE, goes on with that track. An index lies in the file of the FILE line above it.
AlbumRead ReadCueSheet(std::string_view text);

}  // namespace vantorel
