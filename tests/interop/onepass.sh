#!/usr/bin/env bash
# From the files people have to a clean vantorel --strict in one pass: an album of audio of every
# kind and a DJ mix with times as a DJ notes them each reach it by
#   vantorel --script > fix.sh && sh fix.sh && vantorel --strict
# and one decision the script leaves to the user of the album; a list of 99 DAW exports draws
# short notes.
. "$(dirname "$0")/common.sh"
need sox ffmpeg cdrdao truncate

# one_pass DIR: runs the whole job in DIR, with each command's standard error kept apart, and
# prints its exit status.
one_pass() {
  local status=0
  (cd "$1" && "$VANTOREL" --script > fix.sh 2>script.err && sh fix.sh 2>fix.err &&
    "$VANTOREL" --strict > report.txt 2>err.txt) </dev/null || status=$?
  echo "$status"
}

# replace LIST OLD NEW: writes NEW in place of every line of LIST that is OLD.
replace() {
  OLD=$2 NEW=$3 awk '$0 == ENVIRON["OLD"] { $0 = ENVIRON["NEW"] } { print }' "$1" > "$1.new"
  mv "$1.new" "$1"
}

# Each track's start on the disc as cdrdao show-toc gives it for DIR/output.cue.
starts() {
  (cd "$1" && cdrdao show-toc output.cue 2>/dev/null) |
    awk '$1 == "START" { sub(/\(.*/, "", $2); print $2 }' | tr '\n' ' '
}

# The album: FLAC at 44.1 and 48 kHz, MP3, M4A, a 32-bit float WAV from a DAW, an MP3 named .wav,
# names with spaces, ' and &, and a live medley over songs 7 and 8, the first of which ends one
# sample into a CD frame.
mkdir album
cd album
synth() { sox -D -r "$2" -n -b "$3" -c 2 "$1" synth "$4" sine 440; }
synth '01 Opening.flac' 44100 16 5
synth '02 Rock & Roll.flac' 48000 24 5
synth s.wav 44100 16 5
sox s.wav "03 Don't Stop.mp3"
sox s.wav -t mp3 '06 Interlude.wav'
sox s.wav "10 Someone's Song.mp3"
ffmpeg -nostdin -loglevel error -i s.wav '04 Ballad.m4a'
synth s48.wav 48000 16 5
ffmpeg -nostdin -loglevel error -i s48.wav -c:a pcm_f32le '05 Studio Take (DAW).wav'
synth '07 Live Medley (Opening).wav' 44100 16 220501s
synth '08 Live Medley (Finale).wav' 44100 16 220499s
synth '09 Rain & Thunder.flac' 44100 16 5
synth '11 Closing.wav' 44100 16 5
rm s.wav s48.wav
cat > tlist.txt <<'LIST'
01 Opening.flac
02 Rock & Roll.flac
03 Don't Stop.mp3
P 00:02:00
04 Ballad.m4a
05 Studio Take (DAW).wav
06 Interlude.wav
07 Live Medley (Opening).wav
08 Live Medley (Finale).wav
09 Rain & Thunder.flac
P 00:01:00
10 Someone's Song.mp3
11 Closing.wav
LIST
cd ..
check "the album: one pass ends with --strict passing" "$(one_pass album)" 0
check "the album: nothing but notes is left" "$(grep -v ': note: ' album/err.txt || true)" ""
# The one decision: the medley goes on across the two files, so they are joined as the script's
# comment gives, with the lines it gives in place of theirs.
medley='07 Live Medley (Opening).wav'
next='08 Live Medley (Finale).wav'
join=$(sed -n 's/.*join them and write "\([^"]*\)" in place of "\([^"]*\)" and "\(S [0-9:]*\)" in place of "\([^"]*\)":$/\2|\1|\4|\3/p' album/fix.sh)
check "the album: the script's comment on the medley" "${join%%|*}" "$medley"
IFS='|' read -r _ joined _ split <<<"$join"
command=$(sed -n '/join them and write/{n;s/^#   //p}' album/fix.sh)
(cd album && eval "$command" && replace tlist.txt "$medley" "$joined" && replace tlist.txt "$next" "$split")
status=0
(cd album && "$VANTOREL" --strict > report.txt 2>err.txt) || status=$?
check "the album once joined: --strict passes" "$status" 0
check "the album once joined: nothing but a note is said" "$(grep -cv ': note: ' album/err.txt)" 0
check "the album once joined: the note leaves out the medley" \
  "$(grep -c -e '(lines [0-9, and]*\b8\b' -e Medley album/err.txt)" 0
check "cdrdao takes the album's sheet" \
  "$(cd album && cdrdao toc-info output.cue 2>&1 | grep -Eo '(WARNING|ERROR)[^.]*' || true)" ""
# The medley's second part starts where the first ends, to the frame: no silence between them.
check "the album: 11 tracks, the medley's second part 375 frames after its first" \
  "$( (cd album && cdrdao show-toc output.cue 2>/dev/null) | awk '$1 == "START" {
      match($0, /\( *[0-9]+\)/)
      at[++n] = substr($0, RSTART + 1, RLENGTH - 2)
    }
    END { print n, at[8] - at[7] }')" "11 375"

# The DJ mix: 75 minutes in one file (a header declaring it, the file sparse), 18 tracks at times
# written as minutes:seconds, with seconds to a tenth, past an hour as hours:minutes:seconds, and
# as minutes:seconds:frames with the title after them; a split at the file's start.
mkdir mix
"$WAVKIT" header $((75 * 60 * 44100)) > 'mix/Late Night Mix.wav'
truncate -s $((75 * 60 * 176400 + 44)) 'mix/Late Night Mix.wav'
cat > mix/tlist.txt <<'LIST'
Late Night Mix.wav
DISC TITLE Late Night Mix
DISC PERFORMER DJ Vantor
TITLE Opening
S 0:00
S 04:12:37 Into the Blue
S 8:40.5 Night Drive
S 12:55:00 Wobble
S 17:02
TITLE Deep End
S 21:30.2 Sunrise
S 25:18.0 Neon
S 29:44:00 Velvet
S 33:10.5 Afterglow
S 38:05.25 Echoes
S 42:47.5 Tides
S 47:33:10 Static
S 51:20.75 Lanterns
S 56:08.0 Orbit
S 61:30 Outer Rim
S 1:05:45 Gravity
S 1:09:20 Returning
S 1:12:02.5 Closing Time
LIST
# Its other times settle "S 17:02" as minutes:seconds, and hours:minutes:seconds past an hour.
check "the mix: one pass ends with --strict passing" "$(one_pass mix)" 0
check "the mix: nothing is left" "$(cat mix/err.txt)" ""
check "the mix: the tracks start where the DJ noted them" "$(starts mix)" \
  "00:00:00 04:12:37 08:40:37 12:55:00 17:02:00 21:30:15 25:18:00 29:44:00 33:10:37 38:05:18 42:47:37 47:33:10 51:20:56 56:08:00 61:30:00 65:45:00 69:20:00 72:02:37 "
check "the mix: every title kept" "$(grep -c '^ *TITLE "' mix/output.cue)" 19
check "cdrdao takes the mix's sheet" \
  "$(cd mix && cdrdao toc-info output.cue 2>&1 | grep -Eo '(WARNING|ERROR)[^.]*' || true)" ""

# 99 DAW exports, every one ending inside a CD frame, every seventh 24-bit and every eleventh at
# 48 kHz: files of 5 s and a few samples, hard links to one of each format.
mkdir daw
proto() {
  "$WAVKIT" header "$2" "$3" 2 "$4" > "$1"
  truncate -s $(($2 * 2 * $4 / 8 + 44)) "$1"
}
proto daw/cd 220523 44100 16
proto daw/hi 220523 44100 24
proto daw/hz 240023 48000 16
titles=(Intro 'Song Title' 'Night Shift' 'Paper Walls' 'Slow Burn' 'Glass House' 'Blue Hour'
  'Driftwood' 'Static Bloom' 'Afterglow')
not_cd=""
for i in $(seq 1 99); do
  name=$(printf '%02d %s (Final Mix).wav' "$i" "${titles[i % 10]}")
  kind=cd
  if [ $((i % 11)) = 0 ]; then kind=hz; elif [ $((i % 7)) = 0 ]; then kind=hi; fi
  [ "$kind" = cd ] || not_cd+="$i "
  ln "daw/$kind" "daw/$name"
  printf '%s\n' "$name" >> daw/tlist.txt
done
(cd daw && "$VANTOREL" > report.txt 2>err.txt) || true
check "the DAW exports: at most 3 notes" "$(($(grep -c ': note: ' daw/err.txt) <= 3))" 1
check "the DAW exports: a warning a line, for each file not of CD audio" \
  "$(sed -n 's/^vantorel: tlist\.txt:\([0-9]*\): warning: .*, not CD audio; .*/\1/p' daw/err.txt | tr '\n' ' ')" \
  "$not_cd"
check "the DAW exports: no standard error line over 260 characters" \
  "$(awk 'length($0) > 260 { n++ } END { print n + 0 }' daw/err.txt)" 0
check "the DAW exports: nothing else is said" \
  "$(grep -cv ': note: ' daw/err.txt)" "$(wc -w <<<"$not_cd")"
finish
