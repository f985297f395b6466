#include "run/album_text.h"

#include "cd.h"
#include "disc/album_plan.h"
#include "run/finding_text.h"
#include "run/words.h"
#include "tracklist/times.h"

namespace vantorel {

namespace {

using K = AlbumFindingKind;

void AppendText(std::string* out, const AlbumFinding& f, const AlbumNames& names) {
  const std::string v = Number(f.value);
  const std::string o = Number(f.other);
  // The file the finding is of, as the run found it.
  const std::string_view file =
      f.value < names.files.size() ? std::string_view(names.files[f.value]) : "";
  const std::string_view track = "track ";
  constexpr std::string_view kCdg =
      " is a CD+G track, whose file holds its graphics beside its audio in every sector";
  switch (f.kind) {
    case K::kUnknownCommand:
      return (void)out->append("this is no command of a cue sheet; the line is left out");
    case K::kLineNotTaken:
      return (void)out->append(
          "this line cannot be read: its words are not its command's, or it "
          "stands where it means nothing");
    case K::kWordNotKnown:
      return (void)out->append(
          "a word of this line is no file type, track mode or flag of a cue "
          "sheet; the rest of the line is read");
    case K::kTrackNumberOutOfRange:
      return Append(out, {"track number ", v, ": a CD numbers its tracks 1 to 99"});
    case K::kTrackNumberNotNext:
      return Append(
          out, {"track ", v, " follows track ", o, "; the list numbers the tracks in their order"});
    case K::kTrackAgain:
      return Append(out, {"TRACK ", v,
                          " again, as cyanrip writes it after the file of its gap: "
                          "read as the same track"});
    case K::kTooManyTracks:
      return (void)out->append(
          "a 100th track: a CD holds 99, and the tracks from here on are not read");
    case K::kIndexNumberNotNext:
      return Append(out, {"INDEX ", v, " is not the next index of its track"});
    case K::kTimeOutOfRange:
      return (void)out->append("a time whose seconds reach 60 or whose frames reach 75 is no time");
    case K::kTimeUnreadable:
      return (void)out->append("the time cannot be read as minutes:seconds:frames");
    case K::kIndexBackwards:
      return Append(out,
                    {"the index at ", CueTimeText(f.value), " lies before the one above it, at ",
                     CueTimeText(f.other), ", in the same file"});
    case K::kNoIndex01:
      return Append(out, {track, v, " has no INDEX 01, so where it starts is not known"});
    case K::kAbsoluteName:
      return (void)out->append(
          "the file is named from the root or a drive; only a name from the "
          "sheet's folder is looked up");
    case K::kParentInName:
      return (void)out->append(
          "the file's name leads out of the sheet's folder with ..; it is not "
          "looked up");
    case K::kTooManyFiles:
      return (void)out->append("a 256th file: the files from here on are not read");
    case K::kFlagsAgain:
      return (void)out->append("a second FLAGS line of the track: the flags of both are written");
    case K::kIsrcMalformed:
      return (void)out->append("no ISRC of 5 capitals or digits and 7 digits; it is not written");
    case K::kIsrcZeros:
      return (void)out->append("an ISRC of zeros, which rippers write for none; none is written");
    case K::kCatalogMalformed:
      return (void)out->append("no catalog number of 13 digits; it is not written");
    case K::kCatalogZeros:
      return (void)out->append(
          "a catalog number of zeros, which rippers write for none; none is "
          "written");
    case K::kTextTooLong:
      // The list writes each letter outside ASCII as one or more ASCII letters, and cuts the text
      // only past 80 of them.
      return Append(out, {"a text of ", v, " bytes, more than the ", Number(kMaxAlbumTextBytes),
                          " cdrdao takes; the list gets at most ", Number(kMaxAlbumTextBytes),
                          " letters of it"});
    case K::kTooManyRemarks:
      return Append(out, {"more than ", Number(kMaxRemarks),
                          " REM lines here; the rest are "
                          "not read"});
    case K::kBlockCut:
      return Append(out, {"the CUESHEET block needs ", v, " bytes for what it claims, and has ", o,
                          "; it cannot be used"});
    case K::kBlockLonger:
      return Append(out, {"the CUESHEET block's counts claim ", v, " bytes, and it has ", o,
                          "; it cannot be used"});
    case K::kNoLeadOut:
      return (void)out->append("the CUESHEET block has no lead-out track; it cannot be used");
    case K::kOffsetPastEnd:
      return Append(
          out, {"the CUESHEET block puts track ", v, " at sample ", o, ", past the file's audio"});
    case K::kOffsetNotOnFrame:
      return Append(out,
                    {"the CUESHEET block puts track ", v, " at sample ", o, ", off a CD frame"});
    case K::kFileMissing:
      return Append(out, {"cannot find \"", file,
                          "\" beside the sheet, nor a file of its name with another audio ending"});
    case K::kFileNotRegular:
      return Append(out, {"\"", file, f.other == 1 ? "\" is a directory" : "\" is no file",
                          "; name the audio file"});
    case K::kFileOtherName:
      return Append(out, {"there is no \"", names.album.files[f.value].name, "\"; \"", file,
                          "\" is taken for it"});
    case K::kFileNotUsed:
      return Append(out, {"no audio track lies in \"", file, "\"; it is left out"});
    case K::kFilesJoined:
      return Append(out, {"\"", file,
                          "\" is joined to the file before, whose track or gap runs on into "
                          "it, so that every track starts where it did"});
    case K::kCannotJoin:
      return Append(out, {"no track starts in \"", file,
                          "\", and it cannot be joined to the file before, whose length is not "
                          "known in whole CD frames at 44100 Hz; make a CD WAV of that first"});
    case K::kAudioBeforeLeftOut:
      return Append(out, {"\"", file,
                          "\" holds only the audio before track 1, and cannot be "
                          "joined to the next file: its length is not known in whole CD frames "
                          "at 44100 Hz; it is left out, and every track starts that much sooner"});
    case K::kGapInTrackBefore:
      return Append(out, {track, v,
                          "'s gap lies at the end of the file before, which cannot be "
                          "joined to its own: the gap is the end of the track before, and the "
                          "track starts where it did"});
    case K::kGapFromTrackBefore:
      return Append(out, {"the start of ", track, v,
                          "'s file, the end of the track before, "
                          "cannot be joined to that track: it is the track's gap, and the track "
                          "starts where it did"});
    case K::kIndexesLeftOut:
      return Append(out, {track, v, "'s INDEX 02 and higher (", o,
                          ") are not written: cdrdao places them wrong"});
    case K::kPregapWithGap:
      return Append(out, {track, v,
                          " has a gap of audio and a PREGAP of silence, and cdrdao "
                          "takes one: the PREGAP is left out"});
    case K::kPostgapLeftOut:
      return Append(out, {track, v, "'s POSTGAP is left out: a track list has no line for it"});
    case K::kDataTrackLeftOut:
      return Append(out, {track, v, f.other == 1 ? kCdg : " is a data track",
                          "; it is left out, and the disc is its audio tracks alone"});
    case K::kDataTrackInFile:
      return Append(out, {track, v, f.other == 1 ? kCdg : " is a data track",
                          " in a file an audio track lies in; a list cannot leave it out"});
    case K::kScmsLeftOut:
      return (void)out->append("the flag SCMS is left out: a track list writes DCP, 4CH and PRE");
    case K::kIndexPastEnd:
      return Append(out, {"the index at ", CueTimeText(f.value),
                          " lies past the end of its "
                          "file, at ",
                          CueTimeText(f.other)});
    case K::kTextsLeftOut: {
      static constexpr std::string_view kTexts[] = {"SONGWRITER", "COMPOSER", "ARRANGER",
                                                    "MESSAGE"};
      return Append(out, {"the sheet's ", kTexts[f.value % 4],
                          " texts are left out: a track list carries titles and performers"});
    }
    case K::kCdTextFileLeftOut:
      return (void)out->append(
          "the CDTEXTFILE is left out; the list carries the sheet's own texts");
    case K::kNoAudioTrack:
      return (void)out->append("no audio track can be read; there is nothing to burn");
    case K::kFindingsNotKept:
      return Append(out, {v, " findings more are not said"});
    case K::kIndex00InFileBefore:
      return Append(out, {track, v, "'s gap lies in the file before"});
  }
}

void AppendPlace(std::string* out, const AlbumFinding& f, const AlbumNames& names) {
  out->append(names.source);
  if (f.line > 0) Append(out, {":", Number(f.line)});
  switch (SeverityOf(f.kind)) {
    case Severity::kError:
      return (void)out->append(": error: ");
    case Severity::kWarning:
      return (void)out->append(": warning: ");
    case Severity::kNote:
      return (void)out->append(": note: ");
  }
}

}  // namespace

void AppendAlbumPlacedText(std::string* out, const AlbumFinding& f, const AlbumNames& names) {
  const size_t from = out->size();
  AppendPlace(out, f, names);
  AppendText(out, f, names);
  MaskControls(out, from);
}

void AppendAlbumFindingLines(std::string* out, std::span<const AlbumFinding> findings,
                             const AlbumNames& names) {
  for (const AlbumFinding& f : findings) {
    out->append("vantorel: ");
    AppendAlbumPlacedText(out, f, names);
    out->push_back('\n');
  }
}

}  // namespace vantorel
