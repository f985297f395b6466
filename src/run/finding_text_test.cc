#include "run/finding_text.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vantorel {

namespace {

// Each kind of finding as standard error words it, from the finding alone, in each branch of its
// wording; the kinds the end-to-end tests word in full are left to them.
TEST(FindingLines, EachKindAsSaid) {
  using K = FindingKind;
  const std::string not_opened =
      ": No such file or directory; check the name, relative to the working directory";
  struct Case {
    Finding f;
    std::string said;
  } cases[] = {
      {{K::kNoWavFile},
       "warning: l.txt names no WAV file, so o.cue is empty; write one WAV file name a line"},
      {{K::kDiscTooLong, 0, "", "", 80 * 60 * 75},
       "warning: the disc lasts 80:00:00 with its pregaps, more than the 79:59:74 a CD holds; "
       "split the list over two discs"},
      {{.kind = K::kTooManyTracks, .count = {.tracks = 100}},
       "warning: the cue sheet has 100 tracks, more than the 99 a CD holds, which a burner "
       "refuses; split the list over two discs"},
      // A WAV line that cannot be opened, by what it holds; other opens, as the run found.
      {{.kind = K::kWavNotOpened,
        .line = 2,
        .subject = "Benefit CD for the Roxy - burn friday!!",
        .error = ENOENT,
        .maybe_note = true},
       "l.txt:2: error: cannot open \"Benefit CD for the Roxy - burn friday!!\"" + not_opened +
           "; the first line is always a WAV file's name: if it is a note, move it to the end of "
           "the list as \"# Benefit CD for the Roxy - burn friday!!\""},
      {{.kind = K::kWavNotOpened,
        .line = 1,
        .subject = "# for friday",
        .error = ENOENT,
        .maybe_note = true},
       "l.txt:1: error: cannot open \"# for friday\"" + not_opened +
           "; the first line is always a WAV file's name: move this note to the end of the list"},
      // A title on line 1: the line that puts it on the disc, in the ASCII the sheet writes.
      {{.kind = K::kWavNotOpened,
        .line = 1,
        .subject = "Café del Mar",
        .error = ENOENT,
        .part = {.cd_text = "Café del Mar"},
        .maybe_note = true},
       "l.txt:1: error: cannot open \"Café del Mar\"" + not_opened +
           "; the first line is always a WAV file's name: if it is the disc's title, write it "
           "below the first WAV line as \"DISC TITLE Cafe del Mar\"; if it is a note, move it to "
           "the end of the list as \"# Café del Mar\""},
      {{K::kWavNotOpened, 1, "Song.Wav", "", 0, 0, ENOENT},
       "l.txt:1: error: cannot open \"Song.Wav\"" + not_opened},
      {{.kind = K::kWavNotOpened,
        .line = 3,
        .subject = "a.wav ",
        .names = {.trimmed_name = "a.wav"},
        .error = ENOENT},
       "l.txt:3: error: cannot open \"a.wav \"" + not_opened +
           "; the name ends in 1 space that the file's name lacks: write the line as \"a.wav\""},
      {{.kind = K::kWavNotOpened,
        .line = 1,
        .subject = "Title\t\t",
        .names = {.trimmed_name = "Title"},
        .error = ENOENT},
       "l.txt:1: error: cannot open \"Title\t\t\"" + not_opened +
           "; the name ends in 2 tabs that the file's name lacks: write the line as \"Title\""},
      {{.kind = K::kWavNotOpened,
        .line = 3,
        .subject = "a.wav \t",
        .names = {.trimmed_name = "a.wav"},
        .error = ENOENT},
       "l.txt:3: error: cannot open \"a.wav \t\"" + not_opened +
           "; the name ends in 2 blanks that the file's name lacks: write the line as \"a.wav\""},
      {{.kind = K::kWavUnsupported,
        .line = 3,
        .subject = "i.wav",
        .format = {17, 17, 8000, 4, 1},
        .converter = Converter::kSox,
        .part = {.stem = "i"}},
       "l.txt:3: error: \"i.wav\" holds IMA ADPCM audio, which cdrdao cannot burn; decode it to CD "
       "audio and write the line as \"i-cd.wav\": sox --no-glob './i.wav' -r 44100 -b 16 -c 2 "
       "--no-glob './i-cd.wav'"},
      {{.kind = K::kWavUnsupported,
        .line = 3,
        .subject = "m.wav",
        .format = {0x1234, 0x1234, 8000, 16, 1},
        .converter = Converter::kFfmpeg,
        .part = {.stem = "m"}},
       "l.txt:3: error: \"m.wav\" holds audio compressed in format 4660, which cdrdao cannot burn; "
       "decode it to CD audio and write the line as \"m-cd.wav\": ffmpeg -nostdin -n -i './m.wav' "
       "-ar 44100 -ac 2 -sample_fmt s16 './m-cd.wav'"},
      // AAC whose frames nothing marks: no command can decode it.
      {{.kind = K::kWavUnsupported,
        .line = 3,
        .subject = "a.wav",
        .format = {0xFF, 0xFF, 44100, 16, 2},
        .part = {.stem = "a"}},
       "l.txt:3: error: \"a.wav\" holds AAC audio without the headers that mark where its frames "
       "start, which cdrdao cannot burn and ffmpeg cannot decode from a WAV file; make it again as "
       "CD audio from what it was made of"},
      // Compressed audio written to a pipe, of which the file holds some, and none.
      {{.kind = K::kWavUnsupported,
        .line = 3,
        .subject = "i.wav",
        .format = {17, 17, 8000, 4, 1},
        .converter = Converter::kSox,
        .also = {K::kSizeNotFilledIn},
        .part = {.stem = "i"}},
       "l.txt:3: error: \"i.wav\" holds IMA ADPCM audio, which cdrdao cannot burn, and declares "
       "none of it, as when written to a pipe; decode all that follows its header to CD audio and "
       "write the line as \"i-cd.wav\": sox --ignore-length --no-glob './i.wav' -r 44100 -b 16 -c "
       "2 "
       "--no-glob './i-cd.wav'"},
      {{.kind = K::kWavUnsupported,
        .line = 3,
        .subject = "e.wav",
        .format = {0x2000, 0x2000, 44100, 16, 2},
        .also = {K::kNoAudio},
        .part = {.stem = "e"}},
       "l.txt:3: error: \"e.wav\" holds no audio, only the header of AC-3 audio, which cdrdao "
       "cannot burn; leave it out of the list"},
      {{.kind = K::kWavUnsupported,
        .line = 3,
        .subject = "x.wav",
        .format = {0xFFFE, 0xFFFE, 44100, 16, 2}},
       "l.txt:3: error: \"x.wav\" has an extensible format chunk too short to say how its audio is "
       "coded, which cdrdao cannot burn; make it again as CD audio from what it was made of"},
      {{K::kQuoteInName, 2, "say \"hi\".wav"},
       "l.txt:2: warning: \"say \"hi\".wav\" has a double quote in its name, which a cue sheet "
       "cannot hold; rename the file"},
      {{.kind = K::kRf64,
        .line = 5,
        .subject = "r.wav",
        .converter = Converter::kSox,
        .part = {.stem = "r"}},
       "l.txt:5: warning: \"r.wav\" is an RF64 file, which cdrdao does not read; rewrite it as a "
       "WAV and write the line as \"r-cd.wav\": sox --no-glob './r.wav' -r 44100 -b 16 -c 2 "
       "--no-glob './r-cd.wav'"},
      // One command mends all the file is besides.
      {{.kind = K::kRifx,
        .line = 5,
        .subject = "r.wav",
        .format = {1, 1, 48000, 24, 2},
        .converter = Converter::kSox,
        .also = {K::kNotCdAudio},
        .part = {.stem = "r"}},
       "l.txt:5: warning: \"r.wav\" is a big-endian RIFX file, which cdrdao does not read; it is "
       "also 48000 Hz 24-bit PCM, not CD audio; convert it and write the line as \"r-cd.wav\": sox "
       "--no-glob "
       "'./r.wav' -r 44100 -b 16 -c 2 --no-glob './r-cd.wav'"},
      {{.kind = K::kSizeNotFilledIn,
        .line = 4,
        .subject = "u.wav",
        .frames = 1500,
        .format = {1, 1, 22050, 16, 1},
        .converter = Converter::kFfmpeg,
        .also = {K::kRf64, K::kNotCdAudio},
        .part = {.stem = "u"}},
       "l.txt:4: warning: \"u.wav\" declares no audio, yet 00:20:00 of it follows its header: the "
       "program that wrote it could not go back to fill in the size, as when it writes to a pipe; "
       "cdrdao refuses such a file and sox reads it as empty; it is also an RF64 file, which "
       "cdrdao does not read; it is also 22050 Hz 1-channel PCM, not CD audio; convert it and "
       "write the line as \"u-cd.wav\": ffmpeg -nostdin -n -ignore_length 1 -i './u.wav' -ar 44100 "
       "-ac 2 -sample_fmt s16 './u-cd.wav'"},
      {{.kind = K::kNotCdAudio,
        .line = 1,
        .subject = "h.wav",
        .format = {1, 1, 48000, 16, 2},
        .converter = Converter::kSox,
        .part = {.stem = "h"}},
       "l.txt:1: warning: 48000 Hz PCM, not CD audio; convert it and write the line as "
       "\"h-cd.wav\": sox --no-glob './h.wav' -r 44100 -b 16 -c 2 --no-glob './h-cd.wav'"},
      {{.kind = K::kNotCdAudio,
        .line = 2,
        .subject = "-f.wav",
        .format = {3, 3, 44100, 32, 1},
        .converter = Converter::kSox,
        .part = {.stem = "-f"}},
       "l.txt:2: warning: 32-bit 1-channel floating point, not CD audio; convert it and write the "
       "line as \"-f-cd.wav\": sox --no-glob './-f.wav' -r 44100 -b 16 -c 2 --no-glob "
       "'./-f-cd.wav'"},
      {{.kind = K::kNotCdAudio,
        .line = 3,
        .subject = "x.wav",
        .format = {0xFFFE, 1, 44100, 16, 2},
        .converter = Converter::kSox,
        .part = {.stem = "x"}},
       "l.txt:3: warning: PCM in an extensible header, not CD audio; convert it and write the line "
       "as \"x-cd.wav\": sox --no-glob './x.wav' -r 44100 -b 16 -c 2 --no-glob './x-cd.wav'"},
      {{.kind = K::kNotCdAudio,
        .line = 3,
        .subject = "x.wav",
        .format = {7, 7, 8000, 8, 1},
        .converter = Converter::kSox,
        .part = {.stem = "x"}},
       "l.txt:3: warning: 8000 Hz 8-bit 1-channel mu-law, not CD audio; convert it and write the "
       "line as \"x-cd.wav\": sox --no-glob './x.wav' -r 44100 -b 16 -c 2 --no-glob './x-cd.wav'"},
      {{.kind = K::kShortOfDeclared,
        .line = 1,
        .subject = "t.wav",
        .frames = 1500,
        .other_frames = 375,
        .converter = Converter::kSox,
        .part = {.stem = "t"}},
       "l.txt:1: warning: \"t.wav\" declares 00:20:00 of audio but holds 00:05:00: a recording "
       "cut short, or a WAV written through a pipe; the report, the checks and a burner take what "
       "it holds; give it a header that agrees and write the line as \"t-cd.wav\": sox --no-glob "
       "'./t.wav' "
       "-r 44100 -b 16 -c 2 --no-glob './t-cd.wav'"},
      {{K::kNoAudio, 3, "z.wav"},
       "l.txt:3: warning: \"z.wav\" holds no audio; leave it out of the list"},
      {{.kind = K::kSizeNotFilledIn,
        .line = 4,
        .subject = "u.wav",
        .frames = 1500,
        .converter = Converter::kFfmpeg,
        .part = {.stem = "u"}},
       "l.txt:4: warning: \"u.wav\" declares no audio, yet 00:20:00 of it follows its header: the "
       "program that wrote it could not go back to fill in the size, as when it writes to a pipe; "
       "cdrdao refuses such a file and sox reads it as empty; rewrite it with its audio and write "
       "the line as \"u-cd.wav\": ffmpeg -nostdin -n -ignore_length 1 -i './u.wav' -ar 44100 -ac 2 "
       "-sample_fmt s16 './u-cd.wav'"},
      // ffmpeg reads no RIFX with a format chunk over 16 bytes; sox does.
      {{.kind = K::kSizeNotFilledIn,
        .line = 4,
        .subject = "u.wav",
        .frames = 1500,
        .converter = Converter::kSox,
        .also = {K::kRifx},
        .part = {.stem = "u"}},
       "l.txt:4: warning: \"u.wav\" declares no audio, yet 00:20:00 of it follows its header: the "
       "program that wrote it could not go back to fill in the size, as when it writes to a pipe; "
       "cdrdao refuses such a file and sox reads it as empty; it is also a big-endian RIFX file, "
       "which cdrdao does not read; convert it and write the line as \"u-cd.wav\": sox "
       "--ignore-length --no-glob './u.wav' -r 44100 -b 16 -c 2 --no-glob './u-cd.wav'"},
      {{.kind = K::kEndsInsideFrame,
        .line = 1,
        .subject = "a.wav",
        .names = {.next_file = "b.wav"},
        .frames = 1499,
        .count = {.samples = 587},
        .part = {.stem = "a"}},
       "l.txt:1: note: \"a.wav\" ends inside a CD frame, so a burner adds 587 samples of silence "
       "before \"b.wav\", which does no harm between songs; to join two where a recording goes on, "
       "see vantorel --script"},
      {{K::kMixedCaseWav, 6, "Sample.Wav"},
       "l.txt:6: warning: \"Sample.Wav\" is not read as a WAV file: only .wav and .WAV count; if "
       "it is a note, write it as \"# Sample.Wav\""},
      {{.kind = K::kMixedCaseWav,
        .line = 2,
        .subject = "b.Wav",
        .names = {.spelling = ".WAV"},
        .part = {.stem = "b"}},
       "l.txt:2: warning: \"b.Wav\" is not read as a WAV file: only .wav and .WAV count; write the "
       "line as \"b.WAV\""},
      {{.kind = K::kMixedCaseWav,
        .line = 2,
        .subject = "it's.Wav",
        .names = {.spelling = "it's.Wav"},
        .part = {.stem = "it's"}},
       "l.txt:2: warning: \"it's.Wav\" is not read as a WAV file: only .wav and .WAV count; rename "
       "the file and write the line as \"it's.wav\": mv './it'\\''s.Wav' './it'\\''s.wav'"},
      {{K::kNoSpaceAfterLetter, 3, "S12:00:00"},
       "l.txt:3: warning: \"S12:00:00\" has no space after S, so the sheet reads its time as "
       "\"2:00:00\"; write the line as \"S 12:00:00\""},
      {{K::kNotACueTime, 3, "S 00:10:80"},
       "l.txt:3: warning: \"S 00:10:80\" does not give a time as minutes:seconds:frames (seconds "
       "below 60, frames below 75); write it as in \"S 03:15:00\""},
      {{K::kEditorTime, 2, "S 0:05.5", "", 412},
       "l.txt:2: warning: \"S 0:05.5\" is not minutes:seconds:frames, with 75 frames a second; "
       "write the line as \"S 00:05:37\""},
      {{K::kTimeWithoutFrames, 7, "P 0:2", "", 150, 2},
       "l.txt:7: warning: \"P 0:2\" gives two numbers, which cdrdao reads as seconds:frames; write "
       "the line as \"P 00:02:00\" for minutes:seconds, or as \"P 00:00:02\" for seconds:frames"},
      // A time the file's other splits read one way, in the larger units or as cdrdao does.
      {{K::kTimeSettled, 3, "S 1:13:10 Outro", {.title = "Outro"}, 73 * 60 * 75 + 750, 5485},
       "l.txt:3: warning: \"S 1:13:10 Outro\" reads as minutes:seconds:frames (01:13:10), but the "
       "file's other splits read only as hours:minutes:seconds; write the line as \"S 73:10:00 "
       "Outro\""},
      {{K::kTimeSettled, 4, "S 57:50", "", 57 * 60 * 75 + 3750, 4325},
       "l.txt:4: warning: \"S 57:50\" gives two numbers, which cdrdao reads as seconds:frames "
       "(00:57:50), but the file's other splits read only as minutes:seconds; write the line as "
       "\"S 57:50:00\""},
      {{K::kTimeSettled, 5, "S 5:00", "", 375, 22500},
       "l.txt:5: warning: \"S 5:00\" gives two numbers, which the file's other splits read as "
       "cdrdao does, as seconds:frames; write the line as \"S 00:05:00\""},
      {{K::kTimesTwoWays, 2, "S 0:10:00", {.file = "mix.wav"}, 1200 * 75, 1500},
       "l.txt:2: warning: the split times of \"mix.wav\" read two ways, and either way every track "
       "rises and lasts 4 seconds: in the larger units "
       "(minutes:seconds, hours:minutes:seconds) its last split that reads two ways starts at "
       "20:00:00, as cdrdao "
       "reads them (seconds:frames, minutes:seconds:frames) at 00:20:00; write them one way as "
       "minutes:seconds:frames, as vantorel --script offers"},
      {{.kind = K::kSplitPastEnd,
        .line = 2,
        .subject = "S 00:30:00",
        .names = {.file = "a.wav"},
        .frames = 1500},
       "l.txt:2: warning: \"S 00:30:00\" starts at or past the end of \"a.wav\" (00:20:00); give a "
       "time inside the file"},
      {{K::kSplitNotLater, 4, "S 00:05:00", "", 750},
       "l.txt:4: warning: \"S 00:05:00\" does not start after the track before it (00:10:00); "
       "split times must rise within a file"},
      {{K::kTrackBeforeTooShort, 2, "S 00:02:00", "", 150},
       "l.txt:2: warning: the track before \"S 00:02:00\" lasts 00:02:00, less than the 4 seconds "
       "a CD track must last; move or remove a split"},
      {{K::kLastTrackTooShort, 8, "S 00:18:00", "", 150},
       "l.txt:8: warning: the track that \"S 00:18:00\" starts lasts 00:02:00, less than the 4 "
       "seconds a CD track must last; move or remove a split"},
      {{K::kFileTooShort, 1, "a.wav", "", 225},
       "l.txt:1: warning: the track that \"a.wav\" starts lasts 00:03:00, less than the 4 seconds "
       "a CD track must last"},
      {{K::kPregapIgnored, 3, "P 00:02:00"},
       "l.txt:3: warning: \"P 00:02:00\" is ignored: a pregap line counts only right after a WAV "
       "line or an S line"},
      {{K::kPregapWithoutLength, 9, "P 00:00:00"},
       "l.txt:9: warning: \"P 00:00:00\" gives a pregap of no length, which cdrdao refuses; remove "
       "the line"},
      {{.kind = K::kLowercaseLetter,
        .line = 6,
        .subject = "s 03:15:00",
        .line_kind = LineKind::kSplit},
       "l.txt:6: warning: \"s 03:15:00\" is ignored: split lines start with a capital S; write the "
       "line as \"S 03:15:00\""},
      {{.kind = K::kLowercaseLetter,
        .line = 7,
        .subject = "p 00:02:00",
        .line_kind = LineKind::kPregap},
       "l.txt:7: warning: \"p 00:02:00\" is ignored: pregap lines start with a capital P; write "
       "the line as \"P 00:02:00\""},
      {{.kind = K::kNoteReadAsLine,
        .line = 2,
        .subject = "P art two",
        .line_kind = LineKind::kPregap},
       "l.txt:2: warning: \"P art two\" is read as a pregap line because it starts with a capital "
       "P; start a note with another character, such as #"},
      {{.kind = K::kNoteReadAsLine, .line = 3, .subject = "Song 2", .line_kind = LineKind::kSplit},
       "l.txt:3: warning: \"Song 2\" is read as a split line because it starts with a capital S; "
       "start a note with another character, such as #"},
      {{K::kOtherAudioNotFound, 12, "gone.flac"},
       "l.txt:12: warning: \"gone.flac\" is ignored: only lines containing .wav are taken as "
       "files, and no file of that name is here to make a CD WAV of"},
      {{.kind = K::kWavWithoutData,
        .line = 1,
        .subject = "album.flac",
        .converter = Converter::kSox,
        .part = {.stem = "album"}},
       "l.txt:1: error: \"album.flac\" is not a WAV file; make a CD WAV of it and write the line "
       "as \"album-cd.wav\": sox --no-glob './album.flac' -r 44100 -b 16 -c 2 --no-glob "
       "'./album-cd.wav'"},
      {{.kind = K::kOtherAudio,
        .line = 5,
        .subject = "b.flac",
        .converter = Converter::kSox,
        .part = {.stem = "b"}},
       "l.txt:5: warning: \"b.flac\" is ignored: only lines containing .wav are taken as files; "
       "make a CD WAV of it and write the line as \"b-cd.wav\": sox --no-glob './b.flac' -r 44100 "
       "-b 16 -c 2 "
       "--no-glob './b-cd.wav'"},
      {{.kind = K::kOtherAudio,
        .line = 6,
        .subject = "c d.MP3",
        .converter = Converter::kSox,
        .part = {.stem = "c d"}},
       "l.txt:6: warning: \"c d.MP3\" is ignored: only lines containing .wav are taken as files; "
       "make a CD WAV of it and write the line as \"c d-cd.wav\": sox --no-glob './c d.MP3' -r "
       "44100 -b 16 "
       "-c 2 --no-glob './c d-cd.wav'"},
      {{.kind = K::kOtherAudio,
        .line = 10,
        .subject = "e.m4a",
        .converter = Converter::kFfmpeg,
        .part = {.stem = "e"}},
       "l.txt:10: warning: \"e.m4a\" is ignored: only lines containing .wav are taken as files; "
       "make a CD WAV of it and write the line as \"e-cd.wav\": ffmpeg -nostdin -n -i './e.m4a' "
       "-ar 44100 -ac 2 -sample_fmt s16 './e-cd.wav'"},
      {{.kind = K::kOtherAudio,
        .line = 11,
        .subject = "f*.opus",
        .converter = Converter::kFfmpeg,
        .part = {.stem = "f*"}},
       "l.txt:11: warning: \"f*.opus\" is ignored: only lines containing .wav are taken as files; "
       "make a CD WAV of it and write the line as \"f*-cd.wav\": ffmpeg -nostdin -n -i './f*.opus' "
       "-ar 44100 -ac 2 -sample_fmt s16 './f*-cd.wav'"},
      {{.kind = K::kNoDiscTitle},
       "warning: the cue sheet has CD-TEXT but no title for the disc, without which cdrdao will "
       "not burn it; write the title on a line after the first as \"DISC TITLE\" and the title"},
      {{.kind = K::kNoDiscPerformer},
       "warning: the cue sheet has CD-TEXT but no performer for the disc, without which cdrdao "
       "will not burn it; write the name on a line after the first as \"DISC PERFORMER\" and the "
       "name, which every track without a PERFORMER line takes"},
      {{.kind = K::kTooManyPacks, .subject = "The Night Owls", .count = {.packs = {295, 99, 250}}},
       "warning: the CD-TEXT takes 295 packs of 12 bytes, more than the 255 a disc holds (cdrdao "
       "writes 257 or more corrupt); the performer \"The Night Owls\" on 99 tracks takes 250 of "
       "them; shorter titles and performers fit"},
      {{.kind = K::kPartSampleFrame, .line = 2, .subject = "p.wav", .count = {.bytes = 1}},
       "l.txt:2: note: \"p.wav\" ends its data chunk 1 byte into a sample frame of 4, which "
       "cdrdao warns of as not a multiple of the sample size and leaves out, as the lengths here "
       "do"},
      {{.kind = K::kLongFileName, .line = 4, .subject = "long.wav", .count = {.bytes = 10}},
       "l.txt:4: warning: \"long.wav\" is 10 bytes long as the cue sheet gives it, with ./ in "
       "front, since it follows a split of it, and Debian's cdrdao 1.2.4 aborts on a file name of "
       "148 bytes or more; give the file a shorter name"},
      // The line to write keeps what stands before the text: the keyword, or a split's time.
      {{.kind = K::kTextChanged,
        .line = 3,
        .subject = "S 04:12:37 Aurora Lane – \"Tidal\"",
        .names = {.written = "Aurora Lane - 'Tidal'"},
        .part = {.lead = "S 04:12:37 "}},
       "l.txt:3: warning: \"S 04:12:37 Aurora Lane – \"Tidal\"\" gives a text cdrdao cannot burn "
       "as it is, which is written as \"Aurora Lane - 'Tidal'\": ASCII alone, without \" or \\, at "
       "most 80 characters; write the line as \"S 04:12:37 Aurora Lane - 'Tidal'\""},
      {{K::kTextEmpty, 5, "TITLE \"\""},
       "l.txt:5: warning: \"TITLE \"\"\" gives no text, which cdrdao refuses, so nothing is "
       "written for it; write the text or remove the line"},
      {{.kind = K::kTextAgain,
        .line = 6,
        .subject = "PERFORMER B",
        .other_line = 4,
        .line_kind = LineKind::kPerformer},
       "l.txt:6: warning: \"PERFORMER B\" gives the track a second performer, which cdrdao "
       "refuses; the first, on line 4, stands: remove one of them"},
      {{.kind = K::kTextAgain,
        .line = 9,
        .subject = "DISC TITLE B",
        .other_line = 8,
        .line_kind = LineKind::kDiscTitle},
       "l.txt:9: warning: \"DISC TITLE B\" gives the disc a second title, which cdrdao refuses; "
       "the first, on line 8, stands: remove one of them"},
      {{K::kTrackWithoutTitle, 2, "S 00:05:00"},
       "l.txt:2: warning: the track that \"S 00:05:00\" starts has no title, without which cdrdao "
       "will not burn the sheet's CD-TEXT; write the title on the line after it as \"TITLE\" and "
       "the title"},
      {{K::kFileNotWav, 7, "exists"},
       "l.txt:7: warning: \"exists\" names a file but is ignored: only lines containing .wav are "
       "taken as files; if it is a WAV file, rename it to end in .wav"},
      {{K::kWavWithoutExt, 9, "typed"},
       "l.txt:9: warning: \"typed\" is ignored: only lines containing .wav are taken as files; "
       "write it as \"typed.wav\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindingLines({&c.f, 1}, {"l.txt", "o.cue"}), "vantorel: " + c.said + "\n");
  }
}

// Files that end inside a CD frame are said in one line, at the first of them, wherever the others
// stand among the findings.
TEST(FindingLines, FramePaddingSaidOnce) {
  using K = FindingKind;
  std::vector<Finding> found;
  for (int line : {1, 3, 5, 7, 9, 11, 13}) {
    found.push_back(
        {.kind = K::kEndsInsideFrame, .line = line, .subject = "a.wav", .count = {.samples = 1}});
    if (line == 3) found.push_back({.kind = K::kNoAudio, .line = 3, .subject = "z.wav"});
  }
  EXPECT_EQ(FindingLines(found, {"l.txt", "o.cue"}),
            "vantorel: l.txt:1: note: 7 files end inside a CD frame (lines 1, 3, 5, 7, 9 and 2 "
            "more), so a burner pads each with silence, which does no harm between songs; to join "
            "two where a recording goes on, see vantorel --script\nvantorel: l.txt:3: warning: "
            "\"z.wav\" holds no audio; leave it out of the list\n");
}

}  // namespace

}  // namespace vantorel
