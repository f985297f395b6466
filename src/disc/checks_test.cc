#include "disc/checks.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

using K = FindingKind;

// The files the lists below name, as the probe reports them: CD audio of 20 s, but a.wav is 19 s
// 74 frames and a sample, and the others are what their names say; gone.wav and a name without
// .wav cannot be opened.
WavFile FileCalled(std::string_view name) {
  WavFile w;
  HeaderFacts& h = w.header;
  h.format_found = true;
  h.format = h.coding = kFormatPcm;
  h.sample_rate = 44100;
  h.channels = 2;
  h.bits_per_sample = 16;
  h.sample_frames = (name == "long.wav" ? 45 * 60 : name == "disc.wav" ? 79 * 60 + 59 : 20) * 44100;
  if (name == "a.wav") h.sample_frames -= 587;
  h.declared_frames = h.present_frames = h.sample_frames;
  if (name == "h.wav") h.sample_rate = 48000;
  if (name == "x.wav") {
    h.format = kFormatExtensible;
  }
  if (name == "-f.wav") {
    h.format = h.coding = kFormatFloat;
    h.bits_per_sample = 32;
    h.channels = 1;
  }
  if (name == "t.wav") h.sample_frames = h.present_frames = 3 * 44100;
  if (name == "z.wav") h.sample_frames = h.declared_frames = h.present_frames = 0;
  if (name == "u.wav") h.sample_frames = h.declared_frames = 0;
  if (name == "r.wav") h.rf64 = true;
  if (name == "part.wav") h.data_size = h.sample_frames * 4 + 3;
  // Cut off after the data chunk's header; written to a pipe as RF64 at 22050 Hz; RIFX at 48 kHz.
  if (name == "cut.wav") h.sample_frames = h.present_frames = 0;
  if (name == "pipe.wav") {
    h.rf64 = true;
    h.sample_rate = 22050;
    h.sample_frames = h.declared_frames = 0;
  }
  if (name == "rx.wav") {
    h.rifx = true;
    h.sample_rate = 48000;
  }
  if (name == "gone.wav" || name.find(".wav") == name.npos) w.open_error = ENOENT;
  return w;
}

// A finding as data, its subject aside: its line, its kind and what it rests on.
struct Found {
  int line;
  FindingKind kind;
  uint64_t frames = 0, other_frames = 0, count = 0;
  std::string other = "";
  bool joinable = false;
  std::array<uint32_t, 5> format = {};  // Code, sub-code, rate, bits and channels.
  std::string title = "";               // A title a line to write keeps.
  AlsoMends also = {};
  bool operator==(const Found&) const = default;
};

void PrintTo(const Found& f, std::ostream* os) {
  *os << testing::PrintToString(std::tuple(f.line, static_cast<int>(f.kind), f.frames,
                                           f.other_frames, f.count, f.other, f.joinable, f.format,
                                           f.title));
}

// The findings of a list, each file being what its name says. Of the ignored lines, "exists" is
// the name of a file, and "typed" with .wav added.
std::vector<Found> FindingsOf(std::string_view list) {
  TrackTable table;
  ClassifyTrackList(list, &table);
  std::vector<LineLookup> lookups = LinesToLookUp(table);
  for (LineLookup& lookup : lookups) {
    // Of the files of other kinds of audio, those called gone are not there.
    std::string_view text = lookup.line.text;
    lookup.names_a_file =
        text == "exists" || (OtherAudioOf(text) != Converter::kNone && !text.starts_with("gone"));
    lookup.names_a_wav = text == "typed";
  }
  Disc disc = BuildDisc(table, std::move(lookups));
  for (DiscFile& file : disc.files) file.wav = FileCalled(file.entry.text);
  MeasureLengths(&disc);
  std::vector<Found> found;
  for (const Finding& f : CheckDisc(disc, LayOutDisc(disc))) {
    // Each kind's facts, in the columns above.
    Found& d = found.emplace_back(Found{f.line, f.kind});
    auto format = [&d](const AudioFormat& a) {
      d.format = {a.code, a.coding, a.rate, a.bits, a.channels};
    };
    std::visit(Overloaded{
                   [](const auto&) {},
                   [&](const DiscLength& l) { d.frames = l.frames; },
                   [&](const TrackTotal& t) { d.count = t.tracks; },
                   [&](const PackTotal& t) { d.count = t.packs.all; },
                   [&](const ByteCount& b) { d.count = b.bytes; },
                   [&](const Remade& r) {
                     const bool irregular = f.kind == K::kIrregularChunks;
                     d.frames = irregular                       ? r.data_start
                                : f.kind == K::kShortOfDeclared ? r.declared_frames
                                                                : r.held_frames;
                     d.other_frames = irregular                       ? r.sample_frames
                                      : f.kind == K::kShortOfDeclared ? r.held_frames
                                                                      : 0;
                     if (f.kind == K::kNotCdAudio || r.also.Has(K::kNotCdAudio)) format(r.format);
                     d.also = r.also;
                   },
                   [&](const Padding& p) {
                     d = {f.line,    f.kind, p.join_at, 0, p.silence, std::string(p.next_file),
                          p.joinable};
                   },
                   [&](const LineToWrite& l) {
                     d.frames = l.frames;
                     d.other_frames = l.length;
                     d.title = l.title;
                   },
                   [&](const TwoReadings& t) {
                     d.frames = t.meant;
                     d.other_frames = t.other;
                     d.title = t.title;
                   },
                   [&](const FileChoice& c) {
                     d.frames = c.larger;
                     d.other_frames = c.smaller;
                     d.other = c.file;
                   },
                   [&](const PastEnd& p) {
                     d.frames = p.file_end;
                     d.other = p.file;
                   },
                   [&](const NotLater& n) {
                     d.frames = n.before;
                     d.other_frames = n.as_hours;
                     d.title = n.title;
                   },
                   [&](const AtStart& a) {
                     d.count = static_cast<uint64_t>(a.file_line);
                     d.title = a.title;
                   },
                   [&](const FrameCount& c) { d.frames = c.frames; },
                   [&](const StrayPregapFacts& s) {
                     d.count = static_cast<uint64_t>(s.above.number);
                     d.other = s.above.text;
                   },
                   [&](const TextWritten& t) {
                     d.frames = t.frames;
                     d.other = t.written;
                   },
                   [&](const TextAgainOf& t) { d.count = static_cast<uint64_t>(t.first); },
                   [&](const GapLimit& g) {
                     d.frames = g.longest;
                     d.count = static_cast<uint64_t>(g.fault);
                   },
               },
               f.facts);
    // Of the lines to write, only the kinds about a line's time keep its title.
    if (f.kind == K::kNoSpaceAfterLetter || f.kind == K::kLowercaseLetter ||
        f.kind == K::kSplitWithoutLetter) {
      d.title.clear();
    }
  }
  return found;
}

TEST(CheckDisc, WhatABurnerWouldRefuseOrMisread) {
  // 36 tracks of long.wav with titles of 80 characters, and a disc title of title_chars: 12 make
  // the 255 packs a disc holds, 24 one more.
  auto titled = [](size_t title_chars) {
    std::string list = "long.wav\nDISC TITLE " + std::string(title_chars, 'D') +
                       "\nDISC PERFORMER P\nTITLE " + std::string(80, 't') + "\n";
    for (int i = 1; i < 36; ++i)
      list += "S " + std::to_string(i) + ":00:00 " + std::string(80, 't') + "\n";
    return list;
  };
  struct Case {
    std::string list;
    std::vector<Found> found;
  } cases[] = {
      // Blanks around a time, and a separator other than a digit, do no harm.
      {"a.wav\nS-00:05:00\nP 00:02:00\nS  0:10:0 \nS\t00:15:00\njust a note\n", {}},
      {"a.wav\nS 00:12\nS 00:10:80\nS 1:2:3x\nS 000:16:00\nS\nP 0:2\nS 00:18:00\nP 00:00:00\n",
       {Found{2, K::kTimeWithoutFrames, 900, 12}, Found{3, K::kNotACueTime},
        Found{4, K::kNotACueTime}, Found{5, K::kNotACueTime}, Found{6, K::kNotACueTime},
        Found{7, K::kTimeWithoutFrames, 150, 2}, Found{8, K::kLastTrackTooShort, 150},
        Found{9, K::kPregapWithoutLength}}},
      // A split's title, as the sheet writes it, stays in the line to write; a title without text
      // gives way to the one after it.
      {"b.wav\nS 0:05.5 Caf\xC3\xA9\nS 0:12 Two\nc.wav\nTITLE \"\"\nTITLE Real\nDISC TITLE d\n"
       "DISC PERFORMER p\n",
       {Found{1, K::kTrackWithoutTitle},
        Found{.line = 2, .kind = K::kEditorTime, .frames = 412, .title = "Cafe"},
        Found{
            .line = 3, .kind = K::kTimeSettled, .frames = 900, .other_frames = 12, .title = "Two"},
        Found{5, K::kTextEmpty}}},
      // A time as an audio editor writes it, and seconds of 60.
      {"a.wav\nS 0:05.5\nS 00:60:00\n", {Found{2, K::kEditorTime, 412}, Found{3, K::kNotACueTime}}},
      {"a.wav\r\n\r\nS12:00:00\r\rSide B\nSample.Wav\n",
       {Found{3, K::kNoSpaceAfterLetter, 12 * 60 * 75}, Found{5, K::kNoteReadAsLine},
        Found{6, K::kMixedCaseWav}}},
      // A split at the time of the track before it starts nothing.
      {"a.wav\nS 00:00:00\nS 00:05:00\nS 00:05:00\n",
       {Found{.line = 2, .kind = K::kSplitAtStart, .count = 1}, Found{4, K::kSplitNotLater, 375}}},
      // A split at the end of a.wav, its last part of a frame counting whole, is past it.
      {"a.wav\nS 00:20:00\nS 00:10:00\nS 00:05:00\nS 00:00:00\n",
       {Found{.line = 2, .kind = K::kSplitPastEnd, .frames = 1500, .other = "a.wav"},
        Found{4, K::kSplitNotLater, 750}, Found{5, K::kSplitNotLater, 750}}},
      // Four fields, which the sheet carries as meant, past the end too; a title whose letters are
      // lost is given with the time its line is written with.
      {"a.wav\nS 0:00:20:00\n",
       {Found{.line = 2, .kind = K::kSplitPastEnd, .frames = 1500, .other = "a.wav"}}},
      {"long.wav\n08:40 \xD0\x96\n",
       {Found{2, K::kSplitWithoutLetter, 520 * 75},
        Found{.line = 2, .kind = K::kTextChanged, .frames = 520 * 75, .other = "?"}}},
      // The last part of a CD frame counts as a whole one.
      {"a.wav\nS 00:02:00\nS 00:16:00\n", {Found{2, K::kTrackBeforeTooShort, 150}}},
      {"a.wav\nx\nP 00:02:00\nP 00:01:00\ntrack.Wav\ns 03:15:00\np 00:02:00\n",
       {Found{.line = 3, .kind = K::kPregapIgnored, .count = 2, .other = "x"},
        Found{4, K::kPregapIgnored}, Found{5, K::kMixedCaseWav},
        Found{6, K::kLowercaseLetter, (3 * 60 + 15) * 75}, Found{7, K::kLowercaseLetter, 150}}},
      {"a.wav\np 0:02.5\n", {Found{2, K::kLowercaseLetter, 187}}},
      // a.wav ends a sample into its last CD frame, and the next file follows without a pause;
      // joined, the next would start at the last whole frame.
      {"a.wav\nsay \"hi\".wav\n",
       {Found{1, K::kEndsInsideFrame, 1499, 0, 587, "say \"hi\".wav", true},
        Found{2, K::kQuoteInName}}},
      {"a.wav\nb.wav\nP 00:00:01\n", {}},
      // A next file of two tracks cannot be joined as it stands.
      {"a.wav\nb.wav\nS 00:10:00\n", {Found{1, K::kEndsInsideFrame, 1499, 0, 587, "b.wav"}}},
      // Prose too long to be a file's name, whatever it says of .Wav files.
      {"a.wav\n" + std::string(4096, 'x') + ".Wav\n", {}},
      // Notes: read as split or pregap lines by their first letter, named when they are files
      // of another kind or the name of a file, and never checked when they start with #.
      {"a.wav\nP art two\nSong 2\n#s 1:00:00 and track.Wav\nb.flac\nc d.MP3\nexists\nmissing\n"
       "typed\ne.m4a\nf.opus\ngone.flac\nape\n",
       {Found{2, K::kNoteReadAsLine}, Found{3, K::kNoteReadAsLine}, Found{5, K::kOtherAudio},
        Found{6, K::kOtherAudio}, Found{7, K::kFileNotWav}, Found{9, K::kWavWithoutExt},
        Found{10, K::kOtherAudio}, Found{11, K::kOtherAudio}, Found{12, K::kOtherAudioNotFound}}},
      // The texts under a line that opens a track once mended are that track's, none of a.wav's.
      {"a.wav\nb.flac\nTITLE B\n# n\nPERFORMER Caf\xC3\xA9\ns 0:05:00\nTITLE C\nTITLE D\n"
       "DISC TITLE d\nDISC PERFORMER p\n",
       {Found{1, K::kTrackWithoutTitle}, Found{2, K::kOtherAudio},
        Found{.line = 5, .kind = K::kTextChanged, .other = "Cafe"},
        Found{6, K::kLowercaseLetter, 375}, Found{.line = 8, .kind = K::kTextAgain, .count = 7}}},
      {"h.wav\n-f.wav\nx.wav\n",
       {Found{.line = 1, .kind = K::kNotCdAudio, .format = {1, 1, 48000, 16, 2}},
        Found{.line = 2, .kind = K::kNotCdAudio, .format = {3, 3, 44100, 32, 1}},
        Found{.line = 3, .kind = K::kNotCdAudio, .format = {0xFFFE, 1, 44100, 16, 2}}}},
      // A file's length is what it holds: t.wav is too short, and the split at 6 s past its end.
      {"t.wav\nS 00:06:00\nz.wav\nu.wav\nr.wav\n",
       {Found{1, K::kShortOfDeclared, 1500, 225}, Found{1, K::kFileTooShort, 225},
        Found{.line = 2, .kind = K::kSplitPastEnd, .frames = 225, .other = "t.wav"},
        Found{3, K::kNoAudio}, Found{4, K::kSizeNotFilledIn, 1500}, Found{5, K::kRf64}}},
      {"part.wav\n", {Found{.line = 1, .kind = K::kPartSampleFrame, .count = 3}}},
      // One finding for each file, of all that one command mends, and none where no command
      // can make audio of nothing.
      {"cut.wav\npipe.wav\nrx.wav\n",
       {Found{1, K::kNoAudio},
        Found{.line = 2,
              .kind = K::kSizeNotFilledIn,
              .frames = 3000,
              .format = {1, 1, 22050, 16, 2},
              .also = {K::kRf64, K::kNotCdAudio}},
        Found{.line = 3,
              .kind = K::kRifx,
              .format = {1, 1, 48000, 16, 2},
              .also = {K::kNotCdAudio}}}},
      // Each file's finding names what its own command mends, and nothing of the file before.
      {"rx.wav\nr.wav\n",
       {Found{
            .line = 1, .kind = K::kRifx, .format = {1, 1, 48000, 16, 2}, .also = {K::kNotCdAudio}},
        Found{2, K::kRf64}}},
      // A split at a file's start, however written, and a time past 40 minutes written as hours,
      // which reads as hours:minutes:seconds inside the file.
      {"b.wav\nS 0:00\nlong.wav\nS 00:00:00\nS 40:00:00\nS 0:41:30\nS 0:50:00\nS 0:39:00\n",
       {Found{.line = 2, .kind = K::kSplitAtStart, .count = 1},
        Found{.line = 4, .kind = K::kSplitAtStart, .count = 3},
        Found{6, K::kSplitNotLater, 40 * 60 * 75, (41 * 60 + 30) * 75},
        Found{7, K::kSplitNotLater, (41 * 60 + 30) * 75},
        Found{8, K::kSplitNotLater, (41 * 60 + 30) * 75}}},
      // Times read two ways, taken together for their file: as hours:minutes:seconds where only
      // that makes every track rise and last 4 seconds, as cdrdao reads them where only that does,
      // and where both do, one choice said once.
      {"long.wav\nS 0:04:32\nS 0:04:50\nS 0:40:10\nb.wav\nS 5:00\n",
       {Found{2, K::kTimeSettled, 272 * 75, 332}, Found{3, K::kTimeSettled, 290 * 75, 350},
        Found{4, K::kTimeSettled, 2410 * 75, 3010}, Found{6, K::kTimeSettled, 375, 300 * 75}}},
      // The choice gives the file's last split that reads two ways, whatever its letter.
      {"long.wav\ns 0:10:00\nS 0:20:00\n",
       {Found{2, K::kTimesTwoWays, 1200 * 75, 1500, 0, "long.wav"},
        Found{2, K::kLowercaseLetter, 600 * 75}}},
      {"long.wav\nS 0:10:00\nS 0:20:00\n",
       {Found{.line = 2,
              .kind = K::kTimesTwoWays,
              .frames = 1200 * 75,
              .other_frames = 1500,
              .other = "long.wav"}}},
      // Two-digit hours as a DJ writes them, settled by the file; a fraction of two digits settled
      // by another that shntool never writes, or left to choose; four numbers and 62:05 can
      // only be what they say, which settles the file's other two numbers.
      {"long.wav\nS 00:04:32\nS 00:08:30\nS 00:40:10\n",
       {Found{2, K::kTimeSettled, 272 * 75, 332}, Found{3, K::kTimeSettled, 510 * 75, 630},
        Found{4, K::kTimeSettled, 2410 * 75, 3010}}},
      {"long.wav\nS 1:33.74\nS 3:10.5\n",
       {Found{2, K::kFractionSettled, 93 * 75 + 55, 93 * 75 + 74},
        Found{3, K::kEditorTime, 14287}}},
      {"long.wav\nS 1:33.74\nS 3:10.20\n",
       {Found{.line = 2,
              .kind = K::kFractionsTwoWays,
              .frames = 190 * 75 + 20,
              .other_frames = 190 * 75 + 15,
              .other = "long.wav"}}},
      {"disc.wav\nS 4:32\nS 22:22\nS 62:05\n",
       {Found{2, K::kTimeSettled, 272 * 75, 332}, Found{3, K::kTimeSettled, 1342 * 75, 1672},
        Found{4, K::kEditorTime, 3725 * 75}}},
      // A digit right after S is lost to the sheet, but where it is a leading 0.
      {"long.wav\nS02:30:00\nS10:12:40\n", {Found{3, K::kNoSpaceAfterLetter, 45940}}},
      // Files whose names start with S or P, whatever the case, and a note that names none.
      {"a.wav\nStay Clean.ogg\nPressure.mp3\ns01.flac\np01.opus\nSide B\n",
       {Found{2, K::kOtherAudio}, Found{3, K::kOtherAudio}, Found{4, K::kOtherAudio},
        Found{5, K::kOtherAudio}, Found{6, K::kNoteReadAsLine}}},
      // Splits as a pasted tracklist writes them: with an S, read as meant; without, the line to
      // write; a small s read with the file's other times; one at the start titles the first
      // track.
      {"long.wav\nS [00:04:32] A\n08:40 B\n1. C (12:55)\ns 17:02 D\n",
       {Found{1, K::kTrackWithoutTitle}, Found{3, K::kSplitWithoutLetter, 520 * 75},
        Found{4, K::kSplitWithoutLetter, 775 * 75}, Found{5, K::kLowercaseLetter, 1022 * 75},
        Found{0, K::kNoDiscTitle}, Found{0, K::kNoDiscPerformer}}},
      // The times at the end of numbered lines: the lengths of the tracks where they add up to
      // the file's, the first then at its start; otherwise their starts.
      {"long.wav\n1. A (20:00)\n2. B (25:00)\n",
       {Found{.line = 2, .kind = K::kSplitAtStart, .count = 1, .title = "A"},
        Found{3, K::kSplitWithoutLetter, 1200 * 75, 1500 * 75}}},
      {"long.wav\n1. A (0:00)\n2. B (25:00)\n",
       {Found{.line = 2, .kind = K::kSplitAtStart, .count = 1, .title = "A"},
        Found{3, K::kSplitWithoutLetter, 1500 * 75}}},
      {"a.wav\n0:00 Intro\n",
       {Found{.line = 2, .kind = K::kSplitAtStart, .count = 1, .title = "Intro"}}},
      // A name of 146 bytes named again right after a split in it: the sheet writes 148.
      {std::string(142, 'n') + ".wav\nS 00:10:00\n" + std::string(142, 'n') + ".wav\n",
       {Found{.line = 3, .kind = K::kLongFileName, .count = 148}}},
      // Nothing after a NUL byte is read, which is said on its line.
      {std::string("a.wav\n\nb\0.wav\n", 13), {Found{3, K::kNulInList}}},
      // Of a file that cannot be used, only what its lines say; none follows a.wav.
      {"a.wav\ngone.wav\nP 00:00:00\nS 00:30:00\nS 0:12\n",
       {Found{3, K::kPregapWithoutLength}, Found{5, K::kTimeWithoutFrames, 900, 12}}},
      // A disc of exactly the longest a CD holds, and one frame more.
      {"disc.wav\nP 00:00:74\n", {Found{2, K::kFirstPregap, 150 + 74}}},
      {"disc.wav\nP 00:01:00\n",
       {Found{2, K::kFirstPregap, 225}, Found{0, K::kDiscTooLong, 80 * 60 * 75}}},
      {"long.wav\nlong.wav\nP 00:02:00\n", {Found{0, K::kDiscTooLong, (90 * 60 + 2) * 75}}},
      {"\n\r\n", {Found{0, K::kNoWavFile}}},
      // A first line that is no file, whose finding says to write it below as the disc's text,
      // opens no track; a split whose time cannot be read keeps its title.
      {"DISC TITLE x\nb.wav\nTITLE B\n", {Found{0, K::kNoDiscPerformer}}},
      {"PERFORMER x\nb.wav\nTITLE B\nS 0:10:80 D\n",
       {Found{4, K::kNotACueTime}, Found{0, K::kNoDiscTitle}}},
      {titled(12), {}},
      {titled(24), {Found{0, K::kTooManyPacks, 0, 0, 256}}},
      // A title without text leaves its track without one; the too-short track is a.wav's first.
      {"a.wav\nDISC TITLE D\nDISC PERFORMER P\nTITLE \"\"\n",
       {Found{1, K::kTrackWithoutTitle}, Found{4, K::kTextEmpty}}},
      {"b.wav\na.wav\nS 00:02:00\n", {Found{3, K::kTrackBeforeTooShort, 150}}},
      // A gap, an ISRC, flags and a catalog number as cdrdao takes them, in any order under the
      // line that opens the track.
      {"b.wav\nISRC USABC1234567\nG 00:02:00\nFLAGS DCP PRE\nS 00:10:00\nTITLE T\nG 00:04:00\n"
       "CATALOG 0123456789012\nb.wav\nG 00:00:00\nDISC TITLE D\nDISC PERFORMER P\nTITLE U\n",
       {Found{1, K::kTrackWithoutTitle}}},
      // A gap under a WAV line leaves its track 4 seconds, and one under a split the track before
      // it, within its file: the longest each may be is said.
      {"b.wav\nG 00:17:00\nS 00:10:00\nG 00:07:00\nG 00:01:00\nS 00:15:00\nG 00:16:00\n# n\n"
       "G 00:01:00\nb.wav\nP 00:02:00\nG 00:02:00\nS 00:10:00\nG 0:02.5\nISRC 000000000000\n"
       "ISRC usabc1234567\nisrc USABC1234567\nFLAGS DCP DCP\nFLAGS PRE\nCATALOG 1\n"
       "CATALOG 0000000000000\ng 00:01:00\nG\tSide B\n",
       {Found{2, K::kGapTooLong, 1200, 0, 4}, Found{4, K::kGapTooLong, 450, 0, 3},
        Found{5, K::kMarkAgain, 0, 0, 4}, Found{7, K::kGapTooLong, 75, 0, 2},
        Found{.line = 9, .kind = K::kGapIgnored, .count = 8, .other = "# n"},
        Found{12, K::kGapWithPregap}, Found{14, K::kEditorTime, 187}, Found{15, K::kIsrcZeros},
        Found{16, K::kIsrcForm}, Found{17, K::kLowercaseKeyword}, Found{18, K::kFlagWords},
        Found{19, K::kMarkAgain, 0, 0, 18}, Found{20, K::kCatalogForm}, Found{21, K::kCatalogZeros},
        Found{22, K::kLowercaseLetter, 75}, Found{23, K::kNoteReadAsLine}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    EXPECT_EQ(FindingsOf(c.list), c.found);
  }
}

// A first line that cannot be opened, as the disc's title or performer it may be.
TEST(ProbeFindings, FirstLineAsTheDiscsText) {
  struct Case {
    std::string_view line, title;
    LineKind kind;
  } cases[] = {{"Benefit CD f\xC3\xBCr Roxy", "Benefit CD fur Roxy", LineKind::kDiscTitle},
               {"DISC TITLE Live", "Live", LineKind::kDiscTitle},
               {"PERFORMER The Band", "The Band", LineKind::kDiscPerformer},
               {"# a note", "", LineKind::kDiscTitle}};
  for (const Case& c : cases) {
    DiscFile file;
    file.entry = {1, c.line};
    file.wav.open_error = ENOENT;
    std::vector<Finding> found = ProbeFindings(file);
    ASSERT_EQ(found.size(), 1u);
    const NotOpened& n = FactsOf<K::kWavNotOpened>(found[0]);
    EXPECT_EQ(ToSheetText(n.disc_text).text, c.title) << c.line;
    EXPECT_EQ(n.written_as, c.kind) << c.line;
  }
}

// Compressed audio, by its coding and what the file holds of it: the tool that decodes it, and
// what else its command must do, or that no command can help.
TEST(ProbeFindings, CompressedAudio) {
  struct Case {
    uint32_t coding;
    uint64_t declared, present;
    bool aac_unmarked;
    Converter by;
    AlsoMends also;
    bool rifx = false;
  } cases[] = {{0x0011, 4000, 4000, false, Converter::kSox, {}},
               {0x2000, 4000, 4000, false, Converter::kFfmpeg, {}},
               {0x1234, 4000, 4000, false, Converter::kFfmpeg, {}},
               {kFormatAac, 4000, 4000, false, Converter::kFfmpeg, {}},
               {kFormatAac, 4000, 4000, true, Converter::kNone, {}},
               {0x566F, 4000, 4000, false, Converter::kNone, {}},
               {0x0000, 4000, 4000, false, Converter::kNone, {}},
               // ffmpeg reads no RIFX with a format chunk of more than 16 bytes.
               {0x2000, 4000, 4000, false, Converter::kNone, {}, true},
               {0x0011, 4000, 4000, false, Converter::kSox, {}, true},
               // Written to a pipe; and with nothing after the header, however much it declares.
               {0x0011, 0, 4000, false, Converter::kSox, {K::kSizeNotFilledIn}},
               {0x2000, 4000, 0, false, Converter::kNone, {K::kNoAudio}},
               {0x2000, 0, 0, false, Converter::kNone, {K::kNoAudio}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.coding << " " << c.declared << " " << c.present);
    DiscFile file;
    file.entry = {1, "c.wav"};
    HeaderFacts& h = file.wav.header;
    h = {.status = ProbeStatus::kUnsupported,
         .format_found = true,
         .rifx = c.rifx,
         .aac_unmarked = c.aac_unmarked,
         .sample_rate = 44100,
         .format = c.coding,
         .coding = c.coding,
         .channels = 2,
         .bits_per_sample = 16,
         .data_size = c.declared,
         .data_present = c.present};
    std::vector<Finding> found = ProbeFindings(file);
    ASSERT_EQ(found.size(), 1u);
    const Remade& r = FactsOf<K::kWavUnsupported>(found[0]);
    EXPECT_EQ(r.made.by, c.by);
    EXPECT_EQ(r.also, c.also);
  }
  // Wave64, which sox reads but for compressed audio in it.
  for (auto [coding, by] :
       {std::pair{kFormatPcm, Converter::kSox}, {0x2000u, Converter::kFfmpeg}}) {
    DiscFile file;
    file.entry = {1, "c.wav"};
    file.wav.header = {.other_audio = OtherAudio::kWave64, .coding = coding};
    std::vector<Finding> found = ProbeFindings(file);
    ASSERT_EQ(found.size(), 1u);
    const ForeignAudio& a = FactsOf<K::kNotWavAudio>(found[0]);
    EXPECT_EQ(a.made.by, by);
    EXPECT_EQ(a.sox_type, by == Converter::kSox ? "w64" : "");
  }
}

TEST(CheckDisc, NinetyNineTracksAtMost) {
  std::string list = "long.wav\n";
  // A split every 20 seconds of the 45 minutes of long.wav.
  for (int i = 1; i < 99; ++i) {
    std::string minutes = std::to_string(i / 3), seconds = std::to_string(i % 3 * 20);
    list += "S " + minutes + ":" + seconds + ":00\n";
  }
  EXPECT_EQ(FindingsOf(list), std::vector<Found>{});
  EXPECT_EQ(FindingsOf(list + "S 44:00:00\n"),
            (std::vector<Found>{{.line = 0, .kind = K::kTooManyTracks, .count = 100}}));
}

}  // namespace

}  // namespace vantorel
