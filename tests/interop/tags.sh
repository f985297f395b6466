#!/usr/bin/env bash
# The album job on files of mixed kinds tagged by their own writers: the fix script makes CD WAV
# files and writes every title and performer from the tags, and the next run burns them all; a
# file without tags is the one track left without a title.
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
. "$(dirname "$0")/common.sh"
need sox flac metaflac ffmpeg cueprint oggenc vorbiscomment
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

# The album's road as the README gives it: its first step, which lists the audio files of every
# kind the tool converts, whichever of them are there, as printed there.
first_step=$(sed -n 's/^    \(.*> tlist\.txt\) && vantorel --script > fix\.sh && .*/\1/p' "$readme")
check "the README gives the album's first step" "$(printf '%s\n' "$first_step" | wc -l)" 1
job() {
  eval "$first_step" && "$VANTOREL" --script > fix.sh 2>/dev/null && sh fix.sh >/dev/null 2>&1 &&
    "$VANTOREL" --strict >/dev/null 2>"$1"
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
# tlist.txt:12: warning: the track that "c.wav" starts has no title
vantorel: tlist.txt:33: warning: the track that "c.wav" starts has no title'
# What the tag reader takes from files their own writers tagged: the title after a comment of 200
# characters, the first of titles given more than once, the first stream's of an Ogg file of two,
# every format's track number, and a FLAC image's cue sheet as a block and as a comment.
mkdir "$WORK/read"
cd "$WORK/read" || exit
sox -D -n -r 44100 -b 16 -c 2 base.wav synth 1 sine 440
sox -D -n -r 44100 -b 16 -c 2 other.wav synth 1 sine 660
tagged=(-metadata comment="$(printf '%200s' '' | tr ' ' c)" -metadata title=T -metadata track=3/12)
for f in a.flac a.m4a a.opus a.wav a.wv; do ff "${tagged[@]}" "$f"; done
ff -c:a libvorbis "${tagged[@]}" a.ogg
ff -id3v2_version 3 "${tagged[@]}" a3.mp3
ff -id3v2_version 4 "${tagged[@]}" a4.mp3
ff -id3v2_version 0 -write_id3v1 1 -metadata TIT2=T -metadata TRCK=3 a1.mp3
ff -c:a aac -f adts -write_apetag 1 "${tagged[@]}" a.aac
flac -s -o twice.flac base.wav
metaflac --set-tag=TITLE= --set-tag=TITLE=First --set-tag=TITLE=Second --set-tag=TRACKNUMBER=3 \
  twice.flac
oggenc -Q -o twice.ogg base.wav
vorbiscomment -w -t TITLE= -t TITLE=First -t TITLE=Second -t TRACKNUMBER=3 twice.ogg
ffmpeg -nostdin -loglevel error -i base.wav -i other.wav -map 0 -map 1 -c:a libvorbis \
  -metadata:s:a:0 title=First -metadata:s:a:1 title=Second two.ogg
oggenc -Q -t First -N 3 -o first.ogg base.wav
oggenc -Q -t Second -N 4 -o second.ogg other.wav
cat first.ogg second.ogg > chained.ogg
# title FILE...: each file's title and track number as the tag reader reads them.
title() {
  for f in "$@"; do
    "$WAVKIT" tags "$f" | awk -v f="$f" -F': ' '/^title:/ { t = $2 } /^track:/ { n = $2 }
      END { print f, t, n }'
  done
}
check "the title and track number of every format" \
  "$(title a.flac a.m4a a.opus a.wav a.wv a.ogg a3.mp3 a4.mp3 a1.mp3 a.aac)" \
  "a.flac T 3
a.m4a T 3
a.opus T 3
a.wav T 3
a.wv T 3
a.ogg T 3
a3.mp3 T 3
a4.mp3 T 3
a1.mp3 T 3
a.aac T 3"
check "the first title given, of the first stream" \
  "$(title twice.flac twice.ogg two.ogg chained.ogg)" \
  "twice.flac First 3
twice.ogg First 3
two.ogg First 0
chained.ogg First 3"

sox -D -n -r 44100 -b 16 -c 2 image.wav synth 6 sine 440
printf 'FILE "image.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n' \
  > image.cue
flac -s -o image.flac image.wav
metaflac --import-cuesheet-from=image.cue --set-tag-from-file=CUESHEET=image.cue image.flac
# Where the CUESHEET block's bytes start after its header, and how many there are.
read -r at length < <(metaflac --list image.flac | awk '/^METADATA block/ { n++ }
  /^  type: / { type[n] = $2 } /^  length: / { size[n] = $2 }
  END { at = 4; for (i = 1; i <= n; i++) { if (type[i] == 5) { print at + 4, size[i]; exit }
    at += 4 + size[i] } }')
block=$(od -An -v -tx1 -j "$at" -N "$length" image.flac | tr -d ' \n')
check "the FLAC cue sheet block, byte for byte" \
  "$("$WAVKIT" tags image.flac | sed -n 's/^block: //p')" "${block:-no block in the file}"
check "the CUESHEET comment" "$("$WAVKIT" tags image.flac | sed -n '/^cue: /,$p')" \
  "cue: $(cat image.cue)"

# An album whose names start with S, P and p and whose names' order is not its track order: every
# track, in the order of the tags' track numbers, in one round.
mkdir ordered
cd ordered || exit
sox -D -n -r 44100 -b 16 -c 2 base.wav synth 5 sine 440
tagged() { ffmpeg -nostdin -loglevel error -i base.wav -metadata "title=$2" -metadata artist=Band \
  -metadata album=Alb -metadata "track=$3" "$1"; }
tagged 'Stay Clean.flac' 'Stay Clean' 3
tagged Pressure.mp3 Pressure 1
tagged Another.opus Another 2
tagged 'p01 Sunrise.ogg' Sunrise 4
tagged Zebra.wav Zebra 5
rm base.wav
check "an album named with S and P, out of order: one round" "$(job /dev/null)" "status 0"
check "an album named with S and P, out of order: its tracks in order" \
  "$(cueprint -t '%n %t\n' output.cue 2>&1)" "1 Pressure
2 Another
3 Stay Clean
4 Sunrise
5 Zebra"
cd ..

# A title whose letters cdrdao cannot burn is written as the tags give it, and said in the script's
# comments and by the next run, with the advice to write it in Latin letters.
mkdir kanji
cd kanji || exit
sox -D -n -r 44100 -b 16 -c 2 base.wav synth 5 sine 440
flac -s -o song.flac base.wav && rm base.wav
metaflac --no-utf8-convert --set-tag=TITLE=夜に駆ける --set-tag=ARTIST=Yoasobi song.flac
echo song.flac > tlist.txt
check "a title of kanji: said in the script and by the next run" \
  "$(job warned; grep -h 'Latin' fix.sh warned)" 'status 4
# The title of "song.flac", "夜に駆ける", has letters cdrdao cannot burn; write it in Latin letters
vantorel: tlist.txt:2: warning: "TITLE 夜に駆ける" gives letters cdrdao cannot burn, which would be written as "?????"; write the text in Latin letters'
finish
