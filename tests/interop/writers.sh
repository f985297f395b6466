#!/usr/bin/env bash
# WAV files as real programs write them, to files and through pipes: vantorel lists each with its
# true length (its sample count at its rate, cut to whole CD frames), and where it warns of one,
# the command it prints makes a file that it then takes without a word.
. "$(dirname "$0")/common.sh"
need sox soxi ffmpeg flac cdrdao perl

q() { "$@" >/dev/null 2>&1; }
# tone NAME RATE BITS LENGTH: a sine tone made at its own rate.
tone() { q sox -r "$2" -c 2 -n -b "$3" "$1" synth "$4" sine 440; }
tone tone.wav 44100 16 7.3
tone f49.wav 44100 16 28812s  # exactly 49 CD frames
tone hd.wav 48000 24 2.5
q flac tone.wav -o tone.flac
q flac -d tone.flac -o flac.wav
q ffmpeg -i tone.wav -metadata comment=metadata comment.wav
# A coding history of some 23 KB puts the data chunk far past the first 15000 bytes.
q ffmpeg -i tone.wav -write_bext 1 -metadata coding_history="$(seq -f 'A=PCM,F=44100,W=16,M=stereo,T=take %05g' 1 600)" bext.wav
q ffmpeg -i tone.wav -rf64 always rf64.wav
# Through pipes, the size cannot be filled in: ffmpeg leaves 0xFFFFFFFF, sox 0x7FFFF000, and a
# writer such as mpg123 -w - leaves 0.
ffmpeg -loglevel error -i tone.wav -f wav - | cat > ffpipe.wav
sox -V1 tone.wav -t raw - | sox -V1 -t raw -r 44100 -b 16 -c 2 -e signed - -t wav - | cat > soxpipe.wav
cp tone.wav unfilled.wav
printf '\0\0\0\0' | dd of=unfilled.wav bs=1 seek=40 conv=notrunc status=none
q ffmpeg -i tone.wav -c:a adpcm_ima_wav ima.wav
q sox tone.wav -e ms-adpcm msadpcm.wav
q ffmpeg -i tone.wav -c:a mp3 mp3.wav
# Compressed audio whose header says 16 bits a sample: AC-3 and FLAC as ffmpeg puts them in a WAV,
# AAC with the ADTS headers that mark its frames, and AAC without them, which nothing decodes.
q ffmpeg -i tone.wav -c:a ac3 ac3.wav
q ffmpeg -i tone.wav -c:a flac flacin.wav
q ffmpeg -i tone.wav -c:a aac -f adts tone.aac
q ffmpeg -i tone.aac -c copy adts.wav
q ffmpeg -i tone.wav -c:a aac rawaac.wav
# No audio declared by a header that is not CD audio either, and by RF64's ds64 chunk through a
# pipe; big-endian RIFX; Wave64 named .wav; a file cut off after its data chunk's header.
q sox tone.wav -r 22050 -c 1 mono.wav
printf '\0\0\0\0' | dd of=mono.wav bs=1 seek=40 conv=notrunc status=none
ffmpeg -loglevel error -i tone.wav -rf64 always -f wav - | cat > rf64pipe.wav
q sox tone.wav -B rifx.wav
q flac -d --force-wave64-format tone.flac -o w64.wav
head -c 44 tone.wav > cut.wav
# sox's float RIFX with its size left at 0, which ffmpeg cannot read; Wave64 of AC-3, which sox
# cannot; and what no tool decodes or nothing is there to decode: raw AAC past the first 15,024
# bytes, ffmpeg's Vorbis in a WAV, an AC-3 header over no data.
q sox tone.wav -B -e float -b 32 rifxf.wav
printf '\0\0\0\0' | dd of=rifxf.wav bs=1 seek="$(($(grep -boa data rifxf.wav | head -n 1 | cut -d: -f1) + 4))" conv=notrunc status=none
q ffmpeg -i tone.wav -f w64 -c:a ac3 ac3w64.wav
ffmpeg -loglevel error -i tone.wav -f w64 - | cat > w64pipe.wav
q ffmpeg -i tone.wav -c:a aac -metadata comment="$(printf '%20000s' | tr ' ' x)" farraw.wav
q ffmpeg -i tone.wav -c:a libvorbis vorbis.wav
q ffmpeg -f lavfi -i anullsrc=r=44100:cl=stereo -t 0 -c:a ac3 ac3none.wav

check "bext.wav's data chunk lies past 15000 bytes" \
  "$(grep -boa data bext.wav | tail -n 1 | cut -d: -f1 | awk '{ print ($1 > 15000) }')" 1
check "ffmpeg's pipe size" "$(od -An -tx4 -j 74 -N4 ffpipe.wav | tr -d ' ')" ffffffff
check "sox's pipe size" "$(od -An -tx4 -j 40 -N4 soxpipe.wav | tr -d ' ')" 7ffff000
check "the AAC's format code" "$(od -An -tx2 -j 20 -N2 adts.wav | tr -d ' ')" 00ff
check "RF64's ds64 data size" "$(od -An -tx4 -j 28 -N8 rf64pipe.wav | tr -d ' \n')" 0000000000000000

# length FILE: what vantorel lists for FILE alone, and its standard error.
length() {
  printf '%s\n' "$1" > one.txt
  "$VANTOREL" one.txt one.cue 2>err.txt | awk -F'\t' '$1 == 1 { print $4 }'
}
# want FILE: the length of FILE's sample count at its rate, as sox counts them.
want() { "$WAVKIT" length "$(soxi -s "$1" 2>/dev/null)" "$(soxi -r "$1" 2>/dev/null)"; }
for f in tone.wav f49.wav hd.wav flac.wav comment.wav bext.wav rf64.wav rifx.wav; do
  check "$f: its length" "$(length "$f")" "$(want "$f")"
done
# soxi believes the sizes written through pipes; the audio is tone.wav's.
for f in ffpipe.wav soxpipe.wav; do
  check "$f: its length" "$(length "$f")" "$(want tone.wav)"
done
check "f49.wav: 49 frames" "$(length f49.wav)" "0:0:49"
check "unfilled.wav: no audio declared, none listed" "$(length unfilled.wav)" "0:0:0"

# follow FILE: the command vantorel prints for FILE, run as printed; its new file, written in the
# list in FILE's place as the warning says, then draws no word.
follow() {
  local file=$1 status=$2 command made
  printf '%s\n' "$file" > one.txt
  "$VANTOREL" one.txt one.cue >/dev/null 2>err.txt && got=0 || got=$?
  check "$file: exit status" "$got" "$status"
  command=$(sed -n 's/.*: \(\(sox\|ffmpeg\) .*\)$/\1/p' err.txt)
  made=$(sed -n 's/.*write the line as "\([^"]*\)".*/\1/p' err.txt)
  check "$file: a command to run" "$([ -n "$command" ] && echo yes || cat err.txt)" yes
  eval "$command" >/dev/null 2>&1 || check "$file: the command runs" no yes
  printf '%s\n' "$made" > one.txt
  "$VANTOREL" --strict one.txt one.cue >/dev/null 2>err.txt && got=0 || got=$?
  check "$made: a clean run" "$got $(cat err.txt)" "0 "
  check "$made: its length" "$(length "$made")" "$(want "$made")"
}
follow rf64.wav 0
follow ffpipe.wav 0
follow soxpipe.wav 0
follow unfilled.wav 0
follow ima.wav 2
follow msadpcm.wav 2
follow mp3.wav 2
follow ac3.wav 2
follow flacin.wav 2
follow adts.wav 2
follow mono.wav 0
follow rf64pipe.wav 0
follow rifx.wav 0
follow w64.wav 2
follow rifxf.wav 0
follow ac3w64.wav 2
follow w64pipe.wav 2
# Every frame follows from what the header did not declare.
check "rf64pipe-cd.wav: every frame" "$(length rf64pipe-cd.wav)" "$(want tone.wav)"
check "mono-cd.wav: every frame" "$(length mono-cd.wav)" "$(want tone.wav)"
check "rifxf-cd.wav: every frame" "$(length rifxf-cd.wav)" "$(want tone.wav)"

# Compressed audio is measured by no size: the run stops at it.
printf 'ac3.wav\n' > one.txt
"$VANTOREL" one.txt one.cue >out.txt 2>err.txt || true
check "ac3.wav: standard output" "$(cat out.txt)" "Unsupported format in wave file called ac3.wav"
# Where no command can help, none is given: AAC whose frames nothing marks, and a file with no
# audio at all, which is only to be left out.
for f in rawaac.wav farraw.wav vorbis.wav ac3none.wav; do
  printf '%s\n' "$f" > one.txt
  "$VANTOREL" one.txt one.cue >/dev/null 2>err.txt && got=0 || got=$?
  check "$f: no command" "$got $(grep -c -E ': (sox|ffmpeg) ' err.txt)" "2 0"
done
printf 'cut.wav\n' > one.txt
"$VANTOREL" one.txt one.cue >/dev/null 2>err.txt && got=0 || got=$?
check "cut.wav: only that it holds no audio" "$got $(cat err.txt)" \
  '0 vantorel: one.txt:1: warning: "cut.wav" holds no audio; leave it out of the list'
# Headers crafted around 5 seconds of a tone, each given to cdrdao show-toc: the probe says that
# cdrdao refuses a header as a corrupted WAVE file exactly where cdrdao does.
sox -n -r 44100 -c 2 -b 16 -e signed -t raw tone.raw synth 5 sine 440
craft() {
  perl -e '
    open my $in, "<", "tone.raw" or die; binmode $in; local $/; my $audio = <$in>;
    sub chunk { my ($id, $body) = @_; $id . pack("V", length $body) . $body . (length($body) % 2 ? "\0" : "") }
    my $fields = pack("vvVVvv", 1, 2, 44100, 176400, 4, 16);
    my $fmt = chunk("fmt ", $fields);
    my $data = chunk("data", $audio);
    my $past_end = "JUNK" . pack("V", 1 << 30);
    my %body = (
      "plain" => $fmt . $data,
      "data-first" => $data . $fmt,
      "data-first-mono" => $data . chunk("fmt ", pack("vvVVvv", 1, 1, 44100, 88200, 2, 16)),
      "past-end-before-fmt" => $past_end . $fmt . $data,
      "past-end-after-fmt" => $fmt . $past_end . $data,
      "stray-bytes" => "\0\0" . $fmt . $data,
      "fmt-14" => chunk("fmt ", substr($fields, 0, 14)) . $data,
      "fmt-15" => "fmt " . pack("V", 15) . $fields . $data,
      "odd-id" => chunk("\x01abc", "xyz") . $fmt . $data,
      "list-after-data" => $fmt . $data . chunk("LIST", "INFOISFT" . pack("V", 2) . "x\0"),
    );
    my $body = $body{$ARGV[0]};
    print "RIFF", pack("V", 4 + length $body), "WAVE", $body;' "$1" > "$1.wav"
}
verdicts=()
facts=()
for name in plain data-first data-first-mono past-end-before-fmt past-end-after-fmt stray-bytes \
  fmt-14 fmt-15 odd-id list-after-data; do
  craft "$name"
  printf 'FILE "%s.wav" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n' "$name" > "$name.cue"
  verdicts+=("$name $(cdrdao show-toc "$name.cue" 2>&1 | grep -c 'corrupted WAVE file' || true)")
  facts+=("$name $("$WAVKIT" probe "$name.wav")")
done
check "cdrdao refuses the headers it is known to" "${verdicts[*]}" \
  "plain 0 data-first 1 data-first-mono 0 past-end-before-fmt 1 past-end-after-fmt 1 stray-bytes 1 fmt-14 1 fmt-15 0 odd-id 0 list-after-data 0"
check "the probe says which headers cdrdao refuses" "${facts[*]}" "${verdicts[*]}"
# Each, as a list's one file, reaches in one round of the fix script a sheet of its audio that
# cdrdao takes, where it holds audio that can be read.
roads=()
for name in plain data-first data-first-mono past-end-before-fmt past-end-after-fmt stray-bytes \
  fmt-15 odd-id list-after-data; do
  mkdir "road-$name"
  cp "$name.wav" "road-$name/"
  printf '%s.wav\n' "$name" > "road-$name/tlist.txt"
  status=0
  (cd "road-$name" && "$VANTOREL" --script > fix.sh 2>/dev/null && sh fix.sh >/dev/null 2>&1 &&
    "$VANTOREL" --strict >/dev/null 2>&1) </dev/null || status=$?
  roads+=("$name $status $(cd "road-$name" && cdrdao show-toc output.cue 2>/dev/null |
    awk '$1 == "END" { sub(/\(.*/, "", $2); print $2 }')")
done
check "one round makes a sheet cdrdao takes of each" "${roads[*]}" \
  "plain 0 00:05:00 data-first 0 00:05:00 data-first-mono 0 00:10:00 past-end-before-fmt 0 00:05:00 past-end-after-fmt 0 00:05:00 stray-bytes 0 00:05:00 fmt-15 0 00:05:00 odd-id 0 00:05:00 list-after-data 0 00:05:00"
finish
