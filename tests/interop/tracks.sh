#!/usr/bin/env bash
# The track view of --tracks gives every track's pregap, start and end on the disc, and the disc's
# length, as cdrdao show-toc and toc-info give them for the cue sheet written, also where a file
# is named again right after a split in it.
. "$(dirname "$0")/common.sh"
need sox cdrdao

sox -V1 -r 44100 -n -b 16 -c 2 set.wav synth 20 sine 440
# 750 CD frames and one sample: a burner pads the last frame with silence.
sox -V1 -r 44100 -n -b 16 -c 2 odd.wav synth 441001s sine 330
sox -V1 -r 44100 -n -b 16 -c 2 encore.wav synth 10 sine 220
cat > album.txt <<'LIST'
set.wav
P 00:01:00
S 00:05:30
P 00:02:00
S 00:12:00
odd.wav
S 00:04:00
encore.wav
S 00:05:00
P 00:01:10
encore.wav
LIST
out=$("$VANTOREL" --tracks album.txt album.cue 2>/dev/null)

# Each track as "number pregap start end", in CD frames.
view=$(printf '%s\n' "$out" | awk '
  function frames(t, f) { split(t, f, ":"); return (f[1] * 60 + f[2]) * 75 + f[3] }
  /^Track  Starts in file/ { on = 1; next }
  on && NF == 0 { exit }
  on { print $1, frames($4), frames($3), frames($3) + frames($5) }')
toc=$(cdrdao show-toc album.cue 2>/dev/null | awk '
  /^TRACK/ { n = $2 }
  /^ +(PREGAP|START|END)/ {
    match($0, /\( *[0-9]+\)/)
    key = $1
    sub(/\*$/, "", key)
    at[n, key] = substr($0, RSTART + 1, RLENGTH - 2) + 0
  }
  END { for (t = 1; t <= n; t++) print t, at[t, "PREGAP"] + 0, at[t, "START"], at[t, "END"] }')
check "eight tracks" "$(printf '%s\n' "$view" | wc -l)" "8"
check "pregaps, starts and ends as cdrdao show-toc gives them" "$view" "$toc"
check "the disc's length as cdrdao toc-info gives it" \
  "$(printf '%s\n' "$out" | sed -n 's/^Disc length: //p')" \
  "$(cdrdao toc-info album.cue 2>/dev/null | sed -n 's/.*, length \([0-9:]*\),.*/\1/p')"
finish
