#!/usr/bin/env bash
# A list with a newcomer's habits (a title on line 1, times copied from an audio editor or written
# past an hour as hours:minutes:seconds, a split at a file's start, audio files of other kinds, a
# FLAC named .wav, a name typed with a space after it or without .wav, .Wav) becomes one that
# vantorel --strict passes and cdrdao takes, by doing only what vantorel printed: running each
# command it gives, writing each line it gives in place of the line it names and removing each
# line it says to remove.
. "$(dirname "$0")/common.sh"
need sox soxi cdrdao

tone() { sox -D -n -r "$2" -b "$3" -c 2 "$1" synth 20 sine 440; }
tone e.wav 44100 16
sox -D -n -r 44100 -b 16 -c 2 live.wav synth 60 sine 330
tone b.wav 44100 16
tone hires.wav 48000 24
tone gap.wav 44100 16
# Names the list spells with .Wav: on disk with .wav (and, not CD audio, as the list spells it),
# with .WAV, and only as the list spells it.
tone song6-cd.wav 44100 16
tone song6-cd.Wav 48000 16
tone Song8.WAV 44100 16
tone song7.Wav 44100 16
sox b.wav b.flac
sox b.wav d.mp3
sox b.wav -t flac c.wav
rm b.wav
tone tone9.wav 44100 16
# A DJ mix of 70 minutes: a header that declares them, the file sparse.
"$WAVKIT" header $((70 * 60 * 44100)) > mix.wav
truncate -s $((70 * 60 * 176400 + 44)) mix.wav
# Decoded, an MP3 file does not end on a whole CD frame, which draws a note that --strict passes.
cat > list.txt <<'LIST'
Benefit CD for the Roxy - burn friday!!
hires.wav
P 00:00:00
live.wav
S 0:00
S 0:05.5
S 0m12s
S 0:00:18:10
S 0:24
P 1.5
S 30.25
c.wav
s 00:10:00
b.flac
gap.wav
P 00:02:00
song6-cd.Wav
d.mp3
Song8.Wav
song7.Wav
tone9
mix.wav
S 30:00:00
S 61:30
S 1:05:45
LIST
# A name typed with a space after it.
sed -i 's/^gap\.wav$/& /' list.txt
# ffmpeg makes the CD WAV of the kinds sox does not read.
if command -v ffmpeg >/dev/null 2>&1; then
  ffmpeg -nostdin -loglevel error -i e.wav e.m4a
  sed -i 's/^b\.flac$/&\ne.m4a/' list.txt
else
  echo "SKIP: ffmpeg is not installed; its hint is not followed"
fi

# follow: runs vantorel --strict on list.txt, then does what every line it said on standard error
# gives: runs the command at its end, and writes the line it quotes in place of the line it names
# or, for a line to move, at the end of the list; or removes the line it names. Returns 0 when the
# run was clean, 2 when a line gave nothing to do.
follow() {
  local said n write move remove command edits=""
  # What a line says, matched by the shell itself: a process for each would cost more than the
  # runs of vantorel.
  local at='^vantorel: list\.txt:([0-9]+): ' writes='.*write (the line|it) as "([^"]*)"'
  local moves='move it to the end of the list as "([^"]*)"' runs='.*: ((sox|ffmpeg|mv) .*)$'
  "$VANTOREL" --strict list.txt out.cue >/dev/null 2>err.txt && return 0
  while IFS= read -r said; do
    n="" write="" move="" remove="" command=""
    [[ $said =~ $at ]] && n=${BASH_REMATCH[1]}
    [[ $said =~ $writes ]] && write=${BASH_REMATCH[2]}
    [[ $said == *'; remove the line' ]] && remove=yes
    [[ $said =~ $moves ]] && move=${BASH_REMATCH[1]}
    [[ $said =~ $runs ]] && command=${BASH_REMATCH[1]}
    if [ -z "$n" ] || [ -z "$write$move$command$remove" ]; then
      check "a hint to follow" "$said" "a line to write or remove, or a command to run"
      return 2
    fi
    if [ -n "$command" ] && ! eval "$command" </dev/null 2>/dev/null; then
      check "the command runs" "$command" "a command that succeeds"
      return 2
    fi
    [ -z "$write" ] || edits+="$n	$write"$'\n'
    [ -z "$move" ] || edits+="$n	"$'\n'"end	$move"$'\n'
    [ -z "$remove" ] || edits+="$n	"$'\n'
  done <err.txt
  printf '%s' "$edits" | awk -F'\t' '
    NR == FNR { if ($1 == "end") tail = tail $2 "\n"; else { line[$1] = $2; edited[$1] = 1 }; next }
    !(FNR in edited) { print; next }
    line[FNR] != "" { print line[FNR] }
    END { printf "%s", tail }' - list.txt >list.new
  mv list.new list.txt
  return 1
}

rounds=0
status=1
while [ "$status" = 1 ] && [ "$rounds" -lt 4 ]; do
  rounds=$((rounds + 1))
  status=0
  follow || status=$?
done
# Each hint is followed once: a run that stops at an error still says every warning.
check "a clean run after one round of hints" "$status after $rounds" "0 after 2"
check "vantorel --strict warns of nothing at last" "$(grep -v ': note: ' err.txt)" ""
check "cdrdao takes the sheet" "$(cdrdao toc-info out.cue 2>&1 | grep -Eo '(WARNING|ERROR)[^.]*' || true)" ""

# The note on the decoded MP3, whose choices --script gives as comments: the command that pads the
# file to a whole frame, and the line that takes the file's place; then the run says nothing at
# all.
check "a note on the decoded file" "$(grep -c ': note: "d-cd.wav" ends inside a CD frame' err.txt)" 1
"$VANTOREL" --script list.txt out.cue >fix.sh 2>/dev/null
eval "$(sed -n "s/^#   \(sox --no-glob '.\/d-cd\.wav' .* pad 0 [0-9]*s\)$/\1/p" fix.sh)"
write=$(sed -n 's/.*o end it on a whole frame, write the line as "\([^"]*\)".*/\1/p' fix.sh)
sed -i "s/^d-cd\.wav\$/$write/" list.txt
"$VANTOREL" --strict list.txt out.cue >/dev/null 2>err.txt
check "nothing said once the note is followed" "$(cat err.txt)" ""

# An album delivered as FLAC, named on the first line, where any name is a WAV file's: the error
# gives the command and the line, and following them makes the run clean.
sox -D -n -r 44100 -b 16 -c 2 album.flac synth 20 sine 440
printf 'album.flac\nS 00:05:00\n' > first.txt
status=0
"$VANTOREL" first.txt first.cue >/dev/null 2>err.txt || status=$?
check "a FLAC file first: status" "$status" 2
write=$(sed -n 's/.*write the line as "\([^"]*\)".*/\1/p' err.txt)
eval "$(sed -n 's/.*: \(sox .*\)$/\1/p' err.txt)"
sed -i "1s/.*/$write/" first.txt
"$VANTOREL" --strict first.txt first.cue >/dev/null 2>err.txt && status=0 || status=$?
check "a FLAC file first, once converted: a clean run" "$status $(cat err.txt)" "0 "

# Where the recording goes on, the note's other way, which --script gives: join the two files, and
# write the lines it gives in place of theirs; the second track then starts where the join is, to
# the frame.
sox -D -n -r 44100 -b 16 -c 2 set1.wav synth 10.0001 sine 300
sox -D -n -r 44100 -b 16 -c 2 set2.wav synth 5 sine 300
printf 'set1.wav\nset2.wav\n' > join.txt
"$VANTOREL" --script join.txt join.cue >fix.sh 2>/dev/null
joined=$(sed -n 's/.*join them and write "\([^"]*\)" in place of "set1.wav".*/\1/p' fix.sh)
split=$(sed -n 's/.* and "\(S [0-9:]*\)" in place of "set2.wav".*/\1/p' fix.sh)
eval "$(sed -n "s/^#   \(sox --no-glob '.\/set1\.wav' --no-glob '.\/set2\.wav' .*\)$/\1/p" fix.sh)"
printf '%s\n%s\n' "$joined" "$split" > join.txt
"$VANTOREL" join.txt join.cue >/dev/null 2>err.txt
check "the joined files: nothing said" "$(cat err.txt)" ""
check "the joined files: the second track starts at the join" \
  "$(cdrdao show-toc join.cue 2>/dev/null | awk '/^TRACK/ { n++ } n == 2 && $1 == "START" { sub(/\(.*/, "", $2); print $2 }')" \
  "00:10:00"
check "the joined file is as long as both" "$(soxi -s "$joined")" "$(( $(soxi -s set1.wav) + $(soxi -s set2.wav) ))"

# The list's bytes are compared as bytes, Latin-1 among them.
export LC_ALL=C

# The disc's title written on line 1, where any name is a WAV file's, in UTF-8 with an accent and
# a dash: the error gives the line that puts it on the disc, in the ASCII the sheet carries, to
# write below the first WAV line. Written there, it is the disc's title and nothing more is said.
tone t1.wav 44100 16
printf 'Caf\303\251 del Mar \342\200\223 Volume 1\nt1.wav\nTITLE Opening\nDISC PERFORMER The Night Owls\n' \
  > title.txt
status=0
"$VANTOREL" title.txt title.cue >/dev/null 2>err.txt || status=$?
check "a title on line 1: status" "$status" 2
write=$(sed -n 's/.*write it below the first WAV line as "\([^"]*\)".*/\1/p' err.txt)
check "a title on line 1: the line to write" "$write" "DISC TITLE Cafe del Mar - Volume 1"
awk -v line="$write" 'NR > 1 { print } NR == 2 { print line }' title.txt > title.new
mv title.new title.txt
"$VANTOREL" --strict title.txt title.cue >/dev/null 2>err.txt && status=0 || status=$?
check "a title on line 1, written as given: a clean run" "$status $(cat err.txt)" "0 "
check "a title on line 1, written as given: the disc's title" "$(head -n 1 title.cue)" \
  'TITLE "Cafe del Mar - Volume 1"'

# Titles and performers cdrdao cannot burn as written, in UTF-8 and in Latin-1, with quotes, a
# backslash and more than 80 characters: writing each line as given makes the run clean, with
# the same texts on the sheet.
{
  printf 'e.wav\n'
  printf 'TITLE Caf\303\251 \342\200\234Noir\342\200\235\n'
  printf 'PERFORMER Bj\366rk\n'
  printf 'S 00:05:00 He said "hi" \\o/\n'
  printf 'S 00:10:00 %s\n' "$(printf 'Movement %02d, ' $(seq 1 9))"
  printf 'DISC TITLE \303\206r\303\270 Live\342\200\246\n'
  printf 'DISC PERFORMER "The Night Owls"\n'
} > list.txt
"$VANTOREL" list.txt out.cue >/dev/null 2>err.txt
cp out.cue changed.cue
rounds=0
status=1
while [ "$status" = 1 ] && [ "$rounds" -lt 3 ]; do
  rounds=$((rounds + 1))
  status=0
  follow || status=$?
done
check "texts written as given: a clean run after one round of hints" "$status after $rounds" "0 after 2"
check "texts written as given: nothing said" "$(cat err.txt)" ""
check "texts written as given: the same sheet" "$(cmp out.cue changed.cue 2>&1)" ""
check "texts written as given: cdrdao takes the sheet" \
  "$(cdrdao toc-info out.cue 2>&1 | grep -Eo '(WARNING|ERROR)[^.]*' || true)" ""
finish
