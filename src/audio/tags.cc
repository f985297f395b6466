#include "audio/tags.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "encoding.h"

namespace vantorel {

namespace {

// The most bytes of one tag, comment block, packet or item that are read; texts past them are
// not read.
constexpr size_t kMostTagBytes = size_t{1} << 20;
// The reads past the head one file may take, and the bytes they may bring in, all told.
constexpr ReadLimits kTagReads = {.reads = 32, .bytes = uint64_t{2} << 20};

// A size of ID3v2 in four bytes of seven bits each, big-endian.
uint32_t Synchsafe(Bytes b, uint64_t pos) {
  return Assem4(ByteAt(b, pos + 3) & 0x7F, 0, 0, 0) | (ByteAt(b, pos + 2) & 0x7Fu) << 7 |
         (ByteAt(b, pos + 1) & 0x7Fu) << 14 | (ByteAt(b, pos) & 0x7Fu) << 21;
}

// The bytes before the first NUL.
Bytes UpToNul(Bytes b) {
  return b.first(static_cast<size_t>(std::find(b.begin(), b.end(), 0) - b.begin()));
}

// Latin-1 as taggers on Windows write it: with Windows' letters and signs (curly quotes, dashes,
// the euro sign) at the bytes where Latin-1 has control characters, as the list's own 8-bit
// texts are read.
std::string Latin1(Bytes b) {
  return Windows1252ToUtf8(AsText(b));
}

// A text of 8-bit characters up to its first NUL: as it is where it is valid UTF-8, else read as
// Latin-1 with Windows' signs.
std::string Text8(Bytes b) {
  return ToUtf8(AsText(UpToNul(b)));
}

// UTF-16 up to its first NUL; a lone byte at the end is left out. Empty where a surrogate is
// unpaired.
std::string Utf16(Bytes b, bool big) {
  std::u16string units(b.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(Field2(b, 2 * i, big));
  return Utf16ToUtf8(units);
}

// The number a track number's text starts with, before a `/` and the count of tracks; 0 where
// the text is no such number.
uint32_t TrackNumber(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  uint32_t number = 0;
  size_t digits = 0;
  // Nine digits at most, which 32 bits hold.
  for (; digits < text.size() && digits < 10 && text[digits] >= '0' && text[digits] <= '9';
       ++digits) {
    number = number * 10 + static_cast<uint32_t>(text[digits] - '0');
  }
  bool ends = digits == text.size() || text[digits] == '/';
  return digits > 0 && digits < 10 && ends ? number : 0;
}

// Where a tag's text goes: a text of the file's tags, or its track number.
struct Slot {
  std::string* text = nullptr;
  uint32_t* number = nullptr;

  // Whether nothing has filled it yet.
  bool Open() const { return text ? text->empty() : number && *number == 0; }

  void Take(std::string value) const {
    if (text && text->empty()) {
      *text = std::move(value);
    } else if (number && *number == 0) {
      *number = TrackNumber(value);
    }
  }
};

// The field a Vorbis comment's or an APE item's name stands for, in any case; none for others.
Slot FieldNamed(FileTags* tags, std::string_view name) {
  auto is = [name](std::string_view upper) {
    return std::equal(name.begin(), name.end(), upper.begin(), upper.end(), [](char a, char b) {
      return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
    });
  };
  if (is("TITLE")) return {&tags->title};
  if (is("ARTIST")) return {&tags->artist};
  if (is("ALBUM")) return {&tags->album};
  if (is("ALBUMARTIST") || is("ALBUM ARTIST") || is("ALBUM_ARTIST")) return {&tags->album_artist};
  if (is("TRACKNUMBER") || is("TRACK")) return {.number = &tags->track};
  if (is("CUESHEET")) return {&tags->cuesheet};
  return {};
}

// Vorbis comments, little-endian: a vendor text and a count of NAME=value texts, each after its
// length. A text that runs past the bytes ends the list.
void ReadVorbisComment(Bytes b, FileTags* tags) {
  uint64_t pos = 4 + uint64_t{Le4(b, 0)};
  if (b.size() < 8 || b.size() - 4 < pos) return;
  uint32_t count = Le4(b, pos);
  pos += 4;
  for (uint32_t i = 0; i < count && b.size() - pos >= 4; ++i) {
    uint32_t length = Le4(b, pos);
    pos += 4;
    if (length > b.size() - pos) return;
    Bytes entry = b.subspan(pos, length);
    pos += length;
    size_t eq = static_cast<size_t>(std::find(entry.begin(), entry.end(), '=') - entry.begin());
    if (eq == entry.size()) continue;
    Slot slot = FieldNamed(tags, AsText(entry.first(eq)));
    if (slot.Open()) slot.Take(Text8(entry.subspan(eq + 1)));
  }
}

// FLAC: "fLaC" and metadata blocks, each after a header of a last-block flag, a type (0 for the
// STREAMINFO, 4 for the Vorbis comments, 5 for the cue sheet) and a 24-bit big-endian length.
// Other blocks are passed over. The STREAMINFO, always first, gives the rate in 20 bits at byte 10
// of its body and the count of samples in the 36 bits that end at byte 18.
void ReadFlac(ByteReader& r, FileTags* tags) {
  if (Bytes info = r.At(4, 22); info.size() == 22 && (info[0] & 0x7F) == 0) {
    tags->rate = Be3(info, 14) >> 4;
    tags->samples = uint64_t{info[17] & 0x0Fu} << 32 | Be4(info, 18);
  }
  bool comments = false, cuesheet = false;
  for (uint64_t pos = 4; !comments || !cuesheet;) {
    Bytes h = r.At(pos, 4);
    if (h.size() < 4) return;
    uint8_t type = h[0] & 0x7F;
    bool last = (h[0] & 0x80) != 0;
    uint32_t length = Be3(h, 1);
    if (type == 4 && !comments) {
      ReadVorbisComment(r.At(pos + 4, std::min<size_t>(length, kMostTagBytes)), tags);
      comments = true;
    } else if (type == 5 && !cuesheet) {
      Bytes block = r.At(pos + 4, std::min<size_t>(length, kMostTagBytes));
      tags->cuesheet_block.assign(block.begin(), block.end());
      cuesheet = true;
    }
    if (last || type == 127) return;
    pos += 4 + uint64_t{length};
  }
}

// Ogg: pages of a 27-byte header (its stream's serial number at 14, its count of segments at 26),
// the segments' sizes and the segments; a packet is the segments up to one of fewer than 255
// bytes. The comments are the second packet of the first stream, after "\x03vorbis" or
// "OpusTags".
void ReadOgg(ByteReader& r, FileTags* tags) {
  std::vector<uint8_t> packet;
  int packets = 0;
  std::optional<uint32_t> serial;
  for (uint64_t pos = 0; packets < 2 && packet.size() < kMostTagBytes;) {
    Bytes h = r.At(pos, 27);
    if (h.size() < 27 || !Is(h, 0, "OggS")) break;
    uint32_t page_serial = Le4(h, 14);
    if (!serial) serial = page_serial;
    size_t segments = h[26];
    Bytes table = r.At(pos + 27, segments);
    if (table.size() < segments) break;
    std::array<uint8_t, 255> sizes;
    std::copy(table.begin(), table.end(), sizes.begin());
    size_t body = 0;
    for (size_t s = 0; s < segments; ++s) body += sizes[s];
    if (page_serial == *serial) {
      Bytes page = r.At(pos + 27 + segments, body);
      size_t at = 0;
      for (size_t s = 0; s < segments && packets < 2; ++s) {
        size_t n = std::min<size_t>(sizes[s], page.size() - at);
        if (packets == 1) {
          size_t room = kMostTagBytes - packet.size();
          packet.insert(packet.end(), page.begin() + at, page.begin() + at + std::min(n, room));
        }
        at += n;
        if (sizes[s] < 255) ++packets;
      }
      if (page.size() < body) break;
    }
    pos += 27 + segments + body;
  }
  if (Is(packet, 0, "\x03vorbis")) ReadVorbisComment(Bytes(packet).subspan(7), tags);
  if (Is(packet, 0, "OpusTags")) ReadVorbisComment(Bytes(packet).subspan(8), tags);
}

// The bytes of an unsynchronised ID3v2 text with every 0xFF 0x00 made 0xFF again.
std::vector<uint8_t> Resync(Bytes b) {
  std::vector<uint8_t> out;
  out.reserve(b.size());
  for (size_t i = 0; i < b.size(); ++i) {
    out.push_back(b[i]);
    if (b[i] == 0xFF && i + 1 < b.size() && b[i + 1] == 0) ++i;
  }
  return out;
}

// An ID3v2 text frame's text: its encoding (0 Latin-1, 1 UTF-16 after a byte order mark, 2
// UTF-16 big-endian, 3 UTF-8) and its first text.
std::string FrameText(Bytes b) {
  Bytes text = b.empty() ? b : b.subspan(1);
  switch (ByteAt(b, 0)) {
    case 0:
      return Latin1(UpToNul(text));
    case 1:
      if (Is(text, 0, "\xFF\xFE")) return Utf16(text.subspan(2), false);
      if (Is(text, 0, "\xFE\xFF")) return Utf16(text.subspan(2), true);
      return {};
    case 2:
      return Utf16(text, true);
    case 3:
      return Text8(text);
  }
  return {};
}

Slot FrameField(FileTags* tags, std::string_view id) {
  if (id == "TIT2" || id == "TT2") return {&tags->title};
  if (id == "TPE1" || id == "TP1") return {&tags->artist};
  if (id == "TALB" || id == "TAL") return {&tags->album};
  if (id == "TPE2" || id == "TP2") return {&tags->album_artist};
  if (id == "TRCK" || id == "TRK") return {.number = &tags->track};
  return {};
}

// The frames of an ID3v2 tag of a version from pos to end: after an extended header where flags
// say so, frames of a header of a 4-byte id, a size (synchsafe in version 4) and two bytes of
// flags, or in version 2 of a 3-byte id and a 3-byte size, up to the padding. Frames that are
// compressed or encrypted are passed over; in version 4, a frame or the whole tag may be
// unsynchronised, and a group byte and a data length may stand before the text.
void ReadId3Frames(ByteReader& r, uint64_t pos, uint64_t end, uint8_t version, uint8_t flags,
                   FileTags* tags) {
  if ((flags & 0x40) != 0 && version >= 3) {
    Bytes x = r.At(pos, 4);
    if (x.size() < 4) return;
    pos += version == 4 ? Synchsafe(x, 0) : 4 + uint64_t{Be4(x, 0)};
  }
  const size_t header = version == 2 ? 6 : 10;
  while (pos <= end && end - pos >= header) {
    Bytes h = r.At(pos, header);
    if (h.size() < header || h[0] == 0) return;
    std::string_view id = AsText(h.first(version == 2 ? 3 : 4));
    uint64_t size = version == 2 ? Be3(h, 3) : version == 4 ? Synchsafe(h, 4) : Be4(h, 4);
    uint8_t format = ByteAt(h, 9);
    Slot slot = FrameField(tags, id);
    pos += header;
    if (size > end - pos) return;
    if (slot.Open() && size <= kMostTagBytes) {
      Bytes body = r.At(pos, size);
      std::vector<uint8_t> resynced;
      bool readable = true;
      if (version == 3) {
        readable = (format & 0xC0) == 0;
        if (format & 0x20) body = body.subspan(std::min<size_t>(1, body.size()));
      } else if (version == 4) {
        readable = (format & 0x0C) == 0;
        size_t extra = (format & 0x40 ? 1 : 0) + (format & 0x01 ? 4 : 0);
        body = body.subspan(std::min(extra, body.size()));
        if ((format & 0x02) != 0 || (flags & 0x80) != 0) {
          resynced = Resync(body);
          body = resynced;
        }
      }
      if (readable) slot.Take(FrameText(body));
    }
    pos += size;
  }
}

// An ID3v2 tag at at, within end: "ID3", its version, a revision, flags and a synchsafe size. In
// versions 2 and 3 an unsynchronised tag is read whole, resynchronised, within the limit.
void ReadId3v2(ByteReader& r, uint64_t at, uint64_t end, FileTags* tags) {
  Bytes h = r.At(at, 10);
  if (h.size() < 10 || !Is(h, 0, "ID3")) return;
  uint8_t version = h[3], flags = h[5];
  // Version 2 has no way to read a tag its flags call compressed.
  if (version < 2 || version > 4 || (version == 2 && (flags & 0x40) != 0)) return;
  uint64_t size = Synchsafe(h, 6);
  if (at > end || end - at < 10) return;
  end = std::min(end, at + 10 + size);
  if ((flags & 0x80) != 0 && version < 4) {
    std::vector<uint8_t> tag = Resync(r.At(at + 10, std::min<uint64_t>(size, kMostTagBytes)));
    WavSource whole{tag, tag.size(), nullptr};
    ByteReader inner(whole, kTagReads);
    ReadId3Frames(inner, 0, tag.size(), version, flags, tags);
    return;
  }
  ReadId3Frames(r, at + 10, end, version, flags, tags);
}

// ID3v1: "TAG" in the last 128 bytes, then a title, an artist and an album of 30 bytes each,
// padded with NULs or blanks: Latin-1, or UTF-8 as ffmpeg writes it. In ID3v1.1 a comment's last
// two bytes are a NUL and the track number.
void ReadId3v1(ByteReader& r, FileTags* tags) {
  if (!r.source.size || r.End() < 128) return;
  Bytes t = r.At(r.End() - 128, 128);
  if (t.size() < 128 || !Is(t, 0, "TAG")) return;
  auto text = [t](size_t at) {
    Bytes f = UpToNul(t.subspan(at, 30));
    while (!f.empty() && f.back() == ' ') f = f.first(f.size() - 1);
    return Text8(f);
  };
  Slot{&tags->title}.Take(text(3));
  Slot{&tags->artist}.Take(text(33));
  Slot{&tags->album}.Take(text(63));
  if (t[125] == 0 && tags->track == 0) tags->track = t[126];
}

// APEv2 items, little-endian: each a value's size, flags (bits 1 and 2: 0 for UTF-8 text), a key
// ended by a NUL, and the value.
void ReadApeItems(Bytes b, uint32_t count, FileTags* tags) {
  uint64_t pos = 0;
  for (uint32_t i = 0; i < count && b.size() - pos >= 8; ++i) {
    uint32_t size = Le4(b, pos), flags = Le4(b, pos + 4);
    Bytes rest = b.subspan(pos + 8);
    Bytes key = UpToNul(rest);
    if (key.size() == rest.size()) return;
    pos += 8 + key.size() + 1;
    if (size > b.size() - pos) return;
    Slot slot = FieldNamed(tags, AsText(key));
    if (slot.Open() && (flags & 6) == 0) slot.Take(Text8(b.subspan(pos, size)));
    pos += size;
  }
}

// An APEv2 tag at the end of the file, or before an ID3v1 tag: items, then a 32-byte footer of
// "APETAGEX", a version, the size of the items and footer, the count of items, flags and 8
// reserved bytes.
void ReadApe(ByteReader& r, FileTags* tags) {
  if (!r.source.size) return;
  const uint64_t size = r.End();
  Bytes tail = r.At(size - std::min<uint64_t>(size, 160), 160);
  for (size_t back : {32, 160}) {
    if (tail.size() < back || !Is(tail, tail.size() - back, "APETAGEX")) continue;
    if (back == 160 && !Is(tail, tail.size() - 128, "TAG")) continue;
    const uint64_t footer = size - back;
    uint32_t tag_size = Le4(tail, tail.size() - back + 12);
    uint32_t count = Le4(tail, tail.size() - back + 16);
    if (tag_size < 32 || tag_size - 32 > footer) return;
    ReadApeItems(r.At(footer + 32 - tag_size, std::min<size_t>(tag_size - 32, kMostTagBytes)),
                 count, tags);
    return;
  }
}

Slot ItemField(FileTags* tags, Bytes type) {
  if (Is(type, 0, "\251nam")) return {&tags->title};
  if (Is(type, 0, "\251ART")) return {&tags->artist};
  if (Is(type, 0, "\251alb")) return {&tags->album};
  if (Is(type, 0, "aART")) return {&tags->album_artist};
  if (Is(type, 0, "trkn")) return {.number = &tags->track};
  return {};
}

// The size of an MP4 box whose header starts b, within room: a 4-byte big-endian size and a
// type, the size 1 standing for a 64-bit size after the type and 0 for all of room; and the size
// of the header. A box cut short by room ends there. None where the size is less than the header.
struct BoxSize {
  uint64_t size = 0;
  uint64_t header = 8;
};
std::optional<BoxSize> SizeOfBox(Bytes b, uint64_t room) {
  BoxSize box{.size = Be4(b, 0)};
  if (box.size == 1) {
    box.size = Be8(b, 8);
    box.header = 16;
  } else if (box.size == 0) {
    box.size = room;
  }
  if (box.size < box.header) return std::nullopt;
  box.size = std::min(box.size, room);
  return box;
}

// The items of an MP4 ilst box from pos to end: boxes whose type names the field, each holding a
// data box of a type (1 for UTF-8 text, 0 for the numbers of trkn: 2 bytes, the track's 2, the
// count's 2) and a locale before its value. An item cut short by the end of the list ends it.
void ReadItems(ByteReader& r, uint64_t pos, uint64_t end, FileTags* tags) {
  while (pos <= end && end - pos >= 8) {
    Bytes h = r.At(pos, 16);
    std::optional<BoxSize> box = SizeOfBox(h, kNoEnd);
    if (h.size() < 8 || !box || box->size > end - pos) return;
    Slot slot = ItemField(tags, h.subspan(4));
    if (slot.Open() && box->size - box->header <= kMostTagBytes) {
      Bytes data = r.At(pos + box->header, box->size - box->header);
      uint64_t data_size = Be4(data, 0);
      if (Is(data, 4, "data") && data_size >= 16 && data_size <= data.size()) {
        Bytes value = data.subspan(16, data_size - 16);
        uint32_t type = Be4(data, 8);
        if (slot.text && type == 1) slot.Take(Text8(value));
        if (slot.number && type == 0 && value.size() >= 4) *slot.number = Be2(value, 2);
      }
    }
    pos += box->size;
  }
}

// MP4 boxes from pos to end. The texts are in moov, udta, meta (a full box, with 4 bytes of
// version and flags before its children, which QuickTime leaves out) and ilst, at most this deep.
void ReadBoxes(ByteReader& r, uint64_t pos, uint64_t end, int depth, FileTags* tags) {
  while (pos <= end && end - pos >= 8) {
    Bytes h = r.At(pos, 16);
    if (h.size() < 8) return;
    std::optional<BoxSize> box = SizeOfBox(h, end - pos);
    if (!box) return;
    bool moov = Is(h, 4, "moov"), udta = Is(h, 4, "udta"), meta = Is(h, 4, "meta");
    bool ilst = Is(h, 4, "ilst");
    uint64_t body = pos + box->header, box_end = pos + box->size;
    if (depth < 3 && (moov || udta)) {
      ReadBoxes(r, body, box_end, depth + 1, tags);
    } else if (depth < 3 && meta) {
      ReadBoxes(r, Is(r.At(body, 8), 4, "hdlr") ? body : body + 4, box_end, depth + 1, tags);
    } else if (ilst) {
      ReadItems(r, body, box_end, tags);
    }
    if (moov) return;
    pos = box_end;
  }
}

// The texts of an INFO list: chunks of a 4-byte id and size, each text padded to an even size.
void ReadInfo(Bytes b, bool big, FileTags* tags) {
  for (uint64_t pos = 0; b.size() - pos >= 8;) {
    uint32_t size = Field4(b, pos + 4, big);
    Slot slot = Is(b, pos, "INAM")                         ? Slot{&tags->title}
                : Is(b, pos, "IART")                       ? Slot{&tags->artist}
                : Is(b, pos, "IPRD")                       ? Slot{&tags->album}
                : Is(b, pos, "ITRK") || Is(b, pos, "IPRT") ? Slot{.number = &tags->track}
                                                           : Slot{};
    pos += 8;
    if (size > b.size() - pos) return;
    if (slot.Open()) slot.Take(Text8(b.subspan(pos, size)));
    pos += size + (size & 1);
    if (pos > b.size()) return;
  }
}

// WAV: its chunks, walked past the audio. The texts are in a LIST chunk of type INFO and in an
// ID3v2 tag in an "id3 " chunk. A size of 0xFFFFFFFF that no ds64 chunk stands for ends the walk,
// as of a file written through a pipe, and so does a chunk that runs past the end.
void ReadRiff(ByteReader& r, FileTags* tags) {
  RiffForm form = RiffFormOf(r.source.head);
  RiffWalk walk(&r, form == RiffForm::kRifx, form == RiffForm::kRf64);
  while (std::optional<RiffChunk> chunk = walk.Next()) {
    const uint64_t body = chunk->at + 8, size = chunk->size;
    if (size == 0xFFFFFFFF || size > r.End() - body) return;
    if (chunk->Is("LIST") && size >= 4 && Is(r.At(body, 4), 0, "INFO")) {
      ReadInfo(r.At(body + 4, std::min<uint64_t>(size - 4, kMostTagBytes)), walk.big, tags);
    } else if (chunk->Is("id3 ") || chunk->Is("ID3 ")) {
      ReadId3v2(r, body, body + size, tags);
    }
  }
}

// Whether the tags give none of the four texts.
bool Nothing(const FileTags& tags) {
  return tags.title.empty() && tags.artist.empty() && tags.album.empty() &&
         tags.album_artist.empty();
}

}  // namespace

FileTags ReadTags(const WavSource& source) {
  FileTags tags;
  ByteReader r(source, kTagReads);
  if (IsRiffWave(source.head)) {
    ReadRiff(r, &tags);
    return tags;
  }
  switch (SniffOtherAudio(source.head)) {
    case OtherAudio::kFlac:
      ReadFlac(r, &tags);
      break;
    case OtherAudio::kOgg:
    case OtherAudio::kOpus:
      ReadOgg(r, &tags);
      break;
    case OtherAudio::kMp4:
      ReadBoxes(r, 0, r.End(), 0, &tags);
      break;
    case OtherAudio::kWavPack:
    case OtherAudio::kApe:
      ReadApe(r, &tags);
      break;
    case OtherAudio::kMp3:
      ReadId3v2(r, 0, r.End(), &tags);
      if (Nothing(tags)) ReadId3v1(r, &tags);
      break;
    // Raw AAC has no tag of its own; writers put an APEv2 or ID3v1 tag at its end.
    case OtherAudio::kAac:
      ReadApe(r, &tags);
      if (Nothing(tags)) ReadId3v1(r, &tags);
      break;
    default:
      break;
  }
  return tags;
}

}  // namespace vantorel
