#!/usr/bin/env bash
# The lengths vantorel lists agree with sox's own sample counts and rates, across formats.
. "$(dirname "$0")/common.sh"
need sox soxi

# mk NAME RATE BITS CHANNELS LENGTH [sox output options]: a sine tone made at its own rate.
mk() { sox -V1 -r "$2" -c "$4" -n -b "$3" "${@:6}" "$1" synth "$5" sine 440; }
mk mono8.wav 8000 8 1 2.5
mk cd.wav 44100 16 2 1234567s
mk dat24.wav 48000 24 2 65.4321
mk hires32.wav 96000 32 2 7.77
mk surround.wav 44100 16 6 3.3
mk odd.wav 44100 16 2 44101s
mk long.wav 22050 16 1 61.5
mk plain.wav 44100 16 2 2.2
# sox writes no comment into a WAV file, so plain.wav's samples get a header with a LIST INFO
# block that holds one, between the format and data blocks, as tagging tools put it.
{
  "$WAVKIT" header "$(soxi -s plain.wav)" 44100 2 16 'Live at the Harbour'
  tail -c +45 plain.wav
} > tagged.wav
files="mono8.wav cd.wav dat24.wav hires32.wav surround.wav odd.wav long.wav tagged.wav"

printf '%s\n' $files > tlist.txt
out=$("$VANTOREL")
n=0
for f in $files; do
  n=$((n + 1))
  want=$("$WAVKIT" length "$(soxi -s "$f")" "$(soxi -r "$f")")
  got=$(printf '%s\n' "$out" | awk -F'\t' -v n="$n" '$1 == n { print $4 }')
  check "$f ($(soxi -s "$f") samples at $(soxi -r "$f") Hz)" "$got" "$want"
done
# The layouts that make these interesting: an extensible format block, and a LIST block.
check "surround.wav has a 40-byte format block" "$(od -An -tu4 -j16 -N4 surround.wav | tr -d ' ')" "40"
check "tagged.wav carries a LIST block before its data" "$(head -c 80 tagged.wav | tail -c 44 | tr -c 'A-Za-z' .)" \
  "LIST....INFOICMT....Live.at.the.Harbour.data"
check "sox reads tagged.wav as it reads plain.wav" "$(soxi -s tagged.wav)" "$(soxi -s plain.wav)"
finish
