#include "run/album_script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/album.h"
#include "tracklist/cue_reader.h"
#include "tracklist/playlist.h"

namespace vantorel {

namespace {

// The album a sample of the corpus (by its name) or a sheet's text gives.
AlbumRead Read(const std::string& source) {
  std::string text = source;
  const bool sample = source.ends_with(".cue") || source.ends_with(".txt");
  if (sample || source.ends_with(".m3u8")) {
    std::ifstream in(std::string(VANTOREL_CORPUS_DIR) + (sample ? "/cue/" : "/playlist/") + source,
                     std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return source.ends_with(".m3u8") ? PlaylistAlbum(ReadPlaylist(text)) : ReadCueSheet(text);
}

// The list the album gives, its lines parted by |, each ISRC line as I, its files named 1.wav,
// 2.wav and so on, where the run finds each of the album's files as how says: w, CD WAV files
// each a minute longer than its last index; c, files to convert, of lengths not known; or by
// its own letter, a: as is, of the length given by the digits after it in seconds; m: not usable.
std::string ListOf(const AlbumRead& read, const std::string& how, std::string* found) {
  std::vector<AlbumFileFacts> facts(read.album.files.size());
  for (size_t f = 0; f < facts.size(); ++f) {
    uint64_t last = 0;
    for (const AlbumTrack& t : read.album.tracks) {
      for (const AlbumIndex& i : t.indexes)
        last = i.file == f ? std::max<uint64_t>(last, i.frames) : last;
    }
    char kind = how.size() == 1 ? how[0] : how[f * 4];
    if (kind == 'w') facts[f] = {FileState::kAsIs, last + 4500, true};
    if (kind == 'c') facts[f] = {FileState::kConverted};
    if (kind == 'a') facts[f] = {FileState::kAsIs, std::stoul(how.substr(f * 4 + 1, 3)) * 75, true};
    if (kind == 'm') facts[f] = {FileState::kNotUsable};
  }
  AlbumPlan plan = PlanAlbum(read, facts);
  *found = Found(plan.findings);
  if (!plan.usable) return "";
  std::vector<std::string> names;
  for (size_t i = 0; i < plan.files.size(); ++i) names.push_back(std::to_string(i + 1) + ".wav");
  std::string lost;
  std::string text = AlbumListText(read.album, plan, names, &lost);
  std::string list;
  for (size_t pos = 0, end; pos < text.size(); pos = end + 1) {
    end = text.find('\n', pos);
    std::string line = text.substr(pos, end - pos);
    list += (list.empty() ? "" : "|") + (line.starts_with("ISRC ") ? "I" : line);
  }
  return list;
}

TEST(AlbumListText, OfRippersSheets) {
  const std::string kLatin1 =
      "1.wav|TITLE A l'aube|S 03:12:05 Cafe des Pecheurs|S 06:12:05 La ou la mer s'arrete|G "
      "00:01:35|S 10:17:71 Noel a Belle-Ile|PERFORMER Elodie Marchand & Loic Beranger|S 14:06:07 "
      "Chateau de sable|G 00:00:74|S 17:08:66 Ca ira, Maite|S 21:42:11 Derniere maree|G "
      "00:02:00|DISC TITLE Chansons de l'ile|DISC PERFORMER Elodie Marchand|CATALOG 3760123456785";
  struct Row {
    std::string source;
    std::string how;
    std::string list;
    std::string findings;
  } rows[] = {
      {"cuetools-latin1-image.cue", "w", kLatin1, ""},
      // The same sheet as CUETools embeds it in the FLAC file, as UTF-8.
      {"flac-cuesheet-tag-value.txt", "c", kLatin1, ""},
      {"cuetools-utf8bom-htoa-tracks.cue", "w",
       "1.wav|TITLE Uvod|G 01:00:00|2.wav|TITLE Na Kampe|S 06:40:22 Zluta okna|G 01:00:00|3.wav|"
       "TITLE Reka v noci|S 08:19:45 Ticho pred svitanim|G 01:00:00|DISC TITLE Svetla nad "
       "rekou|DISC PERFORMER Ondrej Kriz Quartet",
       "FilesJoined@13:1 FilesJoined@24:3 FilesJoined@35:5"},
      {"cyanrip-0.9.3-mp3-mcn.cue", "c",
       "1.wav|TITLE Barometer|I|2.wav|TITLE Isobar|I|3.wav|TITLE Tidewrack|I|4.wav|TITLE Glass "
       "Falling|I|5.wav|TITLE Weatherglass|I|DISC TITLE Weatherglass|DISC PERFORMER Ossian "
       "Drift|CATALOG 0602435678912",
       "TrackAgain@42:4 GapInTrackBefore@46:4"},
      {"eac-0.99-tracks-gaps-appended.cue", "w",
       "1.wav|TITLE Lanterns|P 00:00:32|2.wav|TITLE Where Did the River Go?|S 05:02:18 Tin "
       "Roof|G 01:00:00|3.wav|TITLE Half Past Autumn|S 06:08:03 Small Hours|G 01:00:00|4.wav|"
       "TITLE Cinder & Smoke|S 04:59:09 Northbound|G 01:00:00|5.wav|TITLE Lantern Reprise|DISC "
       "TITLE Paper Lanterns|DISC PERFORMER Marrow Lane",
       "CatalogZeros@5 IsrcZeros@12 IsrcZeros@19 IsrcZeros@24 FilesJoined@26:2 IsrcZeros@32 "
       "IsrcZeros@37 FilesJoined@39:4 IsrcZeros@45 IsrcZeros@50 FilesJoined@52:6 "
       "IndexesLeftOut@54:7,1 IsrcZeros@59"},
      {"eac-0.99-tracks-gaps-appended.cue", "c",
       "1.wav|TITLE Lanterns|P 00:00:32|2.wav|TITLE Where Did the River Go?|3.wav|TITLE Tin "
       "Roof|4.wav|TITLE Half Past Autumn|5.wav|TITLE Small Hours|6.wav|TITLE Cinder & "
       "Smoke|7.wav|TITLE Northbound|8.wav|TITLE Lantern Reprise|DISC TITLE Paper Lanterns|DISC "
       "PERFORMER Marrow Lane",
       "CatalogZeros@5 IsrcZeros@12 IsrcZeros@19 IsrcZeros@24 GapInTrackBefore@27:3 IsrcZeros@32 "
       "IsrcZeros@37 GapInTrackBefore@40:5 IsrcZeros@45 IsrcZeros@50 GapInTrackBefore@53:7 "
       "IndexesLeftOut@54:7,1 IsrcZeros@59"},
      {"eac-0.99-tracks-gaps-leftout.cue", "w",
       "1.wav|TITLE Lanterns|P 00:00:32|2.wav|TITLE Where Did the River Go?|3.wav|TITLE Tin "
       "Roof|P 00:01:12|4.wav|TITLE Half Past Autumn|5.wav|TITLE Small Hours|P 00:02:00|6.wav|"
       "TITLE Cinder & Smoke|7.wav|TITLE Northbound|P 00:00:45|8.wav|TITLE Lantern Reprise|DISC "
       "TITLE Paper Lanterns|DISC PERFORMER Marrow Lane",
       "IndexesLeftOut@46:7,1"},
      {"eac-0.99-tracks-gaps-next.cue", "c",
       "1.wav|TITLE Lanterns|G 00:00:32|2.wav|TITLE Where Did the River Go?|3.wav|TITLE Tin "
       "Roof|G 00:01:12|4.wav|TITLE Half Past Autumn|5.wav|TITLE Small Hours|G 00:02:00|6.wav|"
       "TITLE Cinder & Smoke|7.wav|TITLE Northbound|G 00:00:45|8.wav|TITLE Lantern Reprise|DISC "
       "TITLE Paper Lanterns|DISC PERFORMER Marrow Lane",
       "IndexesLeftOut@46:7,1"},
      {"eac-1.6-image-flac-index02.cue", "c",
       "1.wav|TITLE Serenade in G: I. Nocturne|S 05:14:27 Serenade in G: II. Scherzando|G "
       "00:01:62|S 09:04:38 Variations on a Harbour Song|G 00:02:00|S 18:46:66 Elegy for "
       "Viola|G 00:01:21|S 23:16:49 Ferryman's Reel|G 00:02:25|DISC TITLE Night Music for "
       "Strings|DISC PERFORMER Kestrel Quartet|CATALOG 5099123456784",
       "IndexesLeftOut@27:3,3"},
      {"metaflac-1.4.2-export.cue", "c",
       "1.wav|S 05:14:27|G 00:01:62|S 09:04:38|G 00:02:00|S 18:46:66|G 00:01:21|S 23:16:49|G "
       "00:02:25|CATALOG 5099123456784",
       "IndexesLeftOut@11:3,3"},
      {"foobar2000-replaygain-image.cue", "c",
       "1.wav|TITLE Late Bus Home|I|S 06:04:40 The 'Blue' Hour|G 00:01:65|I|S 13:35:59 "
       "Cobblestones|I|S 18:51:08 Amber Street Waltz|G 00:01:22|I|S 27:37:04 Goodnight, "
       "Juniper|I|DISC TITLE Evening Standards|DISC PERFORMER Juniper Vale Trio|CATALOG "
       "7391234567898",
       "TextsLeftOut@11"},
      {"redumper-enhanced-cd.cue", "w",
       "1.wav|TITLE Signal Flare|I|2.wav|TITLE Rust Belt Radio|I|3.wav|TITLE Paper Planes Over "
       "Dayton|G 00:01:00|I|4.wav|TITLE Overpass|I|5.wav|TITLE Last Light on Route 9|G "
       "00:01:37|I|DISC TITLE Signal Flare|DISC PERFORMER Copperline|CATALOG 0724358765428",
       "DataTrackLeftOut@39:6"},
      {"whipper-htoa-tracks.cue", "w",
       "1.wav|TITLE Static Bloom|G 01:00:00|I|2.wav|TITLE Harbour Master|I|S 05:21:44 Eel "
       "Grass|G 01:00:00|I|3.wav|TITLE Weather for Shipping|I|S 06:49:60 Foghorn Lullaby|G "
       "01:00:00|I|4.wav|TITLE Slack Water|I|DISC TITLE Low Tide Transmissions|DISC PERFORMER "
       "Saltmarsh Radio|CATALOG 5056321654982",
       "FilesJoined@12:1 FilesJoined@25:3 FilesJoined@38:5"},
      {"whipper-htoa-tracks.cue", "c",
       "1.wav|TITLE Static Bloom|I|2.wav|TITLE Harbour Master|I|3.wav|TITLE Eel Grass|I|4.wav|"
       "TITLE Weather for Shipping|I|5.wav|TITLE Foghorn Lullaby|I|6.wav|TITLE Slack Water|I|DISC "
       "TITLE Low Tide Transmissions|DISC PERFORMER Saltmarsh Radio|CATALOG 5056321654982",
       "AudioBeforeLeftOut@6 GapInTrackBefore@26:3 GapInTrackBefore@39:5"},
      {"xld-compilation-image.cue", "c",
       "1.wav|TITLE Lamplighter|PERFORMER Zoe Marchetti|I|FLAGS DCP|S 03:33:74 Salt on the "
       "Window|G 00:00:62|PERFORMER The Quayside Four|I|FLAGS DCP|S 07:35:39 Balet|PERFORMER "
       "Ingrid Alund|I|FLAGS DCP PRE|S 10:33:09 Noche de faroles|G 00:01:38|PERFORMER Cafe "
       "Nandu|I|FLAGS DCP PRE|S 15:18:00 Harbour Lights|PERFORMER Dervla Quinn|I|FLAGS DCP|S "
       "20:39:13 灯台守 (The Lighthouse Keeper)|G 00:01:13|PERFORMER Mika Todo|I|FLAGS DCP|DISC "
       "TITLE Harbour Lights: Songs from the Quay|DISC PERFORMER Various Artists|CATALOG "
       "4260123456788",
       "TextsLeftOut@13 FlagsAgain@38 FlagsAgain@48"},
      {"freac-playlist.m3u8", "c",
       "1.wav|TITLE Uvod|2.wav|TITLE Na Kampe|3.wav|TITLE Zluta okna|4.wav|TITLE Reka v noci|"
       "5.wav|TITLE Ticho pred svitanim|DISC PERFORMER Ondrej Kriz Quartet",
       ""},
      // What no list can say, or says otherwise, and bad input.
      {"TITLE x\nCOMPOSER c\nFILE a.wav WAVE\nTRACK 01 AUDIO\nFLAGS 4CH SCMS\nINDEX 01 00:00:00\n"
       "TRACK 02 AUDIO\nPREGAP 00:02:00\nPOSTGAP 00:01:00\nINDEX 00 00:10:00\nINDEX 01 00:12:00\n",
       "w", "1.wav|FLAGS 4CH|S 0:00:12:00|G 00:02:00|DISC TITLE x",
       "TextsLeftOut@0:1 ScmsLeftOut@4:1 PostgapLeftOut@7:2 PregapWithGap@7:2"},
      {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE b.wav WAVE\nTRACK 02 AUDIO\n"
       "INDEX 01 00:05:00\n",
       "c", "1.wav|2.wav|G 00:05:00", "GapFromTrackBefore@6:2"},
      {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE b.wav WAVE\nFILE c.wav WAVE\n"
       "TRACK 02 AUDIO\nINDEX 01 00:00:00\n",
       "c", "", "CannotJoin@4:1"},
      {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:08:00\n"
       "INDEX 01 00:12:00\n",
       "a010", "", "IndexPastEnd@6:900,750"},
      {"FILE d.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 "
       "01:00:00\n",
       "w", "", "DataTrackInFile@2:1"},
      {"FILE d.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n", "w", "",
       "NoAudioTrack@0 DataTrackLeftOut@2:1"},
      {"FILE k.bin BINARY\nTRACK 01 CDG\nINDEX 01 00:00:00\n", "w", "",
       "NoAudioTrack@0 DataTrackLeftOut@2:1,1"},
      {"FILE a.wav WAVE\nTRACK 00 AUDIO\nINDEX 01 00:00:75\n", "w", "",
       "NoAudioTrack@0 FileNotUsed@1 TrackNumberOutOfRange@2 NoIndex01@2 TimeOutOfRange@3"},
      {"FILE a.wav WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", "m", "", ""},
  };
  for (const Row& row : rows) {
    std::string found;
    EXPECT_EQ(ListOf(Read(row.source), row.how, &found), row.list) << row.source;
    EXPECT_EQ(found, row.findings) << row.source;
  }
}

}  // namespace

}  // namespace vantorel
