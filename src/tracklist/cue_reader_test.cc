#include "tracklist/cue_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/album.h"

namespace vantorel {

namespace {

using namespace std::string_literals;

std::string Sample(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_CORPUS_DIR) + "/cue/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReadCueSheet, RippersSheets) {
  struct Row {
    std::string file;
    std::string layout;
    std::string findings;
  } rows[] = {
      {"cuetools-latin1-image.cue",
       "3760123456785 1|1 1@0:0|2 1@0:14405|3 0@0:27795 1@0:27905|4 1@0:46346|5 0@0:63383 "
       "1@0:63457|6 1@0:77166|7 0@0:97511 1@0:97661",
       ""},
      {"cuetools-utf8bom-htoa-tracks.cue",
       " 111111|1 0@0:0 1@1:0|2 1@2:0|3 0@2:25522 1@3:0|4 1@4:0|5 0@4:32970 1@5:0",
       "Index00InFileBefore@14:1,12 Index00InFileBefore@25:3,23 Index00InFileBefore@36:5,34"},
      {"cyanrip-0.9.3-mp3-mcn.cue",
       "0602435678912 33333|1i 1@0:0|2i 1@1:0|3i 1@2:0|4i 0@2:22583 1@3:0|5i 1@4:0",
       "TrackAgain@42:4 Index00InFileBefore@46:4,40"},
      {"eac-0.99-tracks-gaps-appended.cue",
       " 11111111|1p32 1@0:0|2 1@1:0|3 0@1:18168 1@2:0|4 1@3:0|5 0@3:23103 1@4:0|6 1@5:0|7 "
       "0@5:17934 1@6:0 2@6:13762|8 1@7:0",
       "CatalogZeros@5 IsrcZeros@12 IsrcZeros@19 IsrcZeros@24 Index00InFileBefore@27:3,25 "
       "IsrcZeros@32 IsrcZeros@37 Index00InFileBefore@40:5,38 IsrcZeros@45 IsrcZeros@50 "
       "Index00InFileBefore@53:7,51 IsrcZeros@59"},
      {"eac-0.99-tracks-gaps-leftout.cue",
       " 11111111|1p32 1@0:0|2 1@1:0|3p87 1@2:0|4 1@3:0|5p150 1@4:0|6 1@5:0|7p45 1@6:0 2@6:13762|8 "
       "1@7:0",
       ""},
      {"eac-0.99-tracks-gaps-next.cue",
       " 11111111|1 0@0:0 1@0:32|2 1@1:0|3 0@2:0 1@2:87|4 1@3:0|5 0@4:0 1@4:150|6 1@5:0|7 0@6:0 "
       "1@6:45 2@6:13807|8 1@7:0",
       ""},
      {"eac-1.6-image-flac-index02.cue",
       "5099123456784 1|1 1@0:0|2 0@0:23440 1@0:23577|3 0@0:40688 1@0:40838 2@0:45518 3@0:52168 "
       "4@0:59648|4 0@0:84420 1@0:84516|5 0@0:104574 1@0:104749",
       ""},
      {"flac-cuesheet-tag-value.txt",
       "3760123456785 1|1 1@0:0|2 1@0:14405|3 0@0:27795 1@0:27905|4 1@0:46346|5 0@0:63383 "
       "1@0:63457|6 1@0:77166|7 0@0:97511 1@0:97661",
       ""},
      {"foobar2000-replaygain-image.cue",
       "7391234567898 1|1i 1@0:0|2i 0@0:27200 1@0:27340|3i 1@0:61184|4i 0@0:84736 1@0:84833|5i "
       "1@0:124279",
       ""},
      {"metaflac-1.4.2-export.cue",
       "5099123456784 2|1 1@0:0|2 0@0:23440 1@0:23577|3 0@0:40688 1@0:40838 2@0:45518 3@0:52168 "
       "4@0:59648|4 0@0:84420 1@0:84516|5 0@0:104574 1@0:104749",
       ""},
      {"redumper-enhanced-cd.cue",
       "0724358765428 555555|1i 1@0:0|2i 1@1:0|3i 0@2:0 1@2:75|4i 1@3:0|5i 0@4:0 1@4:112|6m4s2 "
       "1@5:0",
       ""},
      {"whipper-htoa-tracks.cue",
       "5056321654982 1111111|1i 0@0:0 1@1:0|2i 1@2:0|3i 0@2:19619 1@3:0|4i 1@4:0|5i 0@4:26235 "
       "1@5:0|6i 1@6:0",
       "Index00InFileBefore@13:1,11 Index00InFileBefore@26:3,24 Index00InFileBefore@39:5,37"},
      {"xld-compilation-image.cue",
       "4260123456788 1|1f1i 1@0:0|2f1i 0@0:15987 1@0:16049|3f5i 1@0:34164|4f5i 0@0:47371 "
       "1@0:47484|5f1i 1@0:68850|6f1i 0@0:92850 1@0:92938",
       "FlagsAgain@38 FlagsAgain@48"},
  };
  for (const Row& row : rows) {
    AlbumRead read = ReadCueSheet(Sample(row.file));
    EXPECT_EQ(Layout(read.album), row.layout) << row.file;
    EXPECT_EQ(Found(read.findings), row.findings) << row.file;
  }
}

// Texts and names as UTF-8, file names also as written, and the lines things were given on.
TEST(ReadCueSheet, RippersTexts) {
#define FACTS(...) [](const Album& a) -> std::string { return __VA_ARGS__; }
  struct Row {
    std::string file;
    std::string (*facts)(const Album&);
    std::string want;
  } rows[] = {
      {"cuetools-latin1-image.cue", FACTS(a.files[0].raw_name + "|" + a.files[0].name),
       "\xC9lodie Marchand - Chansons de l'\xEEle.flac|Élodie Marchand - Chansons de l'île.flac"},
      {"cuetools-utf8bom-htoa-tracks.cue", FACTS(a.remarks[0].key + "|" + a.texts.title),
       "ACCURATERIPID|Světla nad řekou"},
      {"eac-0.99-tracks-gaps-appended.cue",
       FACTS(a.files[6].raw_name + "|" + a.files[1].name + "|" + a.remarks[0].value),
       "Marrow Lane - Paper Lanterns\\07 - Marrow Lane - Northbound.wav|Marrow Lane - Paper "
       "Lanterns/02 - Marrow Lane - Where Did the River Go .wav|Indie Rock"},
      {"foobar2000-replaygain-image.cue",
       FACTS(a.remarks[3].value + "|" + a.tracks[2].remarks[0].key + "=" +
             a.tracks[2].remarks[0].value + "|" + a.tracks[0].texts.songwriter + "|" +
             a.tracks[0].isrc),
       "Recorded live at Lindqvist Hall|REPLAYGAIN_TRACK_GAIN=+0.62 dB|M. Okafor|SEZZH1500101"},
      {"xld-compilation-image.cue", FACTS(a.tracks[5].texts.title),
       "灯台守 (The Lighthouse Keeper)"},
      {"eac-1.6-image-flac-index02.cue",
       FACTS(a.remarks[4].value + "|" + a.tracks[4].remarks[0].key), "Aurelio Venn|COMPOSER"},
      {"cyanrip-0.9.3-mp3-mcn.cue",
       FACTS(std::to_string(a.tracks[3].line) + "|" + std::to_string(a.tracks[3].indexes[0].line) +
             "|" + std::to_string(a.tracks[3].indexes[1].line) + "|" + a.tracks[3].texts.title),
       "37|40|46|Glass Falling"},
      {"metaflac-1.4.2-export.cue", FACTS(a.tracks[4].remarks[1].value), "170 69483372"},
  };
#undef FACTS
  for (const Row& row : rows) {
    EXPECT_EQ(row.facts(ReadCueSheet(Sample(row.file)).album), row.want) << row.file;
  }
  // CUETools embeds in the FLAC, as UTF-8, the sheet it writes in Windows' code page beside it.
  auto texts = [](const Album& a) {
    std::string s = a.texts.performer + a.texts.title + a.files[0].name;
    for (const Remark& r : a.remarks) s += r.key + r.value;
    for (const AlbumTrack& t : a.tracks) s += t.texts.performer + t.texts.title;
    return s;
  };
  EXPECT_EQ(texts(ReadCueSheet(Sample("flac-cuesheet-tag-value.txt")).album),
            texts(ReadCueSheet(Sample("cuetools-latin1-image.cue")).album));
}

// A sheet as UTF-16 in the byte order its mark gives, and a lone byte after it.
std::string Utf16(std::u16string_view text, bool big) {
  std::string b = big ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    b += static_cast<char>(big ? c >> 8 : c & 0xFF);
    b += static_cast<char>(big ? c & 0xFF : c >> 8);
  }
  return b + "x";
}

// What each line of a sheet is found to be wrong with, and, where given, the layout read.
TEST(ReadCueSheet, Findings) {
  const std::string a = "FILE a.wav WAVE\n";
  const std::u16string u16 =
      u"TITLE " + std::u16string(41, u'\u00E9') +
      u"\r\nFILE \"\U0001D11E.wav\" WAVE\r\nTRACK 01 AUDIO\r\nINDEX 01 00:00:01\r\n";
  const std::string one = a + "TRACK 01 AUDIO\n";
  struct Row {
    std::string sheet;
    std::string findings;
    std::string layout = "";
  } rows[] = {
      {"FOO bar\n\nTITLE x\n", "UnknownCommand@1"},
      {"REM A\rFOO\r\nBAR\n\"x\"", "UnknownCommand@2 UnknownCommand@3 UnknownCommand@4"},
      {"\xEF\xBB\xBF"
       "file 'a b.wav' wave\n track 1 audio\n\tindex 1 0:2:3 \n",
       {},
       " 1|1 1@0:153"},
      {"TRACK 01 AUDIO\nINDEX 01 00:00:00\nPREGAP 00:02:00\n", "NoIndex01@1:1 LineNotTaken@2",
       " |1p150"},
      {"PREGAP 00:02:00\nISRC GBZZG2100101\nFLAGS DCP\nTRACK\nTRACK x AUDIO\nFILE \"\" WAVE\nA\0B"s,
       "LineNotTaken@1 LineNotTaken@2 LineNotTaken@3 LineNotTaken@4 LineNotTaken@5 LineNotTaken@6 "
       "LineNotTaken@7"},
      {a + "TRACK 00 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:00:10\n"
           "TRACK 05 AUDIO\nINDEX 01 00:00:20\nTRACK 100 AUDIO\nINDEX 01 00:00:30\n",
       "TrackNumberOutOfRange@2 TrackNumberNotNext@4:2 TrackNumberNotNext@6:5,2 "
       "TrackNumberOutOfRange@8:100 TrackNumberNotNext@8:100,5"},
      {one + "INDEX 00 00:60:00\nINDEX 01 00:00:75\nINDEX 01 1:2\nINDEX 01 00:0a:00\nINDEX 01 "
             "1000:00:00\nPREGAP 00:00:100\nINDEX 01 999:59:74\n",
       "TimeOutOfRange@3 TimeOutOfRange@4 TimeUnreadable@5 TimeUnreadable@6 TimeUnreadable@7 "
       "TimeUnreadable@8",
       " 1|1 1@0:4499999"},
      {one + "INDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\nFILE b.wav WAVE\n"
             "TRACK 03 AUDIO\nINDEX 01 00:00:00\n",
       "IndexBackwards@5:375,750", " 11|1 1@0:750|2 1@0:375|3 1@1:0"},
      {one + "INDEX 02 00:00:00\nINDEX 01 00:00:01\nINDEX 03 00:00:02\nINDEX 03 00:00:03\n"
             "INDEX 100 00:00:04\n",
       "IndexNumberNotNext@3:2,256 IndexNumberNotNext@4:1,2 IndexNumberNotNext@5:3,1 "
       "IndexNumberNotNext@6:3,3 LineNotTaken@7",
       " 1|1 2@0:0 1@0:1 3@0:2"},
      {"FILE /a.wav WAVE\nFILE \"C:\\m\\a.wav\" WAVE\nFILE \"a/../b.wav\" WAVE\nFILE ..\\b.wav "
       "WAVE\nFILE a..b/.../c.wav WAVE\nFILE \"d e.ogg\" OGG\nFILE f.wav\n",
       "AbsoluteName@1 AbsoluteName@2 ParentInName@3 ParentInName@4 WordNotKnown@6 WordNotKnown@7",
       " 1111100"},
      {one + "FLAGS DCP XYZ 4ch\nTRACK 02 MODE9/1\nFLAGS PRE\nFLAGS\nTRACK 03 MODE2/2352",
       "NoIndex01@2:1 WordNotKnown@3 WordNotKnown@4 NoIndex01@4:2 LineNotTaken@6 NoIndex01@7:3",
       " 1|1f3|2m0f4|3m6"},
      {one + "FLAGS DCP\nINDEX 00 00:00:00\nFILE b.wav WAVE\nTRACK 1 AUDIO\nFLAGS PRE\nINDEX 01 "
             "00:00:00\n",
       "TrackAgain@6:1 Index00InFileBefore@8:1,4", " 11|1f5 0@0:0 1@1:0"},
      {one + "ISRC ABC\nISRC \"GBZZG2100101\"\nISRC gbzzg2100101\nCATALOG 123\nMCN "
             "\"0602435678912\"\nCATALOG 0602435678912X\n",
       "NoIndex01@2:1 IsrcMalformed@3 IsrcMalformed@5 CatalogMalformed@6 CatalogMalformed@8",
       "0602435678912 1|1i"},
      // Read as UTF-8: a text of 41 letters in 82 bytes, a name of a letter past U+FFFF.
      {Utf16(u16, false), "TextTooLong@1:82", " 1|1 1@0:1"},
      {Utf16(u16, true), "TextTooLong@1:82", " 1|1 1@0:1"},
      {Utf16(u"TITLE x\xD800\nFOO", false), "", " "},
      {"TITLE " + std::string(81, 'x') + "\nPERFORMER \"" + std::string(80, 'x') +
           "\"\nSONGWRITER \"" + std::string(81, 'x') + "\"\n",
       "TextTooLong@1:81 TextTooLong@3:81"},
  };
  for (const Row& row : rows) {
    AlbumRead read = ReadCueSheet(row.sheet);
    EXPECT_EQ(Found(read.findings), row.findings) << row.sheet;
    if (!row.layout.empty()) {
      EXPECT_EQ(Layout(read.album), row.layout) << row.sheet;
    }
  }
}

// What a sheet holds past the limits is read, not kept.
TEST(ReadCueSheet, Limits) {
  std::string sheet = "FILE a.wav WAVE\n";
  for (int t = 1; t <= 101; ++t) {
    sheet +=
        "TRACK " + std::to_string(t) + " AUDIO\nINDEX 01 00:00:" + std::to_string(t % 75) + "\n";
  }
  AlbumRead read = ReadCueSheet(sheet);
  EXPECT_EQ(read.album.tracks.size(), 99u);
  EXPECT_EQ(Found(read.findings),
            "IndexBackwards@151:0,74 TrackNumberOutOfRange@200:100 TooManyTracks@200 "
            "TrackNumberOutOfRange@202:101");

  std::string remarks;
  while (remarks.size() < 1024 * 1024) remarks += "REM GENRE \"Indie Rock\"\r\n";
  read = ReadCueSheet(remarks + "TRACK 01 AUDIO\n" + remarks);
  EXPECT_EQ(read.album.remarks.size(), kMaxRemarks);
  EXPECT_EQ(read.album.tracks[0].remarks.size(), kMaxRemarks);
  int track_line = static_cast<int>(remarks.size() / 24) + 1;
  EXPECT_EQ(Found(read.findings), "TooManyRemarks@65 NoIndex01@" + std::to_string(track_line) +
                                      ":1 TooManyRemarks@" + std::to_string(track_line + 65));

  std::string files;
  for (int f = 0; f <= 256; ++f) files += "FILE a.wav WAVE\n";
  files += "TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  for (int x = 0; x < 300; ++x) files += "x\n";
  read = ReadCueSheet(files);
  EXPECT_EQ(read.album.files.size(), kMaxAlbumFiles);
  EXPECT_EQ(read.findings.size(), kMaxAlbumFindings + 1);
  EXPECT_EQ(Found({read.findings[0]}), "TooManyFiles@256");
  EXPECT_EQ(Found({read.findings[1]}), "UnknownCommand@260");
  EXPECT_EQ(Found({read.findings.back()}), "FindingsNotKept@514:47");
}

}  // namespace

}  // namespace vantorel
