#!/usr/bin/env bash
# Every time read as it was meant, in whatever form it was pasted: each list reaches a clean
# vantorel --strict in one round of
#   vantorel --script > fix.sh && sh fix.sh && vantorel --strict
# and cdrdao show-toc lays its sheet out with every track where the list means it to start.
. "$(dirname "$0")/common.sh"
need cdrdao cuebreakpoints truncate

# A WAV file of CD audio of so many seconds, its audio sparse.
wav() {
  "$WAVKIT" header $(($2 * 44100)) > "$1"
  truncate -s $(($2 * 176400 + 44)) "$1"
}

# Each track's start on the disc as cdrdao show-toc gives it for DIR/output.cue.
starts() {
  (cd "$1" && cdrdao show-toc output.cue 2>/dev/null) |
    awk '$1 == "START" { sub(/\(.*/, "", $2); printf "%s ", $2 }'
}

# round DIR: one round in DIR; prints the status of vantorel --strict and whatever it warned of.
round() {
  local status=0
  (cd "$1" && "$VANTOREL" --script > fix.sh 2>/dev/null && sh fix.sh >/dev/null 2>&1 &&
    "$VANTOREL" --strict > report.txt 2>err.txt) </dev/null || status=$?
  echo "$status $(grep -c warning "$1/err.txt")"
}

# A 75-minute DJ mix of 18 tracks, its times written in each form a tracklist is pasted in.
dj_times=(0:00:00 0:04:32 0:08:40 0:12:55 0:17:02 0:21:30 0:25:18 0:29:44 0:33:10 0:38:05
  0:42:47 0:47:33 0:51:20 0:56:08 1:01:30 1:05:45 1:09:20 1:13:10)
meant="00:00:00 04:32:00 08:40:00 12:55:00 17:02:00 21:30:00 25:18:00 29:44:00 33:10:00 38:05:00 42:47:00 47:33:00 51:20:00 56:08:00 61:30:00 65:45:00 69:20:00 73:10:00 "
for form in hours brackets no-s minutes numbered; do
  mkdir "$form"
  wav "$form/mix.wav" 4500
  {
    printf 'mix.wav\nDISC TITLE Late Night\nDISC PERFORMER DJ Vantor\n'
    n=0
    for t in "${dj_times[@]}"; do
      n=$((n + 1))
      IFS=: read -r h m s <<<"$t"
      case $form in
        hours) printf 'S 0%s:%s:%s Artist %s - Title %s\n' "$h" "$m" "$s" $n $n ;;
        brackets) printf 'S [0%s:%s:%s] Artist %s - Title %s\n' "$h" "$m" "$s" $n $n ;;
        no-s) printf '[0%s:%s:%s] Artist %s - Title %s\n' "$h" "$m" "$s" $n $n ;;
        minutes) if [ "$h" = 0 ]; then printf '%s:%s Artist %s - Title %s\n' "$m" "$s" $n $n
          else printf '%s:%s:%s Artist %s - Title %s\n' "$h" "$m" "$s" $n $n; fi ;;
        numbered) if [ "$h" = 0 ]; then printf '%s. Artist %s - Title %s (%d:%s)\n' $n $n $n \
            $((10#$m)) "$s"; else printf '%s. Artist %s - Title %s (%s:%s:%s)\n' $n $n $n "$h" \
            "$m" "$s"; fi ;;
      esac
    done
  } > "$form/tlist.txt"
  as_in=$(sed -n 5p "$form/tlist.txt")
  check "the DJ mix, times as in \"$as_in\": --strict passes" "$(round "$form")" "0 0"
  check "the DJ mix, times as in \"$as_in\": cdrdao's starts" "$(starts "$form")" "$meant"
done

# cuebreakpoints writes minutes:seconds.frames, CD frames after the point as shntool reads
# them, one a line and without an S; its times come back where the sheet it read has them.
mkdir shntool
wav shntool/live.wav 600
printf 'FILE "live.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' > shntool/in.cue
n=1
for t in 01:33:74 03:10:20 05:47:05 08:02:70; do
  n=$((n + 1))
  printf '  TRACK %02d AUDIO\n    INDEX 01 %s\n' $n "$t" >> shntool/in.cue
done
{ echo live.wav; cuebreakpoints shntool/in.cue; } > shntool/tlist.txt
check "cuebreakpoints' times: --strict passes" "$(round shntool)" "0 0"
check "cuebreakpoints' times: cdrdao's starts are the sheet's" "$(starts shntool)" \
  "00:00:00 01:33:74 03:10:20 05:47:05 08:02:70 "

# A digit right after S, lost where it is not a leading 0; two numbers of which one cannot be
# seconds:frames settle the others as minutes:seconds.
mkdir digits
wav digits/mix.wav 4500
printf 'mix.wav\nS02:30:00\nS10:12:40\nS 22:22\nS 62:05\n' > digits/tlist.txt
check "a digit after S, and 62:05: --strict passes" "$(round digits)" "0 0"
check "a digit after S, and 62:05: cdrdao's starts" "$(starts digits)" \
  "00:00:00 02:30:00 10:12:40 22:22:00 62:05:00 "
finish
