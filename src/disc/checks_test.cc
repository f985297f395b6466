#include "disc/checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/texts.h"
#include "tracklist/tracklist.h"

namespace vantorel {

namespace {

// CD audio of the given length, as the probe reports it.
WavFile CdAudio(uint32_t seconds) {
  WavFile w;
  w.header.format_found = true;
  w.header.format = kFormatPcm;
  w.header.sample_rate = 44100;
  w.header.channels = 2;
  w.header.bits_per_sample = 16;
  w.header.sample_frames = w.header.declared_frames = w.header.present_frames = seconds * 44100;
  return w;
}

// The files the lists below name: a.wav is 19 s 74 frames and a sample of CD audio; the others
// are what their names say.
WavFile FileCalled(std::string_view name) {
  WavFile w = CdAudio(name == "long.wav" ? 45 * 60 : name == "disc.wav" ? 79 * 60 + 59 : 20);
  HeaderFacts& h = w.header;
  if (name == "a.wav") h.sample_frames = h.declared_frames = h.present_frames -= 587;
  if (name == "h.wav") h.sample_rate = 48000;
  if (name == "x.wav") {
    h.format = kFormatExtensible;
    h.sub_format = kFormatPcm;
  }
  if (name == "-f.wav") {
    h.format = kFormatFloat;
    h.bits_per_sample = 32;
    h.channels = 1;
  }
  if (name == "t.wav") h.sample_frames = h.present_frames = 5 * 44100;
  if (name == "z.wav") h.sample_frames = h.declared_frames = h.present_frames = 0;
  if (name == "u.wav") h.sample_frames = h.declared_frames = 0;
  if (name == "r.wav") h.rf64 = true;
  return w;
}

// The findings of a list as standard error says them, each file being what its name says. Of
// the ignored lines, "exists" is the name of a file, and "typed" with .wav added.
std::string Diagnosed(std::string_view list) {
  TrackTable table;
  Disc disc = BuildDisc(list, table, ClassifyTrackList(list, &table));
  for (DiscFile& file : disc.files) file.wav = FileCalled(file.entry.text);
  MeasureLengths(&disc);
  for (IgnoredLine& ignored : disc.ignored) {
    ignored.names_a_file = ignored.line.text == "exists";
    ignored.names_a_wav = ignored.line.text == "typed";
  }
  return FindingLines(CheckDisc(disc), {"l.txt", "o.cue"});
}

TEST(CheckDisc, WhatABurnerWouldRefuseOrMisread) {
  auto at = [](int line) { return "vantorel: l.txt:" + std::to_string(line) + ": warning: "; };
  auto bad_time = [&](int line, const std::string& text) {
    return at(line) + "\"" + text +
           "\" does not give a time as minutes:seconds:frames (seconds below 60, frames below "
           "75); write it as in \"" +
           text.substr(0, 1) + " 03:15:00\"\n";
  };
  auto two_numbers = [&](int line, const std::string& text, const std::string& minutes,
                         const std::string& frames) {
    return at(line) + "\"" + text +
           "\" gives two numbers, which cdrdao reads as seconds:frames; write the line as \"" +
           minutes + "\" for minutes:seconds, or as \"" + frames + "\" for seconds:frames\n";
  };
  struct Case {
    std::string list, said;
  } cases[] = {
      // Blanks around a time, and a separator other than a digit, do no harm.
      {"a.wav\nS-00:05:00\nP 00:02:00\nS  0:10:0 \nS\t00:15:00\njust a note\n", ""},
      {"a.wav\nS 00:12\nS 00:10:80\nS 1:2:3x\nS 000:16:00\nS\nP 0:2\nS 00:18:00\nP 00:00:00\n",
       two_numbers(2, "S 00:12", "S 00:12:00", "S 00:00:12") + bad_time(3, "S 00:10:80") +
           bad_time(4, "S 1:2:3x") + bad_time(5, "S 000:16:00") + bad_time(6, "S") +
           two_numbers(7, "P 0:2", "P 00:02:00", "P 00:00:02") + at(8) +
           "the track that \"S 00:18:00\" starts lasts 00:02:00, less than the 4 seconds a CD "
           "track must last; move or remove a split\n" +
           at(9) +
           "\"P 00:00:00\" gives a pregap of no length, which cdrdao refuses; remove the "
           "line\n"},
      // A time as an audio editor writes it, and seconds of 60.
      {"a.wav\nS 0:05.5\nS 00:60:00\n",
       at(2) +
           "\"S 0:05.5\" is not minutes:seconds:frames, with 75 frames a second; write the line "
           "as \"S 00:05:37\"\n" +
           bad_time(3, "S 00:60:00")},
      {"a.wav\r\n\r\nS12:00:00\r\rSide B\nSample.Wav\n",
       at(3) +
           "\"S12:00:00\" has no space after S, so its time reads as \"2:00:00\"; put a space "
           "after the letter\n" +
           at(5) +
           "\"Side B\" is read as a split line because it starts with a capital S; start a "
           "note with another character, such as #\n" +
           at(6) +
           "\"Sample.Wav\" is not read as a WAV file: only .wav and .WAV count; if it is a note, "
           "write it as \"# Sample.Wav\"\n"},
      // A split at the time of the track before it starts nothing.
      {"a.wav\nS 00:00:00\nS 00:05:00\nS 00:05:00\n",
       at(2) +
           "\"S 00:00:00\" does not start after the track before it (00:00:00); split "
           "times must rise within a file\n" +
           at(4) +
           "\"S 00:05:00\" does not start after the track before it (00:05:00); split "
           "times must rise within a file\n"},
      {"a.wav\nS 00:30:00\nS 00:10:00\nS 00:05:00\nS 00:00:00\n",
       at(2) +
           "\"S 00:30:00\" starts at or past the end of \"a.wav\" (00:20:00); give a time "
           "inside the file\n" +
           at(4) +
           "\"S 00:05:00\" does not start after the track before it (00:10:00); split "
           "times must rise within a file\n" +
           at(5) +
           "\"S 00:00:00\" does not start after the track before it (00:10:00); split "
           "times must rise within a file\n"},
      // The last part of a CD frame counts as a whole one.
      {"a.wav\nS 00:02:00\nS 00:16:00\n",
       at(2) + "the track before \"S 00:02:00\" lasts 00:02:00, less than the 4 seconds a CD "
               "track must last; move or remove a split\n"},
      {"a.wav\nx\nP 00:02:00\nP 00:01:00\ntrack.Wav\ns 03:15:00\np 00:02:00\n",
       at(3) +
           "\"P 00:02:00\" is ignored: a pregap line counts only right after a WAV line or an "
           "S line\n" +
           at(4) +
           "\"P 00:01:00\" is ignored: a pregap line counts only right after a WAV line "
           "or an S line\n" +
           at(5) +
           "\"track.Wav\" is not read as a WAV file: only .wav and .WAV count; if it is a note, "
           "write it as \"# track.Wav\"\n" +
           at(6) + "\"s 03:15:00\" is ignored: split lines start with a capital S\n" + at(7) +
           "\"p 00:02:00\" is ignored: pregap lines start with a capital P\n"},
      // a.wav ends a sample into its last CD frame, and the next file follows without a pause.
      {"a.wav\nsay \"hi\".wav\n",
       "vantorel: l.txt:1: note: \"a.wav\" does not end on a whole CD frame of 588 samples, so "
       "a burner adds 587 samples of silence before \"say \"hi\".wav\", which does no harm "
       "between songs; where the recording goes on, join them and write \"a+say \"hi\".wav\" "
       "in place of \"a.wav\" and \"S 00:19:74\" in place of \"say \"hi\".wav\": sox a.wav "
       "'say \"hi\".wav' 'a+say \"hi\".wav'; or, to end it on a whole frame, write the line as "
       "\"a-cd.wav\": sox a.wav a-cd.wav pad 0 587s\n" +
           at(2) +
           "\"say \"hi\".wav\" has a double quote in its name, which a cue sheet cannot hold; "
           "rename the file\n"},
      {"a.wav\nb.wav\nP 00:00:01\n", ""},
      // A next file of two tracks cannot be joined as it stands.
      {"a.wav\nb.wav\nS 00:10:00\n",
       "vantorel: l.txt:1: note: \"a.wav\" does not end on a whole CD frame of 588 samples, so "
       "a burner adds 587 samples of silence before \"b.wav\", which does no harm between "
       "songs; to end it on a whole frame, write the line as \"a-cd.wav\": sox a.wav a-cd.wav "
       "pad 0 587s\n"},
      // Prose too long to be a file's name, whatever it says of .Wav files.
      {"a.wav\n" + std::string(4096, 'x') + ".Wav\n", ""},
      // Notes: read as split or pregap lines by their first letter, named when they are files
      // of another kind or the name of a file, and never checked when they start with #.
      {"a.wav\nP art two\nSong 2\n#s 1:00:00 and track.Wav\nb.flac\nc d.MP3\nexists\nmissing\n"
       "typed\ne.m4a\n",
       at(2) +
           "\"P art two\" is read as a pregap line because it starts with a capital P; start a "
           "note with another character, such as #\n" +
           at(3) +
           "\"Song 2\" is read as a split line because it starts with a capital S; start a note "
           "with another character, such as #\n" +
           at(5) +
           "\"b.flac\" is ignored: only lines containing .wav are taken as files; make a CD WAV "
           "of it and write the line as \"b-cd.wav\": sox b.flac -r 44100 -b 16 -c 2 b-cd.wav\n" +
           at(6) +
           "\"c d.MP3\" is ignored: only lines containing .wav are taken as files; make a CD WAV "
           "of it and write the line as \"c d-cd.wav\": sox 'c d.MP3' -r 44100 -b 16 -c 2 "
           "'c d-cd.wav'\n" +
           at(7) +
           "\"exists\" names a file but is ignored: only lines containing .wav are taken as "
           "files; if it is a WAV file, rename it to end in .wav\n" +
           at(9) +
           "\"typed\" is ignored: only lines containing .wav are taken as files; write it as "
           "\"typed.wav\"\n" +
           at(10) +
           "\"e.m4a\" is ignored: only lines containing .wav are taken as files; make a CD WAV "
           "of it and write the line as \"e-cd.wav\": ffmpeg -i e.m4a -ar 44100 -ac 2 "
           "-sample_fmt s16 e-cd.wav\n"},
      {"h.wav\n-f.wav\nx.wav\n",
       at(1) +
           "\"h.wav\" is 48000 Hz 16-bit 2-channel PCM, not the 44100 Hz 16-bit 2-channel "
           "PCM of a CD; convert it and write the line as \"h-cd.wav\": sox h.wav -r 44100 -b 16 "
           "-c 2 h-cd.wav\n" +
           at(2) +
           "\"-f.wav\" is 44100 Hz 32-bit 1-channel floating point, not the 44100 Hz "
           "16-bit 2-channel PCM of a CD; convert it and write the line as \"-f-cd.wav\": sox "
           "./-f.wav -r 44100 -b 16 -c 2 ./-f-cd.wav\n" +
           at(3) +
           "\"x.wav\" is 44100 Hz 16-bit 2-channel PCM in an extensible header, not the "
           "44100 Hz 16-bit 2-channel PCM of a CD; convert it and write the line as \"x-cd.wav\": "
           "sox x.wav -r 44100 -b 16 -c 2 x-cd.wav\n"},
      // A file's length is what it holds: the split at 6 s is past the end of t.wav.
      {"t.wav\nS 00:06:00\nz.wav\nu.wav\nr.wav\n",
       at(1) +
           "\"t.wav\" declares 00:20:00 of audio but holds 00:05:00, which is what the report "
           "gives and a burner takes: a recording cut short, or a WAV written through a pipe; "
           "give it a header that agrees and write the line as \"t-cd.wav\": sox t.wav -r 44100 "
           "-b 16 -c 2 t-cd.wav\n" +
           at(2) +
           "\"S 00:06:00\" starts at or past the end of \"t.wav\" (00:05:00); give a time "
           "inside the file\n" +
           at(3) + "\"z.wav\" holds no audio; leave it out of the list\n" + at(4) +
           "\"u.wav\" declares no audio, yet 00:20:00 of it follows its header: the program "
           "that wrote it could not go back to fill in the size, as when it writes to a pipe; "
           "cdrdao refuses such a file and sox reads it as empty; rewrite it with its audio and "
           "write the line as \"u-cd.wav\": ffmpeg -i u.wav -ar 44100 -ac 2 -sample_fmt s16 "
           "u-cd.wav\n" +
           at(5) +
           "\"r.wav\" is an RF64 file, which cdrdao does not read; rewrite it as a WAV and write "
           "the line as \"r-cd.wav\": sox r.wav -r 44100 -b 16 -c 2 r-cd.wav\n"},
      // A disc of exactly the longest a CD holds, and one frame more.
      {"disc.wav\nP 00:00:74\n", ""},
      {"disc.wav\nP 00:01:00\n",
       "vantorel: warning: the disc lasts 80:00:00 with its pregaps, more than the 79:59:74 a CD "
       "holds; split the list over two discs\n"},
      {"long.wav\nlong.wav\nP 00:02:00\n",
       "vantorel: warning: the disc lasts 90:02:00 with its pregaps, more than the 79:59:74 a CD "
       "holds; split the list over two discs\n"},
      {"\n\r\n",
       "vantorel: warning: l.txt names no WAV file, so o.cue is empty; write one WAV file name a "
       "line\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    EXPECT_EQ(Diagnosed(c.list), c.said);
  }
}

TEST(CheckDisc, NinetyNineTracksAndOneHundredTwentyEightLinesAtMost) {
  std::string list = "long.wav\n";
  for (int i = 1; i < 99; ++i) list += "S " + std::to_string(i) + ":00:00\n";
  for (int tracks : {99, 100}) {
    if (tracks == 100) list += "S 99:00:00\n";
    TrackTable table;
    Disc disc = BuildDisc(list, table, ClassifyTrackList(list, &table));
    EXPECT_EQ(TrackCount(disc), tracks);
  }
  // Notes fill the list to its limit; the lines after it are counted, blank ones aside.
  for (int line = 101; line <= 128; ++line) list += "# note\n";
  std::string said = Diagnosed(list + "S 1\nz.wav\n\nnote\nP 2\n# 3\nx.wav\n");
  EXPECT_EQ(Diagnosed(list + "# only notes\n# past the limit\n").find("l.txt:129"),
            std::string::npos);
  EXPECT_EQ(said.substr(said.find("vantorel: l.txt:129")),
            "vantorel: l.txt:129: warning: 6 lines from here on are not used, with 2 WAV entries, "
            "1 split line and 1 pregap line among them: only the first 128 lines of a track list "
            "are read; split the list in two\n"
            "vantorel: warning: the cue sheet has 100 tracks, more than the 99 a CD holds, which "
            "a burner refuses; split the list over two discs\n");
}

}  // namespace

}  // namespace vantorel
