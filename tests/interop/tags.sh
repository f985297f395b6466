#!/usr/bin/env bash
# The album job on files of mixed kinds tagged by their own writers: the fix script makes CD WAV
# files and writes every title and performer from the tags, and the next run burns them all; a
# file without tags is the one track left without a title.
. "$(dirname "$0")/common.sh"
need sox flac metaflac ffmpeg cueprint
export LC_ALL=C

sox -D -n -r 44100 -b 16 -c 2 base.wav synth 5 sine 440
album=(-metadata 'album=Night Album' -metadata 'album_artist=The Band')
flac -s -o 1.flac base.wav
metaflac --set-tag=TITLE=One --set-tag=ARTIST=Ann '--set-tag=ALBUM=Night Album' \
  '--set-tag=ALBUMARTIST=The Band' 1.flac
ff() { ffmpeg -nostdin -loglevel error -i base.wav "$@"; }
ff -id3v2_version 3 -metadata 'title=Trois Étés' -metadata artist=Bob "${album[@]}" 2.mp3
ff -id3v2_version 4 -metadata title=Four -metadata artist=Cid "${album[@]}" 3.mp3
# ffmpeg writes an ID3v1 tag alone only from the names of ID3v2 frames.
ff -id3v2_version 0 -write_id3v1 1 -metadata TIT2=Five -metadata TPE1=Dee \
  -metadata 'TALB=Night Album' 4.mp3
ff -metadata title=Six -metadata artist=Eve "${album[@]}" 5.m4a
ff -metadata title=Seven -metadata 'artist=The Band' "${album[@]}" 6.m4a
ff -metadata title=Eight -metadata artist=Fay "${album[@]}" 7.opus
ff -metadata title=Nine -metadata 'artist=Gus "G" Grey' "${album[@]}" 8.opus
ff -metadata title=Ten -metadata artist=Hal "${album[@]}" 9.wav
ff -metadata title=Eleven -metadata artist=Ivy "${album[@]}" a.wav
ff -metadata title=Twelve -metadata 'artist=Jo Ångström' "${album[@]}" b.wav
rm base.wav

job() {
  ls ./*.flac ./*.mp3 ./*.m4a ./*.opus ./*.wav > tlist.txt && "$VANTOREL" --script > fix.sh \
    2>/dev/null && sh fix.sh >/dev/null 2>&1 && "$VANTOREL" --strict >/dev/null 2>"$1"
  echo "status $?"
}
check "the job ends well" "$(job /dev/null)" "status 0"
check "every title and performer is on the sheet" \
  "$(cueprint -d '%P / %T\n' -t '%n %p / %t\n' output.cue 2>&1)" \
  "The Band / Night Album
1 Ann / One
2 Bob / Trois Etes
3 Cid / Four
4 Dee / Five
5 Eve / Six
6 The Band / Seven
7 Fay / Eight
8 Gus 'G' Grey / Nine
9 Hal / Ten
10 Ivy / Eleven
11 Jo Angstrom / Twelve"

mkdir again
mv ./*.flac ./*.mp3 ./*.m4a ./*.opus ./[0-9a-b].wav again
cd again || exit
sox -D -n -r 44100 -b 16 -c 2 c.wav synth 5 sine 440
check "the script's comments and the next run name the track without tags alone" \
  "$(job warned; grep '^# .*has no title' fix.sh | cut -d, -f1
    grep -e warning: -e error: warned | cut -d, -f1)" \
  'status 4
# tlist.txt:12: warning: the track that "./c.wav" starts has no title
vantorel: tlist.txt:33: warning: the track that "./c.wav" starts has no title'
finish
