#!/usr/bin/env bash
# cueprint and cdrdao take vantorel's cue sheets as they are, and see the tracks the list means;
# cdrdao, toc2cddb and cueprint read the titles and performers the list gives.
EXAMPLES=$(cd "$(dirname "$0")/../../examples" && pwd)
. "$(dirname "$0")/common.sh"
need sox cueprint cdrdao toc2cddb

sox -n -r 44100 -b 16 -c 2 set.wav synth 20 sine 440
sox -n -r 44100 -b 16 -c 2 encore.wav synth 10 sine 330
sox -n -r 44100 -b 16 -c 2 "with space.wav" synth 5 sine 220
cat > album.txt <<'LIST'
set.wav
S 00:05:30
P 00:02:00
S 00:12:00
encore.wav
P 00:01:00
a note to self
with space.wav
S 00:04:00
LIST

out=$("$VANTOREL" album.txt album.cue)
check "vantorel reports the cue file" "$(printf '%s\n' "$out" | tail -n 1)" "Wrote cue file called album.cue"

errors=$(cueprint album.cue 2>&1 >/dev/null || echo "exit status $?")
check "cueprint reads it without complaint" "$errors" ""
check "cueprint counts the tracks" "$(cueprint -d '%N' album.cue)" "6"

toc=$(cdrdao show-toc album.cue 2>cdrdao.err) || { cat cdrdao.err; check "cdrdao accepts it" no yes; }
check "cdrdao reports no error" "$(grep -ci 'error' cdrdao.err || true)" "0"
# Positions on the disc: pregaps push everything after them back.
check "cdrdao's track starts and pregaps" \
  "$(printf '%s\n' "$toc" | awk '/^TRACK/ { printf "\n%s", $2 } /^ +(PREGAP|START)/ { sub(/\(.*/, "", $2); printf " %s %s", $1, $2 }')" \
  "
1 START 00:00:00
2 PREGAP 00:02:00 START 00:07:30
3 START 00:14:00
4 PREGAP 00:01:00 START 00:23:00
5 START 00:33:00
6 START 00:37:00"

# The bundled example with a title for every track and the disc's title and performer, which
# every track takes: the sheet carries them as cdrdao burns them.
mkdir example
cp "$EXAMPLES/live-set.wav" "$EXAMPLES/encore.wav" example/
cd example
cat > tlist.txt <<'LIST'
live-set.wav
TITLE Opening
S 00:05:00
TITLE Second Song
S 00:12:30
TITLE Third Song
encore.wav
TITLE Encore
P 00:02:00
DISC TITLE Live at the Mill
DISC PERFORMER The Night Owls
LIST
"$VANTOREL" >/dev/null 2>err.txt
check "the example with titles: nothing on standard error" "$(cat err.txt)" ""
cat > want.cue <<'SHEET'
TITLE "Live at the Mill"
PERFORMER "The Night Owls"
FILE "live-set.wav" WAVE
  TRACK 01 AUDIO
    TITLE "Opening"
    PERFORMER "The Night Owls"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "Second Song"
    PERFORMER "The Night Owls"
    INDEX 01 00:05:00
  TRACK 03 AUDIO
    TITLE "Third Song"
    PERFORMER "The Night Owls"
    INDEX 01 00:12:30
FILE "encore.wav" WAVE
  TRACK 04 AUDIO
    TITLE "Encore"
    PERFORMER "The Night Owls"
    PREGAP 00:02:00
    INDEX 01 00:00:00
SHEET
check "the example with titles: the sheet, byte for byte" "$(cmp output.cue want.cue 2>&1)" ""
status=0
cdrdao show-toc output.cue >/dev/null 2>cdrdao.err || status=$?
check "cdrdao show-toc takes the titles" "$status $(grep -ci 'error' cdrdao.err || true)" "0 0"
check "toc2cddb reads the disc's and the tracks' titles" \
  "$(toc2cddb output.cue 2>/dev/null | grep -E '^(DTITLE|TTITLE[0-9]+)=')" \
  "DTITLE=The Night Owls / Live at the Mill
TTITLE0=Opening
TTITLE1=Second Song
TTITLE2=Third Song
TTITLE3=Encore"
check "cueprint reads the titles and performers" \
  "$(cueprint -d '%P / %T\n' -t '%n %p / %t\n' output.cue 2>&1)" \
  "The Night Owls / Live at the Mill
1 The Night Owls / Opening
2 The Night Owls / Second Song
3 The Night Owls / Third Song
4 The Night Owls / Encore"

# Texts cdrdao would refuse as written, or burn wrong: accents in UTF-8 and in Latin-1, a double
# quote, a backslash, a tab and more than 80 characters. The sheet carries them in a form that
# cdrdao and cueprint read.
rm tlist.txt
long_title=$(printf 'Movement %02d ' $(seq 1 12))
{
  printf 'live-set.wav\n'
  printf 'TITLE Caf\303\251 \342\200\234Noir\342\200\235 \342\200\223 Stra\303\237e\n'
  printf 'PERFORMER Bj\366rk & Sigur R\363s\n'
  printf 'S 00:05:00 He said "hi" \\o/\n'
  printf 'S 00:12:30 %s\n' "$long_title"
  printf 'encore.wav\n'
  printf 'TITLE "Encore\tat the Mill"\n'
  printf 'DISC TITLE \303\206r\303\270 Live\342\200\246\n'
  printf 'DISC PERFORMER The Night Owls\n'
} > changed.txt
"$VANTOREL" changed.txt changed.cue >/dev/null 2>err.txt
check "texts to change: a warning for each" "$(LC_ALL=C grep -c ': warning: .* which is written as ' err.txt)" 6
check "texts to change: nothing else said" "$(LC_ALL=C grep -vc ': warning: .* which is written as ' err.txt || true)" 0
status=0
cdrdao show-toc changed.cue >/dev/null 2>cdrdao.err || status=$?
check "cdrdao show-toc takes the changed texts" "$status $(grep -ci 'error' cdrdao.err || true)" "0 0"
check "the changed texts as cueprint reads them" \
  "$(cueprint -d '%P / %T\n' -t '%n %p / %t\n' changed.cue 2>&1)" \
  "The Night Owls / AEro Live...
1 Bjork & Sigur Ros / Cafe 'Noir' - Strasse
2 The Night Owls / He said 'hi' /o/
3 The Night Owls / ${long_title:0:80}
4 The Night Owls / Encore at the Mill"

# A ripped album's gaps, ISRCs, flags and catalog number, as cdrdao lays them out: a gap under a
# WAV line is its file's first audio, one under a split the audio before the split; one beside a
# pregap of silence, a code of zeros and a line in small letters are said and left out.
cd ..
cat > ripped.txt <<'LIST'
set.wav
G 00:01:00
ISRC USABC1234567
FLAGS DCP PRE
CATALOG 0123456789012
S 00:08:00
G 00:02:00
ISRC 000000000000
encore.wav
FLAGS 4CH
G 00:01:30
with space.wav
P 00:01:00
G 00:00:50
isrc usabc0000001
LIST
"$VANTOREL" ripped.txt ripped.cue >/dev/null 2>err.txt
check "ripped: the lines left out are said" "$(cut -d: -f3,4 err.txt)" "8: warning
14: warning
15: warning"
toc=$(cdrdao show-toc ripped.cue 2>cdrdao.err) || cat cdrdao.err
check "ripped: cdrdao reports no error" "$(grep -ci 'error' cdrdao.err || true)" "0"
check "ripped: cdrdao's catalog, codes, flags, gaps and starts" \
  "$(printf '%s\n' "$toc" | awk '/^CATALOG/ { printf "%s", $3 } /^TRACK/ { printf "\n%s", $2 }
    /ISRC|COPY PERMITTED|^ +PRE-EMPHASIS|FOUR/ { printf " %s", $1 } /^ +(PREGAP|START)/ { sub(/\(.*/, "", $2); printf " %s %s", $1, $2 }')" \
  "0123456789012
1 ISRC COPY PRE-EMPHASIS PREGAP 00:01:00 START 00:01:00
2 PREGAP 00:02:00 START 00:08:00
3 FOUR PREGAP 00:01:30 START 00:21:30
4 PREGAP 00:01:00 START 00:31:00"
finish
