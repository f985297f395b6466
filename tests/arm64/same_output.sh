#!/usr/bin/env bash
# The tool built for arm64 and run under qemu-aarch64 prints, writes and exits exactly as the
# native one does: the report's examples and edge cases, the bundled example, and random lists
# over the whole range of sample counts and rates, absurd ones included. qemu-aarch64 is called
# by name, so the machine needs no binfmt registration.
#   same_output.sh NATIVE_VANTOREL NATIVE_WAVKIT ARM64_VANTOREL [EXAMPLES_DIR]
# Every path is taken whole before the work moves to a scratch directory.
set -- "$(realpath "$1")" "$(realpath "$2")" "$(realpath "$3")" \
  "$(realpath "${4:-$(dirname "$0")/../../examples}")"
ARM64=$3
EXAMPLES=$4
. "$(dirname "$0")/../interop/common.sh"
need qemu-aarch64
RANDOM=1

# wav NAME FRAMES [RATE]: one 8-bit channel, so that the data size is the frame count and any
# 32-bit count can be declared, and the file made sparse to hold that many, at no cost on disk.
wav() {
  "$WAVKIT" header "$2" "${3:-44100}" 1 8 > "$1"
  truncate -s $((44 + $2)) "$1"
}

# run WHICH LIST: the tool's standard output, standard error, status and cue file, kept as
# WHICH.out, WHICH.err, WHICH.status and WHICH.cue.
run() {
  local which=$1 list=$2 status=0
  rm -f out.cue
  if [ "$which" = native ]; then
    "$VANTOREL" "$list" out.cue > native.out 2> native.err || status=$?
  else
    qemu-aarch64 "$ARM64" "$list" out.cue > arm64.out 2> arm64.err || status=$?
  fi
  echo "$status" > "$which.status"
  if [ -e out.cue ]; then mv out.cue "$which.cue"; else : > "$which.cue"; fi
}

# same WHAT LIST: both builds run on LIST, and everything they give compared byte for byte.
same() {
  run native "$2"
  run arm64 "$2"
  local part differs=""
  for part in out err status cue; do
    cmp -s "native.$part" "arm64.$part" || differs="$differs $part"
  done
  if [ -z "$differs" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: the arm64 build differs in:$differs"
    for part in $differs; do diff "native.$part" "arm64.$part" | head -n 6 || true; done
    failures=$((failures + 1))
  fi
}

# The report's own example, a minute at several rates, half a second, every frame boundary, a
# total of exactly 796 seconds, 59.99 seconds, and an empty list.
wav a.wav 2646000
wav b.wav 9062550
printf 'a.wav\nb.wav\n' > example.txt
same "the report's example" example.txt
check "the example's lengths on arm64" "$(grep -c -e $'a.wav\t\t1:0:0' -e $'b.wav\t\t3:25:37' arm64.out)" 2
check "the example's total on arm64" "$(grep 'Total Time' arm64.out)" "Total Time:  4 min : 25 sec"

list=minutes.txt
: > $list
for rate in 1 8000 11025 22050 44100 48000 96000 192000; do
  wav "min$rate.wav" $((60 * rate)) "$rate"
  echo "min$rate.wav" >> $list
done
same "a minute at eight rates" $list

: > boundaries.txt
for frames in $(seq 0 74); do
  wav "f$frames.wav" $((2646000 + 588 * frames))
  echo "f$frames.wav" >> boundaries.txt
done
wav half.wav 22050
wav exact49.wav 28812
wav exact63.wav 37044
printf 'half.wav\nexact49.wav\nexact63.wav\n' >> boundaries.txt
same "every frame boundary at 44100 Hz, and half a second" boundaries.txt
check "28812 and 37044 samples on arm64" \
  "$(grep -e exact49 -e exact63 -e half arm64.out | cut -f4 | tr '\n' ' ')" "0:0:37 0:0:49 0:0:63 "

wav t1.wav 18525365
wav t2.wav 7906942
wav t3.wav 8671293
printf 't1.wav\nt2.wav\nt3.wav\n' > total.txt
same "796 seconds" total.txt
check "the 13:16 total on arm64" "$(grep 'Total Time' arm64.out)" "Total Time:  13 min : 16 sec"

wav almost.wav 2645559
echo almost.wav > almost.txt
same "59.99 seconds" almost.txt
check "59.99 seconds on arm64" "$(grep 'Total Time' arm64.out)" "Total Time:  0 min : 59 sec"

: > empty.txt
same "an empty list" empty.txt

mkdir bundled
cp "$EXAMPLES"/tlist.txt "$EXAMPLES"/*.wav bundled/
cd bundled
same "the bundled example" tlist.txt
cd ..

# Random lists: counts and rates drawn over the whole 32-bit range, as bits, on a logarithmic
# scale, or beside whole minutes, seconds and frames; usual rates, small ones and absurd ones;
# now and then a split or a pregap line. awk draws them from a fixed seed, so a failure repeats.
lists=${VANTOREL_ARM64_LISTS:-24}
awk -v lists="$lists" 'BEGIN {
  srand(20261208)
  split("8000 11025 16000 22050 32000 44100 48000 88200 96000 192000", usual, " ")
  for (l = 1; l <= lists; l++) {
    n = 1 + int(rand() * 100)
    for (i = 1; i <= n; i++) {
      r = rand()
      if (r < 0.4) rate = usual[1 + int(rand() * 10)]
      else if (r < 0.55) rate = 1 + int(rand() * 1000)
      else if (r < 0.8) rate = 2147483648 + int(rand() * 2147483647)
      else rate = 1 + int(2 ^ (rand() * 32) - 1)
      r = rand()
      if (r < 0.3) frames = int(rand() * 65536) * 65536 + int(rand() * 65536)
      else if (r < 0.6) frames = int(2 ^ (rand() * 32))
      else frames = rate * (60 * int(rand() * 100) + int(rand() * 60)) + int(rate * int(rand() * 75) / 75) + int(rand() * 7) - 3
      if (frames < 0) frames = 0
      if (frames > 4294967295) frames = int(rand() * 4294967295)
      printf "%d r%d_%d.wav %.0f %.0f\n", l, l, i, frames, rate
    }
  }
}' > draws.txt
while read -r l name frames rate; do
  wav "$name" "$frames" "$rate"
  echo "$name" >> "random$l.txt"
  case $((RANDOM % 6)) in
    0) printf 'S %02d:%02d:%02d\n' $((RANDOM % 80)) $((RANDOM % 60)) $((RANDOM % 75)) >> "random$l.txt" ;;
    1) echo 'P 00:02:00' >> "random$l.txt" ;;
  esac
done < draws.txt
files=$(wc -l < draws.txt)
for l in $(seq 1 "$lists"); do
  same "random list $l" "random$l.txt"
done
echo "compared $lists random lists of $files files in all"
finish
