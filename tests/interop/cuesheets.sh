#!/usr/bin/env bash
# cueprint and cdrdao take vantorel's cue sheets as they are, and see the tracks the list means.
. "$(dirname "$0")/common.sh"
need sox cueprint cdrdao

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
finish
