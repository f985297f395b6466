#include "audio/tags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/wavprobe.h"

namespace vantorel {

namespace {

using namespace std::string_literals;

std::string Le(uint64_t v, int width) {
  std::string b;
  for (int i = 0; i < width; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
  return b;
}

std::string Be(uint64_t v, int width) {
  std::string b = Le(v, width);
  return {b.rbegin(), b.rend()};
}

std::string Synchsafe(uint32_t v) {
  return Be((v & 0x7F) | (v >> 7 & 0x7F) << 8 | (v >> 14 & 0x7F) << 16 | (v >> 21 & 0x7F) << 24, 4);
}

// Vorbis comments of these texts, and a count of them, or 0 for as many as there are.
std::string Comments(const std::vector<std::string>& texts, uint32_t count = 0) {
  std::string b = Le(6, 4) + "vendor" + Le(count ? count : texts.size(), 4);
  for (const std::string& t : texts) b += Le(t.size(), 4) + t;
  return b;
}

const std::string kComments = Comments({"title=T", "Album Artist=AA", "ARTIST=Ä", "ALBUM=B"});

// A FLAC metadata block of a type (and 0x80 for the last one), of a size or of its body's.
std::string FlacBlock(int type, const std::string& body, size_t size = 0) {
  return static_cast<char>(type) + Be(size ? size : body.size(), 3) + body;
}

// Ogg pages of these packets of one stream, at most segments segment sizes to a page.
std::string Ogg(const std::vector<std::string>& packets, size_t segments = 255,
                uint32_t serial = 7) {
  std::string sizes, data, out;
  for (const std::string& p : packets) {
    sizes += std::string(p.size() / 255, '\xFF') + static_cast<char>(p.size() % 255);
    data += p;
  }
  for (size_t s = 0, at = 0; s < sizes.size(); s += segments) {
    std::string table = sizes.substr(s, segments);
    size_t body = 0;
    for (char c : table) body += static_cast<uint8_t>(c);
    out += "OggS\0\0"s + std::string(8, '\0') + Le(serial, 4) + Le(s, 4) + Le(0, 4) +
           static_cast<char>(table.size()) + table + data.substr(at, body);
    at += body;
  }
  return out;
}

std::string Frame(int version, std::string_view id, const std::string& body, int flags = 0) {
  uint32_t size = body.size();
  return std::string(id) + (version == 4 ? Synchsafe(size) : Be(size, 4)) + '\0' +
         static_cast<char>(flags) + body;
}

std::string Id3(int version, const std::string& frames, int flags = 0, size_t size = 0) {
  return "ID3"s + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
         Synchsafe(size ? size : frames.size()) + frames;
}

std::string Box(std::string_view type, const std::string& body) {
  return Be(body.size() + 8, 4) + std::string(type) + body;
}

std::string Box64(std::string_view type, const std::string& body) {
  return Be(1, 4) + std::string(type) + Be(body.size() + 16, 8) + body;
}

std::string Item(std::string_view type, const std::string& text, int data_type = 1) {
  return Box(type, Box("data", Be(data_type, 4) + Le(0, 4) + text));
}

const std::string kIlst = Box("ilst", Item("\251nam", "T") + Item("\251ART", "A") +
                                          Item("\251alb", "B") + Item("aART", "AA"));
const std::string kMoov =
    Box("moov", Box("mvhd", std::string(100, 'm')) +
                    Box("udta", Box("meta", Le(0, 4) + Box("hdlr", std::string(25, 'h')) + kIlst)));
const std::string kFtyp = Box("ftyp", "M4A mp42");

std::string Chunk(std::string_view id, const std::string& body) {
  return std::string(id) + Le(body.size(), 4) + body + (body.size() % 2 ? "\0"s : ""s);
}

const std::string kInfo = Chunk(
    "LIST", "INFO" + Chunk("INAM", "T\0"s) + Chunk("IART", "\xC4") + Chunk("IPRD", "B\xC3\xA4\0"s));
std::string Wav(const std::string& chunks) {
  return "RIFF" + Le(chunks.size() + 4, 4) + "WAVE" + chunks;
}

// An APEv2 tag of these items, of these flags, and its footer.
std::string Ape(const std::vector<std::pair<std::string, std::string>>& items, int flags = 0) {
  std::string b;
  for (const auto& [key, value] : items)
    b += Le(value.size(), 4) + Le(flags, 4) + key + '\0' + value;
  return b + "APETAGEX" + Le(2000, 4) + Le(b.size() + 32, 4) + Le(items.size(), 4) +
         std::string(12, '\0');
}

std::string Id3v1(std::string title, std::string artist) {
  title.resize(30, '\0'), artist.resize(30, ' ');
  return "TAG" + title + artist + "B" + std::string(64, '\0');
}

// Frames of ID3v2 for the four fields: Latin-1, UTF-16 with either byte order mark, UTF-8.
std::string FramesOf(int version) {
  return Frame(version, "TIT2", "\0T\xC4\0"s) + Frame(version, "TPE1", "\1\xFF\xFE\xC4\0!\0"s) +
         Frame(version, "TALB", "\1\xFE\xFF\xD8\x3D\xDE\x00\0\0"s) +
         Frame(version, "TPE2", "\3A\xC3\xA4"s);
}

// A file of front, gap bytes of zeros and back, its tags read as the tool reads them: the head
// given, the rest read through read_at. Every read is counted in bytes.
std::string Read(const std::string& front, uint64_t gap, const std::string& back,
                 uint64_t* bytes_read) {
  uint64_t size = front.size() + gap + back.size();
  std::span<const uint8_t> head(reinterpret_cast<const uint8_t*>(front.data()),
                                std::min(front.size(), kHeadBytes));
  const uint64_t back_at = front.size() + gap;
  auto read_at = [&](uint64_t at, std::span<uint8_t> into) -> int64_t {
    *bytes_read += into.size();
    size_t n = at < size ? std::min<uint64_t>(into.size(), size - at) : 0;
    for (size_t i = 0; i < n; ++i, ++at) {
      into[i] = at < front.size() ? front[at] : at < back_at ? 0 : back[at - back_at];
    }
    return static_cast<int64_t>(n);
  };
  FileTags t = ReadTags({head, size, read_at});
  std::string got = t.title + "|" + t.artist + "|" + t.album + "|" + t.album_artist;
  if (t.track != 0) got += "#" + std::to_string(t.track);
  if (!t.cuesheet_block.empty())
    got += " block:" + std::string(t.cuesheet_block.begin(), t.cuesheet_block.end());
  if (!t.cuesheet.empty()) got += " cue:" + t.cuesheet;
  if (t.samples != 0) got += " " + std::to_string(t.samples) + "@" + std::to_string(t.rate);
  return got;
}

TEST(ReadTags, EveryFormatAndBadInput) {
  const std::string streaminfo = FlacBlock(0, std::string(34, '\0'));
  const std::string vorbis = "\x01vorbis" + std::string(23, 'i');
  const std::string opus = "OpusHead" + std::string(11, 'i');
  const std::string title = "\x03vorbis" + Comments({"TITLE=" + std::string(700, 't')}) + "\x01";
  const std::string v23_unsync = Id3(3, "TIT2" + Be(3, 4) + "\0\0\0\xFF\0\xE9"s, 0x80);
  // Its second item's value runs past the items.
  std::string ape_cut = Ape({{"Title", "T"}, {"Artist", "A"}});
  ape_cut[15] = 100;
  constexpr uint64_t kArt = 10000000, kAudio = 5000000000;
  const std::string v24_frame_unsync = Id3(4, Frame(4, "TIT2", "\0\xFF\0\xE9"s, 0x02));
  const std::string comment = "\0eng\0"s + std::string(200, 'c');
  // A stream's first page comes before another stream's pages, its second after them.
  const std::string first = Ogg({vorbis, "\x03vorbis" + Comments({"TITLE=A"}) + "\x01"}, 1);
  const std::string two_streams = first.substr(0, 28 + vorbis.size()) +
                                  Ogg({vorbis, "\x03vorbis" + Comments({"TITLE=B"})}, 1, 8) +
                                  first.substr(28 + vorbis.size());
  const std::string moov64 = Box64(
      "moov",
      Box64("udta",
            Box64("meta", Le(0, 4) + Box("hdlr", "") +
                              Box64("ilst", Box64("\251nam", Item("\251nam", "T").substr(8))))));
  std::string id3v11 = Id3v1("T", "");
  id3v11[126] = 5;
  struct Case {
    std::string what, front;
    uint64_t gap;
    std::string back, want;
  } cases[] = {
      {"FLAC", "fLaC" + streaminfo + FlacBlock(0x84, kComments), 0, "", "T|Ä|B|AA"},
      {"FLAC, 10 MB of cover art before the text", "fLaC" + streaminfo + FlacBlock(6, "", kArt),
       kArt, FlacBlock(0x84, kComments), "T|Ä|B|AA"},
      {"FLAC comments past the end", "fLaC" + FlacBlock(0x84, kComments, 9000), 0, "", "T|Ä|B|AA"},
      {"Vorbis comments counting 4 billion",
       "fLaC" + FlacBlock(0x84, Comments({"TITLE=T"}, 0xFFFFFFFF)), 0, "", "T|||"},
      {"a comment that runs past its block",
       "fLaC" + FlacBlock(0x84, Comments({"ARTIST=A", "TITLE=T"}).substr(0, 30)), 0, "", "|A||"},
      {"Ogg Vorbis", Ogg({vorbis, "\x03vorbis" + kComments + "\x01", "setup"}), 0, "", "T|Ä|B|AA"},
      {"Opus", Ogg({opus, "OpusTags" + kComments}), 0, "", "T|Ä|B|AA"},
      {"Vorbis comments across pages", Ogg({vorbis, title, "setup"}, 2), 0, "",
       std::string(700, 't') + "|||"},
      {"Ogg cut inside the comments", Ogg({vorbis, title}, 2).substr(0, 400), 0, "", "|||"},
      {"ID3v2.3", Id3(3, FramesOf(3)), 0, "", "TÄ|Ä!|\xF0\x9F\x98\x80|Aä"},
      {"ID3v2.4", Id3(4, FramesOf(4)), 0, "", "TÄ|Ä!|\xF0\x9F\x98\x80|Aä"},
      {"ID3v2.2", Id3(2, "TT2" + Be(3, 3) + "\0Tt"s), 0, "", "Tt|||"},
      {"ID3v2.3 unsynchronised", v23_unsync, 0, "", "\xC3\xBF\xC3\xA9|||"},
      {"ID3v2.4 frame unsynchronised", v24_frame_unsync, 0, "", "\xC3\xBF\xC3\xA9|||"},
      {"ID3v2.4 extended header, data length",
       Id3(4, Synchsafe(6) + "\1\0"s + Frame(4, "TIT2", Synchsafe(2) + "\0T"s, 0x01), 0x40), 0, "",
       "T|||"},
      {"ID3v2, 10 MB of cover art before the text",
       Id3(3, "APIC" + Be(kArt, 4) + "\0\0"s, 0, kArt + 22), kArt, Frame(3, "TIT2", "\0T"s),
       "T|||"},
      {"frame sizes 0 and 2^32-1",
       Id3(3, Frame(3, "TIT2", "") + Frame(3, "TPE1", "\0A"s) + "TALB\xFF\xFF\xFF\xFF\0\0\0B"s), 0,
       "", "|A||"},
      {"UTF-16 of odd length, and an unpaired surrogate",
       Id3(3, Frame(3, "TIT2", "\2\0T\0"s) + Frame(3, "TPE1", "\1\xFF\xFE\x3D\xD8"s)), 0, "",
       "T|||"},
      {"ID3v1 where ID3v2 has no text", Id3(3, Frame(3, "TXXX", "\0x")) + "\xFF\xFB", 0,
       Id3v1("T\xE9", "A"), "Té|A|B|"},
      {"Latin-1 with Windows' signs, and a byte Windows leaves undefined",
       Id3(3, Frame(3, "TIT2",
                    "\0\x93"
                    "Don\x92t\x94 \x96 Caf\xE9"s) +
                  Frame(3, "TPE1", "\0\x81"s)),
       0, "", "\u201CDon\u2019t\u201D \u2013 Caf\u00E9|\u0081||"},
      {"ID3v1 written in UTF-8", "\xFF\xFB", 0, Id3v1("T\xC3\xA9", ""), "Té||B|"},
      {"MP4", kFtyp + kMoov + Box("mdat", "audio"), 0, "", "T|A|B|AA"},
      {"MP4 with a 64-bit mdat of 5 GB before moov", kFtyp + Be(1, 4) + "mdat" + Be(kAudio + 16, 8),
       kAudio, kMoov, "T|A|B|AA"},
      {"QuickTime meta, and a truncated item",
       kFtyp + Box("moov", Box("meta", Box("hdlr", "") + kIlst)).substr(0, 80), 0, "", "T|||"},
      {"WAV INFO, Latin-1 or UTF-8", Wav(kInfo + Chunk("data", "")), 0, "", "T|Ä|Bä|"},
      {"WAV INFO and id3 after 10 MB of audio", Wav("") + "data" + Le(kArt, 4), kArt,
       Chunk("id3 ", Id3(4, Frame(4, "TPE2", "\3AA"))) + kInfo, "T|Ä|Bä|AA"},
      {"WAV INFO text past its list", Wav(Chunk("LIST", "INFOINAM\x10\0\0\0T"s)), 0, "", "|||"},
      {"WavPack APEv2", "wvpk", 0,
       Ape({{"TITLE", "T"}, {"Artist", "\xC4"}, {"album", "B"}, {"Album Artist", "AA"}}),
       "T|Ä|B|AA"},
      {"Monkey's Audio APEv2 before ID3v1, an item past its end", "MAC ", 0,
       ape_cut + Id3v1("", ""), "T|||"},
      {"APEv2 binary item", "wvpk", 0, Ape({{"Title", "T"}}, 2), "|||"},
      {"raw AAC, its APEv2 tag", "\xFF\xF1\x50\x80", 0, Ape({{"Title", "T"}}), "T|||"},
      {"the first TITLE not empty, a comment of 200 characters before it",
       "fLaC" + FlacBlock(0x84, Comments({"COMMENT=" + std::string(200, 'c'), "TITLE=", "TITLE=A",
                                          "TITLE=B"})),
       0, "", "A|||"},
      {"ID3v2.3, a comment of 200 characters before the title",
       Id3(3, Frame(3, "COMM", comment) + Frame(3, "TIT2", "\0T"s)), 0, "", "T|||"},
      {"ID3v2.4, a comment of 200 characters before the title",
       Id3(4, Frame(4, "COMM", comment) + Frame(4, "TIT2", "\0T"s)), 0, "", "T|||"},
      {"Ogg of two streams", two_streams, 0, "", "A|||"},
      {"ID3v2.3 extended header",
       Id3(3, Be(6, 4) + "\0\0"s + Be(0, 4) + Frame(3, "TIT2", "\0T"s), 0x40), 0, "", "T|||"},
      {"ID3v2.4 tag unsynchronised", Id3(4, Frame(4, "TIT2", "\0\xFF\0\xE9"s), 0x80), 0, "",
       "\xC3\xBF\xC3\xA9|||"},
      {"64-bit MP4 boxes and items", kFtyp + moov64, 0, "", "T|||"},
      {"track numbers: Vorbis, the first that is one",
       "fLaC" + FlacBlock(0x84, Comments({"TRACKNUMBER=x", "TRACKNUMBER= 03/12", "TRACKNUMBER=4"})),
       0, "", "|||#3"},
      {"track numbers: ID3v2.3", Id3(3, Frame(3, "TRCK", "\0003/12"s)), 0, "", "|||#3"},
      {"track numbers: ID3v2.2", Id3(2, "TRK" + Be(2, 3) + "\0007"s), 0, "", "|||#7"},
      {"track numbers: ID3v1.1", "\xFF\xFB", 0, id3v11, "T||B|#5"},
      {"track numbers: MP4",
       kFtyp + Box("moov", Box("ilst", Item("trkn", "\0\0\0\x09\0\x0C\0\0"s, 0))), 0, "", "|||#9"},
      {"track numbers: WAV INFO",
       Wav(Chunk("LIST", "INFO" + Chunk("IPRT", "4/9\0"s) + Chunk("ITRK", "5"))), 0, "", "|||#4"},
      {"track numbers: APEv2", "wvpk", 0, Ape({{"Track", "6/10"}}), "|||#6"},
      {"FLAC cue sheet, block and comment",
       "fLaC" + FlacBlock(4, Comments({"cuesheet=FILE \"a.wav\" WAVE"})) + FlacBlock(0x85, "cue"),
       0, "", "||| block:cue cue:FILE \"a.wav\" WAVE"},
      {"FLAC length of 36 bits", "fLaC" + FlacBlock(0x80, "0123456789\x0A\xC4\x42\xF5"s + Be(7, 4)),
       0, "", "||| 21474836487@44100"},
      {"FLAC cue sheet block past the end", "fLaC" + FlacBlock(0x85, "cue", 9000), 0, "",
       "||| block:cue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    uint64_t bytes_read = 0;
    EXPECT_EQ(Read(c.front, c.gap, c.back, &bytes_read), c.want);
    EXPECT_LT(bytes_read, 70000u);
  }
}

}  // namespace

}  // namespace vantorel
