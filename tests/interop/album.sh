#!/usr/bin/env bash
# A ripped album in every form rippers write it, taken down the album's road: the fix script
# makes the track list, and the sheet of the next run is the disc the ripper read, as cdrdao lays
# it out (every track, gap, code and flag where it was), with every title and performer, and
# every sample of the audio in order. Real rippers' sheets and broken ones are said wrong line by
# line, and never give a sheet of their own.
CORPUS=$(cd "$(dirname "$0")/../../fuzz/corpus" && pwd)
. "$(dirname "$0")/common.sh"
need sox flac metaflac cdrdao cueprint shellcheck
export LC_ALL=C

# The audio, in CD frames, each part a sine of its own: the hidden audio before track 1, track 1,
# track 2's gap, track 2, track 3 (with an INDEX 02 100 frames in), track 4's gap and track 4.
part() {  # part NAME FRAMES SAMPLES HZ: NAME.raw, FRAMES frames and SAMPLES samples more
  sox -D -r 44100 -b 16 -c 2 -n -t raw "$1.raw" synth "$(($2 * 588 + $3))s" sine "$4" vol 0.5
}
part h 105 0 200
part t1 300 0 300
part g2 40 0 350
part t2 375 0 400
part t3 342 0 500
part g4 80 0 550
part t4 300 0 600
# A playlist's files need not end on a frame, which a burner fills up with silence.
part p2 375 200 400
part p4 300 100 600
# flacof NAME PARTS...: the FLAC file NAME of the parts, one after the other.
flacof() {
  local name=$1
  shift
  (cd "$WORK" && cat "${@/%/.raw}") | flac -s --force-raw-format --endian=little --sign=signed \
    --channels=2 --bps=16 --sample-rate=44100 -o "$name" -
}
cat h.raw t1.raw g2.raw t2.raw t3.raw g4.raw t4.raw > image.raw
cat t1.raw t2.raw t3.raw t4.raw > leftout.raw
pad() { cat "$1.raw"; head -c $(((2352 - $(stat -c %s "$1.raw") % 2352) % 2352)) /dev/zero; }
{ cat t1.raw; pad p2; cat t3.raw; pad p4; } > playlist.raw

# The discs as cdrdao lays them out from a sheet made by hand: the ripped one and its audio without
# the gaps (a pregap of silence in each's place), each of one WAV file, and the playlist's, whose
# tracks have neither gaps nor codes, of a WAV file each.
sox -t raw -r 44100 -b 16 -c 2 -e signed image.raw image.wav
sox -t raw -r 44100 -b 16 -c 2 -e signed leftout.raw leftout.wav
codes() {  # codes N: track N's ISRC and flags
  case $1 in
    1) printf '    FLAGS DCP\n    ISRC USABC2600001\n' ;;
    2) printf '    ISRC USABC2600002\n' ;;
    3) printf '    FLAGS DCP PRE\n' ;;
    4) printf '    ISRC USABC2600004\n' ;;
  esac
}
{
  printf 'CATALOG 0123456789012\nFILE "image.wav" WAVE\n'
  printf '  TRACK 01 AUDIO\n%s\n    INDEX 00 00:00:00\n    INDEX 01 00:01:30\n' "$(codes 1)"
  printf '  TRACK 02 AUDIO\n%s\n    INDEX 00 00:05:30\n    INDEX 01 00:05:70\n' "$(codes 2)"
  printf '  TRACK 03 AUDIO\n%s\n    INDEX 01 00:10:70\n' "$(codes 3)"
  printf '  TRACK 04 AUDIO\n%s\n    INDEX 00 00:15:37\n    INDEX 01 00:16:42\n' "$(codes 4)"
} > image.cue
{
  printf 'CATALOG 0123456789012\nFILE "leftout.wav" WAVE\n'
  printf '  TRACK 01 AUDIO\n%s\n    PREGAP 00:01:30\n    INDEX 01 00:00:00\n' "$(codes 1)"
  printf '  TRACK 02 AUDIO\n%s\n    PREGAP 00:00:40\n    INDEX 01 00:04:00\n' "$(codes 2)"
  printf '  TRACK 03 AUDIO\n%s\n    INDEX 01 00:09:00\n' "$(codes 3)"
  printf '  TRACK 04 AUDIO\n%s\n    PREGAP 00:01:05\n    INDEX 01 00:13:42\n' "$(codes 4)"
} > leftout.cue
for n in t1 p2 t3 p4; do
  sox -t raw -r 44100 -b 16 -c 2 -e signed "$n.raw" "$n.wav"
  printf 'FILE "%s.wav" WAVE\n  TRACK %02d AUDIO\n    INDEX 01 00:00:00\n' "$n" "${n#?}"
done > playlist.cue
# A FLAC CUESHEET block has no room for the flag DCP, and the image that holds one here ends
# inside a frame.
cat h.raw t1.raw g2.raw t2.raw t3.raw g4.raw p4.raw > block.raw
sox -t raw -r 44100 -b 16 -c 2 -e signed block.raw block.wav
sed 's/image\.wav/block.wav/; /FLAGS DCP$/d; s/FLAGS DCP PRE/FLAGS PRE/' image.cue > block.cue
for disc in image leftout playlist block; do
  cdrdao show-toc "$disc.cue" > "$disc.toc" 2>/dev/null
done
sed 's/COPY PERMITTED/COPY NOT PERMITTED/' image.toc > hires.toc
check "the reference discs' tracks" \
  "$(grep -c '^TRACK' image.toc leftout.toc playlist.toc block.toc)" "image.toc:4
leftout.toc:4
playlist.toc:4
block.toc:4"

# A ripper's track: its opening lines, texts and codes as EAC writes them.
track() {  # track N TITLE PERFORMER
  printf '  TRACK %02d AUDIO\n    TITLE "%s"\n    PERFORMER "%s"\n' "$1" "$2" "$3"
  codes "$1"
}
one() { track 1 One 'The Testers'; }
two() { track 2 Two 'Guest Star'; }
three() { track 3 Three 'The Testers'; }
four() { track 4 Four 'The Testers'; }
index() { printf '    INDEX %s %s\n' "$1" "$2"; }
file() { printf 'FILE "%s" WAVE\n' "$1"; }
head_lines() {
  printf 'REM GENRE Test\nREM COMMENT "ExactAudioCopy v1.6"\nCATALOG 0123456789012\n'
  printf 'PERFORMER "The Testers"\nTITLE "Proof Album"\n'
}
crlf() { sed 's/$/\r/'; }
image_sheet() {  # image_sheet FILE
  head_lines
  file "$1"
  one; index 00 00:00:00; index 01 00:01:30
  two; index 00 00:05:30; index 01 00:05:70
  three; index 01 00:10:70; index 02 00:12:20
  four; index 00 00:15:37; index 01 00:16:42
}

# Each row makes, in a folder of its own, the files and the list a ripper leaves, and names the
# disc the road must end in, its audio and whether it has the texts.
row() {  # row STYLE: sets list, disc, texts
  list=album.cue disc=image texts=yes
  case $1 in
    eac-image)  # One FLAC file, named as EAC does with the type WAVE, and an INDEX 02.
      flacof 'Range.flac' h t1 g2 t2 t3 g4 t4
      image_sheet Range.flac | crlf > album.cue
      ;;
    eac-unicode)  # The same sheet in UTF-16, as EAC writes one whose texts its code page lacks.
      flacof 'Range.flac' h t1 g2 t2 t3 g4 t4
      image_sheet Range.flac | crlf | iconv -f UTF-8 -t UTF-16 > album.cue
      ;;
    eac-appended)  # A file per track, each gap at the end of the file before.
      flacof '01 - One.flac' h t1 g2
      flacof '02 - Two.flac' t2
      flacof '03 - Three.flac' t3 g4
      flacof '04 - Four.flac' t4
      {
        head_lines
        file '01 - One.flac'
        one; index 00 00:00:00; index 01 00:01:30
        two; index 00 00:05:30
        file '02 - Two.flac'; index 01 00:00:00
        file '03 - Three.flac'
        three; index 01 00:00:00; index 02 00:01:25
        four; index 00 00:04:42
        file '04 - Four.flac'; index 01 00:00:00
      } | crlf > album.cue
      ;;
    eac-leftout)  # The gaps in no file: a PREGAP of silence in each's place.
      flacof '01 - One.flac' t1
      flacof '02 - Two.flac' t2
      flacof '03 - Three.flac' t3
      flacof '04 - Four.flac' t4
      {
        head_lines
        file '01 - One.flac'; one; printf '    PREGAP 00:01:30\n'; index 01 00:00:00
        file '02 - Two.flac'; two; printf '    PREGAP 00:00:40\n'; index 01 00:00:00
        file '03 - Three.flac'; three; index 01 00:00:00; index 02 00:01:25
        file '04 - Four.flac'; four; printf '    PREGAP 00:01:05\n'; index 01 00:00:00
      } | crlf > album.cue
      disc=leftout
      ;;
    eac-next)  # Each gap at the start of its track's own file.
      flacof '01 - One.flac' h t1
      flacof '02 - Two.flac' g2 t2
      flacof '03 - Three.flac' t3
      flacof '04 - Four.flac' g4 t4
      {
        head_lines
        file '01 - One.flac'; one; index 00 00:00:00; index 01 00:01:30
        file '02 - Two.flac'; two; index 00 00:00:00; index 01 00:00:40
        file '03 - Three.flac'; three; index 01 00:00:00; index 02 00:01:25
        file '04 - Four.flac'; four; index 00 00:00:00; index 01 00:01:05
      } | crlf > album.cue
      ;;
    whipper-htoa)  # The hidden audio in a file of its own, gaps at the end of the file before.
      flacof '00. The Testers - Hidden Track One Audio.flac' h
      flacof '01. The Testers - One.flac' t1 g2
      flacof '02. Guest Star - Two.flac' t2
      flacof '03. The Testers - Three.flac' t3 g4
      flacof '04. The Testers - Four.flac' t4
      {
        printf 'REM DISCID 12345678\nREM COMMENT "whipper 0.10.0"\nCATALOG 0123456789012\n'
        printf 'PERFORMER "The Testers"\nTITLE "Proof Album"\n'
        file '00. The Testers - Hidden Track One Audio.flac'
        one; index 00 00:00:00
        file '01. The Testers - One.flac'; index 01 00:00:00
        two; index 00 00:04:00
        file '02. Guest Star - Two.flac'; index 01 00:00:00
        file '03. The Testers - Three.flac'
        three; index 01 00:00:00; index 02 00:01:25
        four; index 00 00:04:42
        file '04. The Testers - Four.flac'; index 01 00:00:00
      } > album.cue
      ;;
    flac-block)  # The image's sheet as the FLAC file's CUESHEET block, which has no texts.
      flacof 'Range.flac' h t1 g2 t2 t3 g4 p4
      image_sheet Range.flac > sheet.cue
      # metaflac warns that the sheet is not a CD's: the audio ends inside a frame.
      metaflac --import-cuesheet-from=sheet.cue Range.flac 2>/dev/null
      rm sheet.cue
      printf 'Range.flac\n' > tlist.txt
      list= disc=block texts=no
      ;;
    flac-block-96k)  # The block of a 96 kHz image, whose offsets count its own samples.
      sox -D ../image.wav -r 96000 -b 24 Range.flac
      image_sheet Range.flac > sheet.cue
      metaflac --import-cuesheet-from=sheet.cue Range.flac
      rm sheet.cue
      printf 'Range.flac\n' > tlist.txt
      list= disc=hires texts=no
      ;;
    flac-tag)  # The image's sheet as the FLAC file's CUESHEET tag, as CUETools embeds it.
      flacof 'Range.flac' h t1 g2 t2 t3 g4 t4
      image_sheet Range.flac | crlf > sheet.cue
      metaflac --set-tag-from-file=CUESHEET=sheet.cue Range.flac
      rm sheet.cue
      printf 'Range.flac\n' > tlist.txt
      list=
      ;;
    playlist)  # FLAC files of lengths in no whole frames, the tracks' texts on #EXTINF lines.
      flacof '1 One.flac' t1
      flacof '2 Two.flac' p2
      flacof '3 Three.flac' t3
      flacof '4 Four.flac' p4
      metaflac '--set-tag=ALBUM=Proof Album' '--set-tag=ALBUMARTIST=The Testers' ./*.flac
      printf '#EXTM3U\n#EXTINF:4,The Testers - One\n1 One.flac\n#EXTINF:5,Guest Star - Two
2 Two.flac\n#EXTINF:5,The Testers - Three\n3 Three.flac\n#EXTINF:4,The Testers - Four
4 Four.flac\n' > album.m3u8
      list=album.m3u8 disc=playlist
      ;;
  esac
}

for style in eac-image eac-unicode eac-appended eac-leftout eac-next whipper-htoa flac-block \
  flac-block-96k flac-tag playlist; do
  mkdir "$style"
  cd "$style"
  row "$style"
  status=$({ "$VANTOREL" --script $list > fix.sh 2>script.err && sh fix.sh 2>&1 &&
    "$VANTOREL" --strict > report.txt 2>strict.err; } && echo 0 || echo "$?")
  check "$style: the road ends well, with no warning" \
    "$status $(grep -v ': note: ' strict.err 2>/dev/null)" "0 "
  check "$style: the fix script is clean to shellcheck" \
    "$(shellcheck -s sh -S warning fix.sh 2>&1)" ""
  if ! [ -f output.cue ]; then
    cd ..
    continue
  fi
  check "$style: cdrdao lays the disc out as the ripper read it" \
    "$(cdrdao show-toc output.cue 2>/dev/null | diff "../$disc.toc" - || true)" ""
  want="The Testers / Proof Album
1 The Testers / One
2 Guest Star / Two
3 The Testers / Three
4 The Testers / Four"
  [ "$texts" = yes ] || want=" / 
1  / 
2  / 
3  / 
4  / "
  check "$style: cueprint reads every title and performer" \
    "$(cueprint -d '%P / %T\n' -t '%n %p / %t\n' output.cue 2>&1)" "$want"
  sed -n 's/^FILE "\(.*\)" WAVE.*/\1/p' output.cue > files.txt
  while read -r name; do
    sox "$name" -t raw - | if [ "$disc" = playlist ]; then cat > one.raw && pad one; else cat; fi
  done < files.txt > disc.raw
  # Audio made at another rate is the ripper's only as far as the converter can make it.
  [ "$disc" = hires ] ||
    check "$style: the sheet's audio is the ripper's, sample for sample" \
      "$(cmp "../$disc.raw" disc.raw 2>&1)" ""
  cd ..
done

# Each ripper's sheet of the corpus beside files of the lengths it needs (a WAV header and no
# audio, whatever the name): the plain run says what to run and what it finds, on the sheet's
# lines, and writes no sheet; the script is clean to shellcheck and makes the track list.
silent() {  # silent NAME FRAMES
  case $1 in */*) mkdir -p "${1%/*}" ;; esac
  if [ "${1##*.}" = bin ]; then
    truncate -s $(($2 * 2352)) "$1"
  else
    "$WAVKIT" header $(($2 * 588)) > "$1"
    truncate -s $(($2 * 2352 + 44)) "$1"
  fi
}
mkdir samples
cd samples
for sample in "$CORPUS"/cue/* "$CORPUS"/playlist/*; do
  name=${sample##*/}
  mkdir "$name.d"
  cd "$name.d"
  cp "$sample" .
  # Each file the sheet (as UTF-8) names, 5 seconds longer than its last index.
  if [ "$(head -c 2 "$name" | od -An -tx1)" = " ff fe" ]; then
    iconv -f UTF-16 -t UTF-8 "$name"
  else
    cat "$name"
  fi | awk -v list="$name" '{ sub(/\r$/, ""); sub(/^\357\273\277/, "") }
    $1 == "FILE" {
      f = $0; sub(/^[ \t]*FILE[ \t]+"/, "", f); sub(/"[^"]*$/, "", f); gsub(/\\/, "/", f)
      if (!(f in last)) { last[f] = 0; order[n++] = f } }
    $1 == "INDEX" {
      split($3, t, ":"); at = (t[1] * 60 + t[2]) * 75 + t[3]; if (at > last[f]) last[f] = at }
    list ~ /m3u8?$/ && /^[^#]/ { order[n++] = $0 }
    END { for (i = 0; i < n; ++i) print last[order[i]] + 375, order[i] }' |
    while read -r frames file; do silent "$file" "$frames"; done
  status=0
  "$VANTOREL" "$name" > plain.out 2> plain.err || status=$?
  check "$name: the plain run says how to make the track list, and writes no sheet" \
    "$status $(tail -n 1 plain.out) $(ls output.cue 2>&1 >/dev/null | wc -l)" \
    "1   vantorel --script $name > fix.sh && sh fix.sh 1"
  check "$name: each finding on its place in the sheet" \
    "$(grep -cv "^vantorel: $name\(:[0-9]*\)\?: note: " plain.err)" 0
  status=0
  "$VANTOREL" --script "$name" > fix.sh 2>/dev/null || status=$?
  check "$name: the script is clean to shellcheck, and makes the list" \
    "$status $(shellcheck -s sh -S warning fix.sh 2>&1) $(grep -c "^place './list'" fix.sh)" "0  1"
  cd ..
done
cd ..

# Sheets that cannot be the disc, and one of a megabyte of REM lines: each finding on the line it
# is about, no sheet written, and a script that says so.
mkdir broken
cd broken
silent a.wav 750
mkdir dir.wav
bare() { printf '  TRACK %02d AUDIO\n    INDEX 01 %s\n' "$1" "$2"; }
while IFS='|' read -r what said; do
  case $what in
    directory) { printf 'FILE "dir.wav" WAVE\n'; bare 1 00:00:00; } ;;
    parent) { printf 'FILE "../.." WAVE\n'; bare 1 00:00:00; } ;;
    past-end) { printf 'FILE "a.wav" WAVE\n'; bare 1 00:00:00; bare 2 00:10:01; } ;;
    backwards) { printf 'FILE "a.wav" WAVE\n'; bare 1 00:05:00; bare 2 00:04:00; } ;;
    track-00) { printf 'FILE "a.wav" WAVE\n'; bare 0 00:00:00; } ;;
    75-frames) { printf 'FILE "a.wav" WAVE\n'; bare 1 00:00:75; } ;;
    100-tracks)
      printf 'FILE "a.wav" WAVE\n'
      for t in $(seq 1 100); do bare "$t" "00:00:$(printf %02d $((t % 75)))"; done
      ;;
    remarks)
      printf 'REM GENRE "Indie Rock"\n%.0s' $(seq 45000)
      printf 'FILE "a.wav" WAVE\n'
      bare 1 00:00:00
      ;;
  esac > "$what.cue"
  status=0
  "$VANTOREL" "$what.cue" > out.txt 2> err.txt || status=$?
  check "$what: the run says where the sheet is wrong, and writes no sheet" \
    "$status $(grep -c -F "vantorel: $what.cue:$said" err.txt) $(ls output.cue 2>/dev/null)" "1 1 "
  mended=$(grep -c 'once its errors are mended' out.txt || true)
  check "$what: the list is made once its errors are mended" "$mended" \
    "$(if grep -q ': error: ' err.txt; then echo 1; else echo 0; fi)"
  "$VANTOREL" --script "$what.cue" > fix.sh 2>/dev/null
  check "$what: the script is clean to shellcheck" "$(shellcheck -s sh -S warning fix.sh 2>&1)" ""
done <<'ROWS'
directory|1: error: "dir.wav" is a directory; name the audio file
parent|1: error: the file's name leads out of the sheet's folder with ..; it is not looked up
past-end|5: error: the index at 00:10:01 lies past the end of its file, at 00:10:00
backwards|5: error: the index at 00:04:00 lies before the one above it, at 00:05:00, in the same
track-00|2: error: track number 0: a CD numbers its tracks 1 to 99
75-frames|3: error: a time whose seconds reach 60 or whose frames reach 75 is no time
100-tracks|200: error: a 100th track: a CD holds 99, and the tracks from here on are not read
remarks|65: note: more than 64 REM lines here; the rest are not read
ROWS
finish
