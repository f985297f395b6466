// The disc as the run sees it: its files in order, the tracks of each and what the run learned of
// each file, with every list line that made them. It is built from the track table, and the length
// report, the cue sheet and the checks read it rather than the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "audio/lengths.h"
#include "audio/wavprobe.h"
#include "disc/cdtext.h"
#include "io/io.h"
#include "tracklist/tracklist.h"

namespace vantorel {

// What the run learned of one WAV file: which file it is, whether it could be opened and read,
// what its header says, and the length of the audio it holds.
struct WavFile {
  FileId id;
  int open_error = 0;  // An errno value: why it could not be opened.
  int read_error = 0;  // An errno value: why it could not be read.
  // Where it could not be opened: its name without the blanks at its end, where it has some and
  // that names a regular file.
  std::string_view trimmed_name = {};
  HeaderFacts header = {};
  Length length = {};
};

// A title or performer of the disc or of a track: the line that gives it (number 0 where none
// does) and the text the sheet writes for it.
struct CdText {
  ListLine line = {};
  SheetText text = {};
  std::string_view lead = {};  // The line before its text: the keyword, or the split's time.
  std::string_view raw = {};   // Its text as the list writes it.
};

// The title and performer of a track that has either.
struct TrackTexts {
  CdText title = {};  // From a TITLE line, or the text after a split's time.
  CdText performer = {};
};

// Where a track without a title or performer stands in the disc's texts: nowhere.
constexpr uint32_t kNoTexts = UINT32_MAX;

// What a ripped disc carries for a track beside its audio and texts, each by the line that gives
// it (number 0 where none does): the gap before it, which the audio of its file before its start
// fills and a player counts down; its ISRC; and its flags. The ISRC and the flags are of lines
// the sheet can write, and the gap of a line whose time reads; the first such line stands.
struct TrackMarks {
  ListLine gap = {};
  ListLine isrc = {};
  ListLine flags = {};
};

// Where a track without a gap, ISRC or flags stands in the disc's marks: nowhere.
constexpr uint32_t kNoMarks = UINT32_MAX;

struct Track {
  ListLine opened_by = {};      // The WAV line that opens the file, or the S line of a split.
  std::string_view start = {};  // As the cue sheet gives it: the S line's time, or 00:00:00.
  ListLine pregap = {};         // The P line that gives it a pregap, if any.
  uint32_t texts = kNoTexts;    // Its title and performer in the disc's track_texts, if any.
  uint32_t marks = kNoMarks;    // Its gap, ISRC and flags in the disc's track_marks, if any.
};

struct DiscFile {
  ListLine entry;  // Its WAV line, which is the file's name.
  WavFile wav;
  // Its tracks, in the disc's tracks; the first is opened by the WAV line itself.
  uint32_t first_track = 0;
  uint32_t track_count = 0;
};

// How a line that is no WAV entry is looked up on disk, where the checks have a use for the file
// it may name.
enum class LookUp {
  kAsWritten,  // As it stands and, as a WAV name typed without its .wav, with it.
  kSpellings,  // A name ending in .wav in mixed case: with .wav, with .WAV, and as it stands.
};

// The ending with which a line holding .wav in mixed case names a regular file: .wav, .WAV, its
// own as it stands, or none.
enum class Spelling : uint8_t { kNone, kLowerWav, kUpperWav, kAsWritten };

// A line worth looking up, and what the run found.
struct LineLookup {
  ListLine line = {};
  LookUp how = LookUp::kAsWritten;
  bool names_a_file = false;  // As it stands, it names a regular file.
  bool names_a_wav = false;   // With .wav added, it names a regular file.
  Spelling spelling = Spelling::kNone;
};

// A P line not right after a WAV or S line, and the ignored line right above it, if that is what
// it follows (number 0 otherwise).
struct StrayPregap {
  ListLine line;
  ListLine after_ignored;
};

// A line meant as a split that the sheet does not carry as one: written with a small s, or
// without its S as a pasted tracklist writes it. Mended as its warning says, it opens a track of
// the file above it, and its time is read together with that file's split times.
struct LooseSplit {
  ListLine line;
  uint32_t file = 0;  // The file above it, in the disc's files.
};

// A title or performer line given again, and the line of the first, which stands.
struct TextAgain {
  ListLine line;
  int first = 0;
};

// A G, ISRC, FLAGS or CATALOG line: the line of the one of its kind that stands for its track or
// the disc where one stands before it (0 otherwise); and of a G line that follows no line opening a
// track, with at most that track's other lines between, that it does so, and the ignored line
// right above it, if that is what it follows.
struct MarkLine {
  ListLine line;
  int first = 0;
  bool stray = false;
  ListLine after_ignored = {};
};

struct Disc {
  std::vector<DiscFile> files;
  // The tracks of every file in order, in one block rather than a block a file.
  std::vector<Track> tracks;
  // The texts of the tracks that have a title or performer, in the order of the tracks: a list
  // without them keeps none.
  std::vector<TrackTexts> track_texts;
  // The texts of ignored lines that open a track once mended (see OpensTrackOnceMended), where
  // title or performer lines give them any: no track of this disc has them.
  struct OffDisc {
    ListLine opener;
    TrackTexts texts;
  };
  std::vector<OffDisc> texts_off_disc;
  // Lines taken as neither a WAV file, a split nor a pregap, but for notes (see IsProse).
  std::vector<ListLine> ignored;
  std::vector<StrayPregap> stray_pregaps;
  std::vector<LooseSplit> loose_splits;
  int nul_line = 0;  // The line that holds a NUL byte, after which nothing is read; 0 for none.
  std::vector<LineLookup> lookups;  // In the order of the list.
  uint64_t total_seconds = 0;       // The files' lengths summed, in whole seconds.
  CdText title;
  CdText performer;
  // Titles and performers given a second time for the same track or the disc: the first with a
  // text stands.
  std::vector<TextAgain> texts_again;
  // Titles and performers without a text that one given after them took the place of.
  std::vector<ListLine> texts_empty;
  // The gaps, ISRCs and flags of the tracks that have any, in the order of the tracks: a list
  // without them keeps none.
  std::vector<TrackMarks> track_marks;
  ListLine catalog;  // The CATALOG line that stands, a number the sheet can write.
  // Every G, ISRC, FLAGS and CATALOG line of the disc, in the order of the list, but those under
  // an ignored line that opens a track once mended.
  std::vector<MarkLine> mark_lines;
};

// A track's gap, ISRC and flags, or none where the list gives none.
const TrackMarks& MarksOf(const Disc& disc, const Track& track);

// Whether the sheet carries CD-TEXT: a title or performer with text to write, of the disc or of
// any track.
bool HasCdText(const Disc& disc);

// A track's title, or an empty one where the list gives none.
const CdText& TitleOf(const Disc& disc, const Track& track);

// The text a line to write gives for a title or performer: as the sheet writes it, or where
// letters of it would be lost, as the list writes it.
std::string_view TextToWrite(const CdText& text);

// The texts of an ignored line that opens a track once mended, where it has any.
const TrackTexts* OffDiscTextsOf(const Disc& disc, int opener_line);

// The performer the sheet writes for a track: its own, or else the disc's, since cdrdao needs one
// on every track where the disc has one.
const CdText& PerformerOf(const Disc& disc, const Track& track);

// The lines of a classified list worth looking up on disk, in its order (see WorthLookingUp).
std::vector<LineLookup> LinesToLookUp(const TrackTable& table);

// The disc of a classified list whose lines worth it were looked up: every WAV entry with its
// tracks, their pregaps, gaps, ISRCs and flags, the disc's catalog number, the lines that count
// for nothing and those meant as splits, each with its number. A split, pregap, gap, ISRC, FLAGS
// or CATALOG line that names a file is that file, an ignored line, whatever it starts with. What
// the run learns of the files is not known yet.
Disc BuildDisc(const TrackTable& table, std::vector<LineLookup> lookups = {});

// Gives every file its length from its header and sums them into total_seconds.
void MeasureLengths(Disc* disc);

// What the run found of a line it looked up, or nothing when it was not looked up.
const LineLookup* LookupOf(const Disc& disc, const ListLine& line);

// The tracks of file, a file of disc.
inline std::span<const Track> TracksOf(const Disc& disc, const DiscFile& file) {
  return std::span<const Track>(disc.tracks).subspan(file.first_track, file.track_count);
}

// The number of tracks on the disc.
int TrackCount(const Disc& disc);

// The "." directory the sheet writes in front of a file's name, "./" ("/." for a name that starts
// with /), or none: cdrdao takes a FILE line that gives the same text as the one before it for
// that file going on, so a file named again right after a split in it is written by another text
// for the same file. before is the file before it, if any, and before_dot what the sheet writes in
// front of that one's name.
std::string_view SheetDotOf(const DiscFile* before, std::string_view before_dot,
                            const DiscFile& file);

}  // namespace vantorel
