// The tag reader: the title, artist, album, album artist and track number that the tags of a
// FLAC, Ogg Vorbis, Opus, MP3, AAC, MP4, WAV, WavPack or Monkey's Audio file give, and a cue
// sheet a file holds, read through the same source as the WAV probe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/bytes.h"

namespace vantorel {

// The texts a file's tags give, as UTF-8 (Latin-1, read with Windows' signs at its control
// characters, and UTF-16 texts converted); empty where none.
struct FileTags {
  std::string title;   // FLAC/Vorbis/Opus TITLE, ID3 TIT2, MP4 ©nam, RIFF INFO INAM, APE Title
  std::string artist;  // ARTIST, TPE1, ©ART, IART, Artist
  std::string album;   // ALBUM, TALB, ©alb, IPRD, Album
  std::string album_artist;  // ALBUMARTIST (also "ALBUM ARTIST"), TPE2, aART, APE "Album Artist"
  // The number before a `/` (as in "3/12") of TRACKNUMBER, ID3v2 TRCK, APE Track, RIFF INFO ITRK
  // or IPRT, the number of MP4 trkn, or ID3v1.1's track byte; 0 where none gives one.
  uint32_t track = 0;
  // A FLAC file's CUESHEET metadata block: the bytes after its header, as far as the file holds
  // them, at most as many as of any one tag. Empty where there is none.
  std::vector<uint8_t> cuesheet_block = {};
  // The text of a CUESHEET comment, as CUETools embeds one in a FLAC image, or of an APEv2
  // Cuesheet item.
  std::string cuesheet = {};
  // A FLAC file's length as its STREAMINFO block gives it: its samples (per channel) and their
  // rate; 0 where the block does not say.
  uint64_t samples = 0;
  uint32_t rate = 0;
};

// Reads the tags of a file through source, knowing its kind by its first bytes as the probe
// does. Reads past the head only where a tag lies past it, a few small reads at most, never the
// audio. A tag that cannot be read gives no text, and a text that cannot be read is left empty;
// of two texts for one field, the first that is not empty is taken, and of two track numbers
// the first that is not 0.
FileTags ReadTags(const WavSource& source);

}  // namespace vantorel
