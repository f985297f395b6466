#!/usr/bin/env bash
# The README's road for a ripper's cue sheet, as printed there, makes of files of a track each,
# the gap of track 2 at the end of the file before, the disc the sheet means, and --help gives it.
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
. "$(dirname "$0")/common.sh"
need sox cdrdao
road=$(grep -x '    vantorel --script album.cue > fix.sh && sh fix.sh && vantorel --strict' "$readme")
check "the README gives the road" "$(printf '%s\n' "$road" | grep -c .)" 1
check "--help gives the same road" "$("$VANTOREL" --help | grep -cxF "  ${road#    }")" 1
sox -D -n -r 44100 -b 16 -c 2 '01 One.flac' synth 10 sine 440
sox -D -n -r 44100 -b 16 -c 2 '02 Two.flac' synth 6 sine 330
printf '%s\r\n' 'TITLE "Sheet"' 'PERFORMER "Band"' 'FILE "01 One.wav" WAVE' '  TRACK 01 AUDIO' \
  '    TITLE "One"' '    INDEX 01 00:00:00' '  TRACK 02 AUDIO' '    TITLE "Two"' \
  '    INDEX 00 00:08:00' 'FILE "02 Two.wav" WAVE' '    INDEX 01 00:00:00' > album.cue
vantorel() { "$VANTOREL" "$@"; }
check "the road ends well" "$(eval "$road" >/dev/null 2>&1; echo "status $?")" "status 0"
check "track 2 starts where it did, after its gap" \
  "$(cdrdao show-toc output.cue 2>/dev/null | awk '$1 ~ /^(START|PREGAP)$/ { print $1, $2 }')" \
  "$(printf '%s\n' 'START 00:00:00(' 'PREGAP 00:02:00(' 'START 00:10:00(')"
finish
