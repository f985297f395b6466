#include "tracklist/cue_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/album.h"

namespace vantorel {

namespace {

using K = AlbumFindingKind;
using namespace std::string_literals;

std::string Sample(const std::string& name) {
  std::ifstream in(std::string(VANTOREL_CORPUS_DIR) + "/cue/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ReadCueSheet, RippersSheets) {
  struct Row {
    std::string file;
    std::string layout;
    std::vector<AlbumFinding> findings;
  } rows[] = {
      {"cuetools-latin1-image.cue",
       "3760123456785 1|1 1@0:0|2 1@0:14405|3 0@0:27795 1@0:27905|4 1@0:46346|5 0@0:63383 "
       "1@0:63457|6 1@0:77166|7 0@0:97511 1@0:97661",
       {}},
      {"cuetools-utf8bom-htoa-tracks.cue",
       " 111111|1 0@0:0 1@1:0|2 1@2:0|3 0@2:25522 1@3:0|4 1@4:0|5 0@4:32970 1@5:0",
       {{K::kIndex00InFileBefore, 14, 1, 12},
        {K::kIndex00InFileBefore, 25, 3, 23},
        {K::kIndex00InFileBefore, 36, 5, 34}}},
      {"cyanrip-0.9.3-mp3-mcn.cue",
       "0602435678912 33333|1i 1@0:0|2i 1@1:0|3i 1@2:0|4i 0@2:22583 1@3:0|5i 1@4:0",
       {{K::kTrackAgain, 42, 4}, {K::kIndex00InFileBefore, 46, 4, 40}}},
      {"eac-0.99-tracks-gaps-appended.cue",
       " 11111111|1p32 1@0:0|2 1@1:0|3 0@1:18168 1@2:0|4 1@3:0|5 0@3:23103 1@4:0|6 1@5:0|7 "
       "0@5:17934 1@6:0 2@6:13762|8 1@7:0",
       {{K::kCatalogZeros, 5},
        {K::kIsrcZeros, 12},
        {K::kIsrcZeros, 19},
        {K::kIsrcZeros, 24},
        {K::kIndex00InFileBefore, 27, 3, 25},
        {K::kIsrcZeros, 32},
        {K::kIsrcZeros, 37},
        {K::kIndex00InFileBefore, 40, 5, 38},
        {K::kIsrcZeros, 45},
        {K::kIsrcZeros, 50},
        {K::kIndex00InFileBefore, 53, 7, 51},
        {K::kIsrcZeros, 59}}},
      {"eac-0.99-tracks-gaps-leftout.cue",
       " 11111111|1p32 1@0:0|2 1@1:0|3p87 1@2:0|4 1@3:0|5p150 1@4:0|6 1@5:0|7p45 1@6:0 2@6:13762|8 "
       "1@7:0",
       {}},
      {"eac-0.99-tracks-gaps-next.cue",
       " 11111111|1 0@0:0 1@0:32|2 1@1:0|3 0@2:0 1@2:87|4 1@3:0|5 0@4:0 1@4:150|6 1@5:0|7 0@6:0 "
       "1@6:45 2@6:13807|8 1@7:0",
       {}},
      {"eac-1.6-image-flac-index02.cue",
       "5099123456784 1|1 1@0:0|2 0@0:23440 1@0:23577|3 0@0:40688 1@0:40838 2@0:45518 3@0:52168 "
       "4@0:59648|4 0@0:84420 1@0:84516|5 0@0:104574 1@0:104749",
       {}},
      {"flac-cuesheet-tag-value.txt",
       "3760123456785 1|1 1@0:0|2 1@0:14405|3 0@0:27795 1@0:27905|4 1@0:46346|5 0@0:63383 "
       "1@0:63457|6 1@0:77166|7 0@0:97511 1@0:97661",
       {}},
      {"foobar2000-replaygain-image.cue",
       "7391234567898 1|1i 1@0:0|2i 0@0:27200 1@0:27340|3i 1@0:61184|4i 0@0:84736 1@0:84833|5i "
       "1@0:124279",
       {}},
      {"metaflac-1.4.2-export.cue",
       "5099123456784 2|1 1@0:0|2 0@0:23440 1@0:23577|3 0@0:40688 1@0:40838 2@0:45518 3@0:52168 "
       "4@0:59648|4 0@0:84420 1@0:84516|5 0@0:104574 1@0:104749",
       {}},
      {"redumper-enhanced-cd.cue",
       "0724358765428 555555|1i 1@0:0|2i 1@1:0|3i 0@2:0 1@2:75|4i 1@3:0|5i 0@4:0 1@4:112|6m4s2 "
       "1@5:0",
       {}},
      {"whipper-htoa-tracks.cue",
       "5056321654982 1111111|1i 0@0:0 1@1:0|2i 1@2:0|3i 0@2:19619 1@3:0|4i 1@4:0|5i 0@4:26235 "
       "1@5:0|6i 1@6:0",
       {{K::kIndex00InFileBefore, 13, 1, 11},
        {K::kIndex00InFileBefore, 26, 3, 24},
        {K::kIndex00InFileBefore, 39, 5, 37}}},
      {"xld-compilation-image.cue",
       "4260123456788 1|1f1i 1@0:0|2f1i 0@0:15987 1@0:16049|3f5i 1@0:34164|4f5i 0@0:47371 "
       "1@0:47484|5f1i 1@0:68850|6f1i 0@0:92850 1@0:92938",
       {{K::kFlagsAgain, 38}, {K::kFlagsAgain, 48}}},
  };
  for (const Row& row : rows) {
    AlbumRead read = ReadCueSheet(Sample(row.file));
    EXPECT_EQ(Layout(read.album), row.layout) << row.file;
    EXPECT_EQ(read.findings, row.findings) << row.file;
  }
}

// Texts and names, as UTF-8, and the lines things were given on.
TEST(ReadCueSheet, RippersTexts) {
  struct Row {
    std::string file;
    std::string (*fact)(const Album&);
    std::string want;
  } rows[] = {
      {"cuetools-latin1-image.cue", [](const Album& a) { return a.files[0].raw_name; },
       "\xC9lodie Marchand - Chansons de l'\xEEle.flac"},
      {"cuetools-latin1-image.cue", [](const Album& a) { return a.files[0].name; },
       "Élodie Marchand - Chansons de l'île.flac"},
      {"cuetools-latin1-image.cue", [](const Album& a) { return a.tracks[3].texts.performer; },
       "Élodie Marchand & Loïc Béranger"},
      {"flac-cuesheet-tag-value.txt", [](const Album& a) { return a.files[0].raw_name; },
       "Élodie Marchand - Chansons de l'île.flac"},
      {"cuetools-utf8bom-htoa-tracks.cue", [](const Album& a) { return a.remarks[0].key; },
       "ACCURATERIPID"},
      {"cuetools-utf8bom-htoa-tracks.cue", [](const Album& a) { return a.texts.title; },
       "Světla nad řekou"},
      {"eac-0.99-tracks-gaps-appended.cue", [](const Album& a) { return a.files[6].raw_name; },
       "Marrow Lane - Paper Lanterns\\07 - Marrow Lane - Northbound.wav"},
      {"eac-0.99-tracks-gaps-appended.cue", [](const Album& a) { return a.files[1].name; },
       "Marrow Lane - Paper Lanterns/02 - Marrow Lane - Where Did the River Go .wav"},
      {"eac-0.99-tracks-gaps-appended.cue", [](const Album& a) { return a.remarks[0].value; },
       "Indie Rock"},
      {"foobar2000-replaygain-image.cue", [](const Album& a) { return a.remarks[3].value; },
       "Recorded live at Lindqvist Hall"},
      {"foobar2000-replaygain-image.cue",
       [](const Album& a) { return a.tracks[2].remarks[0].key + a.tracks[2].remarks[0].value; },
       "REPLAYGAIN_TRACK_GAIN+0.62 dB"},
      {"foobar2000-replaygain-image.cue",
       [](const Album& a) { return a.tracks[0].texts.songwriter + a.tracks[0].isrc; },
       "M. OkaforSEZZH1500101"},
      {"xld-compilation-image.cue", [](const Album& a) { return a.tracks[5].texts.title; },
       "灯台守 (The Lighthouse Keeper)"},
      {"eac-1.6-image-flac-index02.cue",
       [](const Album& a) { return a.remarks[4].value + "/" + a.tracks[4].remarks[0].key; },
       "Aurelio Venn/COMPOSER"},
      {"cyanrip-0.9.3-mp3-mcn.cue",
       [](const Album& a) {
         const AlbumTrack& t = a.tracks[3];
         return std::to_string(t.line) + " " + std::to_string(t.indexes[0].line) + " " +
                std::to_string(t.indexes[1].line) + " " + t.texts.title;
       },
       "37 40 46 Glass Falling"},
      {"metaflac-1.4.2-export.cue", [](const Album& a) { return a.tracks[4].remarks[1].value; },
       "170 69483372"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.fact(ReadCueSheet(Sample(row.file)).album), row.want) << row.file;
  }
}

// CUETools embeds in the FLAC, as UTF-8, the sheet it writes in Windows' code page beside it.
TEST(ReadCueSheet, CueSheetTagReadsAsTheSheet) {
  auto texts = [](const Album& a) {
    std::string s = a.texts.performer + a.texts.title;
    for (const Remark& r : a.remarks) s += r.key + r.value;
    for (const AlbumTrack& t : a.tracks) s += t.texts.performer + t.texts.title;
    return s + a.files[0].name;
  };
  Album tag = ReadCueSheet(Sample("flac-cuesheet-tag-value.txt")).album;
  Album sheet = ReadCueSheet(Sample("cuetools-latin1-image.cue")).album;
  EXPECT_EQ(texts(tag), texts(sheet));
  EXPECT_EQ(Layout(tag), Layout(sheet));
}

// What each line of a sheet is found to be wrong with, and, where given, the layout read.
TEST(ReadCueSheet, Findings) {
  const std::string a = "FILE a.wav WAVE\n";
  const std::string one = a + "TRACK 01 AUDIO\n";
  struct Row {
    std::string sheet;
    std::vector<AlbumFinding> findings;
    std::string layout = "";
  } rows[] = {
      {"FOO bar\n\nTITLE x\n", {{K::kUnknownCommand, 1}}},
      {"REM A\rFOO\r\nBAR\n\"x\"",
       {{K::kUnknownCommand, 2}, {K::kUnknownCommand, 3}, {K::kUnknownCommand, 4}}},
      {"\xEF\xBB\xBF"
       "file 'a b.wav' wave\n track 1 audio\n\tindex 1 0:2:3 \n",
       {},
       " 1|1 1@0:153"},
      {"TRACK 01 AUDIO\nINDEX 01 00:00:00\nPREGAP 00:02:00\n",
       {{K::kNoIndex01, 1, 1}, {K::kLineNotTaken, 2}},
       " |1p150"},
      {"PREGAP 00:02:00\nISRC GBZZG2100101\nFLAGS DCP\nTRACK\nTRACK x AUDIO\nFILE \"\" WAVE\nA\0B"s,
       {{K::kLineNotTaken, 1},
        {K::kLineNotTaken, 2},
        {K::kLineNotTaken, 3},
        {K::kLineNotTaken, 4},
        {K::kLineNotTaken, 5},
        {K::kLineNotTaken, 6},
        {K::kLineNotTaken, 7}}},
      {a + "TRACK 00 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:00:10\n"
           "TRACK 05 AUDIO\nINDEX 01 00:00:20\nTRACK 100 AUDIO\nINDEX 01 00:00:30\n",
       {{K::kTrackNumberOutOfRange, 2, 0},
        {K::kTrackNumberNotNext, 4, 2, 0},
        {K::kTrackNumberNotNext, 6, 5, 2},
        {K::kTrackNumberOutOfRange, 8, 100},
        {K::kTrackNumberNotNext, 8, 100, 5}}},
      {one + "INDEX 00 00:60:00\nINDEX 01 00:00:75\nINDEX 01 1:2\nINDEX 01 00:0a:00\nINDEX 01 "
             "1000:00:00\nPREGAP 00:00:100\nINDEX 01 999:59:74\n",
       {{K::kTimeOutOfRange, 3},
        {K::kTimeOutOfRange, 4},
        {K::kTimeUnreadable, 5},
        {K::kTimeUnreadable, 6},
        {K::kTimeUnreadable, 7},
        {K::kTimeUnreadable, 8}},
       " 1|1 1@0:4499999"},
      {one + "INDEX 01 00:10:00\nTRACK 02 AUDIO\nINDEX 01 00:05:00\nFILE b.wav WAVE\n"
             "TRACK 03 AUDIO\nINDEX 01 00:00:00\n",
       {{K::kIndexBackwards, 5, 375, 750}},
       " 11|1 1@0:750|2 1@0:375|3 1@1:0"},
      {one + "INDEX 02 00:00:00\nINDEX 01 00:00:01\nINDEX 03 00:00:02\nINDEX 03 00:00:03\n"
             "INDEX 100 00:00:04\n",
       {{K::kIndexNumberNotNext, 3, 2, 256},
        {K::kIndexNumberNotNext, 4, 1, 2},
        {K::kIndexNumberNotNext, 5, 3, 1},
        {K::kIndexNumberNotNext, 6, 3, 3},
        {K::kLineNotTaken, 7}},
       " 1|1 2@0:0 1@0:1 3@0:2"},
      {"FILE /a.wav WAVE\nFILE \"C:\\m\\a.wav\" WAVE\nFILE \"a/../b.wav\" WAVE\nFILE ..\\b.wav "
       "WAVE\nFILE a..b/.../c.wav WAVE\nFILE \"d e.ogg\" OGG\nFILE f.wav\n",
       {{K::kAbsoluteName, 1},
        {K::kAbsoluteName, 2},
        {K::kParentInName, 3},
        {K::kParentInName, 4},
        {K::kWordNotKnown, 6},
        {K::kWordNotKnown, 7}},
       " 1111100"},
      {one + "FLAGS DCP XYZ 4ch\nTRACK 02 MODE9/1\nFLAGS PRE\nFLAGS\nTRACK 03 MODE2/2352",
       {{K::kNoIndex01, 2, 1},
        {K::kWordNotKnown, 3},
        {K::kWordNotKnown, 4},
        {K::kNoIndex01, 4, 2},
        {K::kLineNotTaken, 6},
        {K::kNoIndex01, 7, 3}},
       " 1|1f3|2m0f4|3m6"},
      {one + "ISRC ABC\nISRC \"GBZZG2100101\"\nISRC gbzzg2100101\nCATALOG 123\nMCN "
             "\"0602435678912\"\nCATALOG 0602435678912X\n",
       {{K::kNoIndex01, 2, 1},
        {K::kIsrcMalformed, 3},
        {K::kIsrcMalformed, 5},
        {K::kCatalogMalformed, 6},
        {K::kCatalogMalformed, 8}},
       "0602435678912 1|1i"},
      {"TITLE " + std::string(81, 'x') + "\nPERFORMER \"" + std::string(80, 'x') +
           "\"\nSONGWRITER \"" + std::string(81, 'x') + "\"\n",
       {{K::kTextTooLong, 1, 81}, {K::kTextTooLong, 3, 81}}},
  };
  for (const Row& row : rows) {
    AlbumRead read = ReadCueSheet(row.sheet);
    EXPECT_EQ(read.findings, row.findings) << row.sheet;
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
  EXPECT_EQ(read.findings, (std::vector<AlbumFinding>{{K::kIndexBackwards, 151, 0, 74},
                                                      {K::kTrackNumberOutOfRange, 200, 100},
                                                      {K::kTooManyTracks, 200},
                                                      {K::kTrackNumberOutOfRange, 202, 101}}));

  std::string remarks;
  while (remarks.size() < 1024 * 1024) remarks += "REM GENRE \"Indie Rock\"\r\n";
  read = ReadCueSheet(remarks + "TRACK 01 AUDIO\n" + remarks);
  EXPECT_EQ(read.album.remarks.size(), kMaxRemarks);
  EXPECT_EQ(read.album.tracks[0].remarks.size(), kMaxRemarks);
  int track_line = static_cast<int>(remarks.size() / 24) + 1;
  EXPECT_EQ(read.findings, (std::vector<AlbumFinding>{{K::kTooManyRemarks, 65},
                                                      {K::kNoIndex01, track_line, 1},
                                                      {K::kTooManyRemarks, track_line + 65}}));

  std::string files;
  for (int f = 0; f <= 256; ++f) files += "FILE a.wav WAVE\n";
  files += "TRACK 01 AUDIO\nINDEX 01 00:00:00\n";
  for (int x = 0; x < 300; ++x) files += "x\n";
  read = ReadCueSheet(files);
  EXPECT_EQ(read.album.files.size(), kMaxAlbumFiles);
  EXPECT_EQ(read.findings.size(), kMaxAlbumFindings + 1);
  EXPECT_EQ(read.findings[0], (AlbumFinding{K::kTooManyFiles, 256}));
  EXPECT_EQ(read.findings[1], (AlbumFinding{K::kUnknownCommand, 260}));
  EXPECT_EQ(read.findings.back(), (AlbumFinding{K::kFindingsNotKept, 514, 47}));
}

}  // namespace

}  // namespace vantorel
