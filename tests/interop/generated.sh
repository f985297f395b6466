#!/usr/bin/env bash
# vantorel --strict && cdrdao write output.cue burns the disc the list means, or nothing. Over 300
# lists written as people write them (genlists.pl, a seed a list), every run of vantorel --strict
# --tracks that ends with status 0 must give a sheet that cdrdao show-toc takes without an error,
# laid out on the disc as --tracks says, with the tracks the list means; and so must the run
# after the fixes of vantorel --script, where the run as written warned. Such a run that does not
# is a false OK: the first fails the test, or with VANTOREL_DIFF_ALL=1 each is printed and they
# are counted.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
need cdrdao sox perl

lists=300
perl "$here/genlists.pl" "$WAVKIT" . 1 "$lists"

# A run's track view as "pregap start end" on the disc, a track a line, then the disc's length.
tracks_view() {
  awk '
    function frames(t, f) { split(t, f, ":"); return (f[1] * 60 + f[2]) * 75 + f[3] }
    function msf(n) { return sprintf("%02d:%02d:%02d", int(n / 4500), int(n / 75) % 60, n % 75) }
    /^Track  Starts in file/ { on = 1; next }
    on && NF == 0 { on = 0 }
    on { print $4, $3, ($3 == "?" || $5 == "?") ? "?" : msf(frames($3) + frames($5)) }
    /^Disc length: / { print "disc", $3 }' "$1"
}

# cdrdao show-toc's output the same way.
toc_view() {
  awk '
    /^TRACK/ { n = $2 }
    /^ +(PREGAP|START|END)/ {
      key = $1
      sub(/\*$/, "", key)
      at[n, key] = $2
      sub(/\(.*/, "", at[n, key])
    }
    END {
      for (t = 1; t <= n; t++) {
        print (at[t, "PREGAP"] == "" ? "00:00:00" : at[t, "PREGAP"]), at[t, "START"], at[t, "END"]
      }
      print "disc", at[n, "END"]
    }' "$1"
}

# A run's tracks as "pregap start-in-file length", as the list's meant gives them: a length
# stands as * where meant gives one so.
file_view() {
  awk 'NR == FNR { star[FNR] = $3 == "*"; next }
    /^Track  Starts in file/ { on = 1; next }
    on && NF == 0 { on = 0 }
    on { print $4, $2, star[$1] ? "*" : $5 }' "$2" "$1"
}

# A list's lines, with control characters made visible (^M for a CR, ^@ for a NUL byte).
show() {
  cat -v "$1" | awk '{ print "    | " $0 }'
}

false_oks=0
# false_ok DIR WHEN OUT REASON: says what the run in DIR gave and what it should have.
false_ok() {
  false_oks=$((false_oks + 1))
  echo "FALSE OK: list $1 $2: $4"
  echo "  made of: $(head -n 1 "$1/about")"
  sed -n '2,$s/^/  file: /p' "$1/about"
  echo "  the list:"
  if [ "$2" = "after the fixes" ]; then
    show "$1/list.orig"
    echo "  the list after the fixes:"
  fi
  show "$1/list"
  echo "  on the disc, pregap start end: --tracks | cdrdao show-toc"
  paste -d '|' <(tracks_view "$1/$3") <(toc_view "$1/toc.out") | sed 's/^/    /'
  echo "  in each file, pregap start length: --tracks | meant"
  paste -d '|' <(file_view "$1/$3" "$1/meant") "$1/meant" | sed 's/^/    /'
  awk '/ERROR|buffer overflow/ { print "  cdrdao: " $0 }' "$1/toc.err"
  awk '{ print "  stderr: " $0 }' "$1/${3%.out}.err"
  echo
  if [ "${VANTOREL_DIFF_ALL:-}" != 1 ]; then
    echo "(VANTOREL_DIFF_ALL=1 prints every false OK)"
    exit 1
  fi
}

# Whether the run whose --tracks output is DIR/OUT gives the tracks DIR/meant gives.
means() {
  [ "$(file_view "$1/$2" "$1/meant")" = "$(<"$1/meant")" ]
}

# Where the fixes leave a choice of two readings, the script in DIR gives the other one commented
# out: whether that one, taken, gives the tracks meant.
other_reading() {
  local other
  other=$(sed -n 's/^# \(printf .*\)$/\1/p' "$1/fix.sh")
  [ -n "$other" ] && [ "$(printf '%s\n' "$other" | wc -l)" = 1 ] &&
    (cd "$1" && sh -c "$other" && "$VANTOREL" --strict --tracks list > other.out 2> other.err) \
      </dev/null && means "$1" other.out
}

# compare DIR WHEN OUT: checks a run that ended with status 0, whose --tracks output is DIR/OUT.
compared=0
compare() {
  compared=$((compared + 1))
  local status=0 why=""
  # Where cdrdao aborts, the shell's word on it goes with the rest of its standard error.
  { (cd "$1" && cdrdao show-toc output.cue > toc.out 2> toc.err); } 2>/dev/null || status=$?
  if [ "$status" != 0 ] || grep -q ERROR "$1/toc.err"; then
    why="cdrdao refuses the sheet (status $status)"
  elif [ "$(tracks_view "$1/$3")" != "$(toc_view "$1/toc.out")" ]; then
    why="cdrdao lays the disc out otherwise than --tracks says"
  fi
  if [ "$(<"$1/meant")" != "?" ] && ! means "$1" "$3" && ! { [ "$2" = "after the fixes" ] &&
    other_reading "$1"; }; then
    why="${why:+$why; }the disc is not the one the list means"
    [ -s "$1/other.out" ] && why="$why, in either reading the fixes offer"
  fi
  [ -z "$why" ] || false_ok "$1" "$2" "$3" "$why"
}

warned=0
fixed=0
for dir in $(seq -f '%03g' 1 "$lists"); do
  status=0
  (cd "$dir" && "$VANTOREL" --strict --tracks list > run.out 2> run.err) </dev/null || status=$?
  if [ "$status" = 0 ]; then
    compare "$dir" "as written" run.out
    continue
  fi
  warned=$((warned + 1))
  # The one pass the README promises: vantorel --script > fix.sh && sh fix.sh && vantorel --strict
  (cd "$dir" && "$VANTOREL" --script list > fix.sh 2> /dev/null && sh fix.sh > /dev/null 2>&1 &&
    "$VANTOREL" --strict --tracks list > fixed.out 2> fixed.err) </dev/null || continue
  fixed=$((fixed + 1))
  compare "$dir" "after the fixes" fixed.out
done

echo "$lists lists: $((lists - warned)) ended with status 0 as written;" \
  "of the rest, $fixed did after vantorel --script's fixes"
check "false OKs" "$false_oks" 0
check "at least a third of the lists reach a sheet that is compared" "$((compared * 3 >= lists))" 1
finish
