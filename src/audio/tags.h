// The tag reader: the title, artist, album and album artist that the tags of a FLAC, Ogg Vorbis,
// Opus, MP3, AAC, MP4, WAV, WavPack or Monkey's Audio file give, read through the same source as
// the WAV probe.
#pragma once

#include <string>

#include "audio/bytes.h"

namespace vantorel {

// The texts a file's tags give, as UTF-8 (Latin-1, read with Windows' signs at its control
// characters, and UTF-16 texts converted); empty where none.
struct FileTags {
  std::string title;   // FLAC/Vorbis/Opus TITLE, ID3 TIT2, MP4 ©nam, RIFF INFO INAM, APE Title
  std::string artist;  // ARTIST, TPE1, ©ART, IART, Artist
  std::string album;   // ALBUM, TALB, ©alb, IPRD, Album
  std::string album_artist;  // ALBUMARTIST (also "ALBUM ARTIST"), TPE2, aART, APE "Album Artist"
};

// Reads the tags of a file through source, knowing its kind by its first bytes as the probe does.
// Reads past the head only where a tag lies past it, a few small reads at most, never the audio.
// A tag that cannot be read gives no text, and a text that cannot be read is left empty; of two
// texts for one field, the first that is not empty is taken.
FileTags ReadTags(const WavSource& source);

}  // namespace vantorel
