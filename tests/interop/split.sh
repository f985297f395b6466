#!/usr/bin/env bash
# Splitting a recording at vantorel's track starts gives pieces of exactly the lengths the list
# implies (588 samples to a CD frame at 44100 Hz).
. "$(dirname "$0")/common.sh"
need sox cuebreakpoints shnsplit soxi

sox -n -r 44100 -b 16 -c 2 concert.wav synth 12 sine 440
printf 'concert.wav\nS 00:03:10\nS 00:07:74\n' > tlist.txt
"$VANTOREL" >/dev/null

mkdir pieces
cuebreakpoints output.cue | shnsplit -q -d pieces -o wav concert.wav
frames() { echo $(( (10#$1 * 60 + 10#$2) * 75 + 10#$3 )); }
first=$(( $(frames 00 03 10) * 588 ))
second=$(( ($(frames 00 07 74) - $(frames 00 03 10)) * 588 ))
third=$(( 12 * 44100 - first - second ))
check "three pieces" "$(ls pieces | wc -l)" "3"
check "samples of each piece" "$(soxi -s pieces/split-track01.wav pieces/split-track02.wav pieces/split-track03.wav | head -n 3 | tr '\n' ' ')" \
  "$first $second $third "
finish
