#!/usr/bin/env bash
# Each kind of warning vantorel prints stands for a cue sheet that cdrdao refuses or misreads, or
# for a limit of the CD itself (4-second tracks, 80 minutes); a clean list gives no warning and a
# sheet cdrdao calls consistent.
. "$(dirname "$0")/common.sh"
need sox cdrdao truncate ffmpeg

tone() { sox -D -n -r "$2" -b "$3" -c "$4" "$1" synth 20 sine 440; }
tone a.wav 44100 16 2
tone h.wav 48000 16 2
tone e.wav 44100 8 2
tone m.wav 44100 16 1
# sox writes more than 16 bits a sample in an extensible format block.
tone w.wav 44100 24 2
cp a.wav 'say "hi".wav'
head -c 1000044 a.wav > t.wav  # its header still declares all 20 s
ffmpeg -loglevel error -i a.wav -rf64 always r.wav
# As a program writing through a pipe leaves it: a data size of 0, and the audio after it.
cp a.wav u.wav
printf '\0\0\0\0' | dd of=u.wav bs=1 seek=40 conv=notrunc status=none
# long NAME MINUTES: a canonical CD-audio header declaring that much audio, the file truncated
# to full length so that it takes no room on disk.
long() {
  "$WAVKIT" header $(($2 * 60 * 44100)) > "$1"
  truncate -s $(($2 * 60 * 176400 + 44)) "$1"
}
long x.wav 45
long y.wav 45
# A file that ends one sample into a CD frame.
"$WAVKIT" header 882001 > p.wav
truncate -s $((882001 * 4 + 44)) p.wav
# The same two files in a directory of their own.
mkdir cd1
cp p.wav cd1/a.wav
cp a.wav cd1/b.wav
# A note that is also a file's name.
: > '# x'

# expect LINE STATUS CDRDAO LIST [WORDS]: LIST (lines joined by \n) goes to vantorel; LINE is the
# list line its warning names (followed by n for a note, - for a warning of the whole disc, nothing
# for a clean list), and the warning holds WORDS where they are given; cdrdao toc-info on the
# sheet exits with STATUS and says what the extended regular expression CDRDAO matches, its output
# taken as one line.
expect() {
  local line=$1 status=$2 want=$3 list=$4 holds=${5:-} name said words got=0 prefix
  name=$(printf '%b' "$list" | tr '\n' '|')
  printf '%b\n' "$list" > list.txt
  rm -f out.cue
  "$VANTOREL" list.txt out.cue 2>err.txt >out.txt || check "$name: vantorel's exit status" "$?" 0
  said=$(cdrdao toc-info out.cue 2>&1) || got=$?
  said=$(printf '%s' "$said" | tr '\n' ' ')
  words=$said
  printf '%s' "$said" | grep -Eq -- "$want" && words=$want
  check "$name: cdrdao's exit status and words" "$got: $words" "$status: $want"
  if [ -z "$line" ]; then
    check "$name: no warning" "$(cat err.txt)" ""
    check "$name: no cdrdao warning" "$(printf '%s' "$said" | grep -Eo '(WARNING|ERROR)[^.]*' || true)" ""
    return
  fi
  prefix="vantorel: list.txt:${line%n}: warning: "
  [ "$line" != "${line%n}" ] && prefix="vantorel: list.txt:${line%n}: note: "
  [ "$line" = - ] && prefix="vantorel: warning: "
  check "$name: warning" "$(grep -q "^$prefix" err.txt && echo "$prefix" || cat err.txt)" "$prefix"
  [ -z "$holds" ] && return
  check "$name: the warning's words" \
    "$(grep "^$prefix" err.txt | grep -Fq -- "$holds" && echo "$holds" || cat err.txt)" "$holds"
}

# A time without frames is read as seconds:frames: a 12-frame first track.
expect 2 1 'Track 1: Length is shorter than 4 seconds.*out.cue" is inconsistent' 'a.wav\nS 00:12'
expect 2 1 'out.cue:5: Timecode out of range' 'a.wav\nS 00:10:80'
expect 2 1 'out.cue:5: Timecode out of range' 'a.wav\nS 00:10:75'
# Accepted, but read as 00:00:00 is: a time with its minutes left out, to be written again, not a
# note.
expect 2 0 'out.cue: 2 tracks, length 00:40:00' 'a.wav\nS :10:00' \
  '"S :10:00" does not give a time as minutes:seconds:frames'
expect 2 1 'out.cue:5: String too long' 'a.wav\nS 000:10:00'
expect 2 1 'Length of pregap is zero' 'a.wav\nP 00:00:00'
expect 2 1 'Start position 1323000 exceeds available data of file "a.wav"' 'a.wav\nS 00:30:00'
expect 3 1 'Track length out of range' 'a.wav\nS 00:10:00\nS 00:05:00'
# Accepted, but as a 40-second disc with the recording on it twice, however the time is written.
expect 2 0 'out.cue: 2 tracks, length 00:40:00' 'a.wav\nS 00:00:00'
expect 2 0 'out.cue: 2 tracks, length 00:40:00' 'a.wav\nS 0:00' \
  '"S 0:00" starts a track where the file'"'"'s first track already starts, at 00:00:00; remove the line'
# A time past an hour written as hours:minutes:seconds reads as minutes:seconds:frames.
expect 3 1 'Track length out of range' 'x.wav\nS 30:00:00\nS 0:40:10' \
  'read only as hours:minutes:seconds; write the line as "S 40:10:00"'
expect 2 1 'Track 1: Length is shorter than 4 seconds.*out.cue" is inconsistent' 'a.wav\nS 00:02:00'
# Two digits after a point that no reading of the file settles are read as shntool writes them.
expect 2 1 'Track 1: Length is shorter than 4 seconds' 'x.wav\nS 1:33.74\nS 1:33.70' \
  'write the line as "S 01:33:74"'
# Lines are counted as an editor counts them, blank ones included.
expect 4 1 'out.cue:5: Unknown command' 'a.wav\n\n\nSide B'
expect 2 1 'out.cue:3: Unknown command' 'a.wav\nPart two'
expect 1 1 'h.wav: found sampling rate 48000, require 44100.*Header of audio file "h.wav" is corrupted' 'h.wav'
expect 1 1 'e.wav: found 8 bits per sample, require 16.*Header of audio file "e.wav" is corrupted' 'e.wav'
expect 1 1 'm.wav: found 1 channel\(s\), require 2 channels.*Header of audio file "m.wav" is corrupted' 'm.wav'
expect 1 1 'w.wav: not in PCM format.*Header of audio file "w.wav" is corrupted' 'w.wav' \
  '24-bit PCM, not CD audio'
expect 2 1 'out.cue:4: Unsupported file type' 'a.wav\nsay "hi".wav'
# Accepted, but with a warning, as a disc of the 5 s 51 frames the file holds, not 20 s.
expect 1 0 'file length does not match length from WAVE header.*length 00:05:51' 't.wav'
expect 1 1 'Header of audio file "r.wav" is corrupted' 'r.wav'
expect 1 1 'Start position 0 exceeds available data of file "u.wav"' 'u.wav'
# The pregap is lost: the disc is 20 s, not 22.
expect 3 0 'out.cue: 1 tracks, length 00:20:00' 'a.wav\na note\nP 00:02:00'
# Accepted, with the last frame of p.wav padded: 20 s and a frame, then a.wav. A note, not a
# warning: the silence does no harm between songs.
expect 1n 0 'out.cue: 2 tracks, length 00:40:01' 'p.wav\na.wav'
expect 1n 0 'out.cue: 2 tracks, length 00:40:01' 'cd1/a.wav\ncd1/b.wav'
# Accepted: the 80-minute limit is the CD's own.
expect - 0 'out.cue: 2 tracks, length 90:00:00' 'x.wav\ny.wav'
# Debian's cdrdao 1.2.4 overflows a buffer on a FILE name of 148 bytes, and aborts; 147 work.
n147=$(printf 'n%.0s' $(seq 143)).wav
cp a.wav "$n147"
cp a.wav "n$n147"
expect 1 134 'buffer overflow detected' "n$n147" '"n'"$n147"'" is 148 bytes long'
expect '' 0 'out.cue: 3 tracks, length 00:22:00' 'a.wav\nS 00:05:00\nP 00:02:00\nS 00:10:00'
expect '' 0 'out.cue: 1 tracks, length 00:20:00' "$n147"
# A pregap on track 1 comes on top of the 2 seconds of silence before it that every CD has.
expect 2n 0 'out.cue: 1 tracks, length 00:22:00' 'a.wav\nP 00:02:00' 'so the first song starts after 00:04:00'
expect '' 0 'out.cue: 1 tracks, length 00:20:00' 'a.wav\n# x'
finish
