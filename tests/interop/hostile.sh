#!/usr/bin/env bash
# The fix script run on names and lists an attacker chose: it runs only what it shows, makes only
# the files it names, never writes over or through a file, keeps every byte of the list and runs
# once. Each trial runs in a directory of its own; every file's md5 is taken before and after.
# Then races: a second process plants files in the folder, swaps the list or interrupts the
# script at the moment the script's own directory shows to be the worst, under every shell.
. "$(dirname "$0")/common.sh"
need sox ffmpeg shellcheck dash busybox
export LC_ALL=C

sox -D -n -r 44100 -b 16 -c 2 base.wav synth 5 sine 440
sox base.wav base.flac
ffmpeg -nostdin -loglevel error -i base.wav base.opus
printf 'not the opus file the list names\n' > other.opus

# files: every file of the working directory but the script, and its md5 (a name holding a line
# end written with \n, as md5sum writes it).
files() {
  find . -mindepth 1 \( -type f -o -type l \) ! -name fix.sh -print0 | xargs -0 -r md5sum -- | sort
}

# trial WHAT DIR RUN WANT: makes DIR's script as MAKE says (vantorel --script, given the list
# DIR/list names, where there is one), checks it with shellcheck, runs it as RUN says in DIR and
# compares the names of the files that appeared or changed with WANT, one a line.
trial() {
  local what=$1 dir=$2 run=$3 want=$4
  (
    cd "$dir"
    list=()
    [ ! -e list ] || { mapfile -d '' list < list && rm list; }
    if [ -n "${MAKE:-}" ]; then
      eval "$MAKE" 2>/dev/null
    else
      "$VANTOREL" --script "${list[@]}" > fix.sh 2>/dev/null
    fi
    shellcheck -s sh -S warning fix.sh || echo "shellcheck finds fault"
    before=$(files)
    eval "$run" </dev/null >/dev/null 2>&1 || true
    comm -13 <(printf '%s\n' "$before") <(files) | sed 's/^\\\?[0-9a-f]\{32\}  //' | sort
    [ ! -e PWNED ] || echo "PWNED was made"
  ) > "$dir.got" 2>&1 || true
  check "$what" "$(cat "$dir.got")" "$want"
}

# A FLAC file whose name is a command to sox, one a URL, one an option.
mkdir pipe url dash
cp base.flac 'pipe/|touch PWNED;cat base.flac #.flac'
cp base.flac 'url/http:$(touch PWNED).flac'
cp base.flac dash/-x.flac
printf '%s\n' '|touch PWNED;cat base.flac #.flac' > pipe/tlist.txt
printf '%s\n' 'http:$(touch PWNED).flac' > url/tlist.txt
printf '%s\n' '-x.flac' > dash/tlist.txt
trial "a name starting with | is a file to sox" pipe 'sh fix.sh' "./tlist.txt
./tlist.txt.orig
./|touch PWNED;cat base.flac #-cd.wav"
trial "a name starting with http: is a file to sox" url 'dash fix.sh' \
  "./http:\$(touch PWNED)-cd.wav
./tlist.txt
./tlist.txt.orig"
trial "a name starting with - is a file" dash 'sh fix.sh' "./-x-cd.wav
./tlist.txt
./tlist.txt.orig"

# Opus names that are protocols to ffmpeg, the script run with other bytes on standard input.
mkdir proto
cp base.opus proto/pipe:x.opus
cp base.opus 'proto/concat:x.opus|other.opus'
cp other.opus proto/other.opus
printf '%s\n' pipe:x.opus 'concat:x.opus|other.opus' > proto/tlist.txt
trial "pipe: and concat: are files to ffmpeg" proto 'sh fix.sh < ../other.opus' \
  "./concat:x.opus|other-cd.wav
./pipe:x-cd.wav
./tlist.txt
./tlist.txt.orig"

# A list whose name holds a line end that would run a command.
mkdir newline
cp base.flac newline/x.flac
printf 'x.flac\n' > "newline/x
touch PWNED"
printf 'x\ntouch PWNED\0' > newline/list
trial "a list name with a line end runs nothing" newline 'sh fix.sh' './x-cd.wav
./x\ntouch PWNED
./x\ntouch PWNED.orig'

# A recording that has the new file's name, and a link planted on the next one after the script
# was made; and the copy of the list that a run before kept.
mkdir taken planted
cp base.flac taken/x.flac
cp base.wav taken/x-cd.wav
printf 'kept\n' > taken/tlist.txt.orig
printf 'x.flac\nx-cd.wav\n' > taken/tlist.txt
trial "a taken name is passed over, the old copy of the list kept" taken 'sh fix.sh' "./tlist.txt
./tlist.txt.orig2
./x-cd2.wav"
cp base.flac planted/x.flac
printf 'x.flac\n' > planted/tlist.txt
printf 'victim\n' > planted/victim
trial "a link planted after the script was made stops it" planted \
  'ln -s victim x-cd.wav && sh fix.sh' "./x-cd.wav"

# Bytes after a NUL, which the list reader does not read, and a second run of the same script.
mkdir nul
cp base.flac nul/x.flac
printf 'x.flac\n\0g.wav\n' > nul/tlist.txt
trial "a second run changes nothing" nul 'sh fix.sh && sh fix.sh' "./tlist.txt
./tlist.txt.orig
./x-cd.wav"
printf 'x-cd.wav\n\0g.wav\n' > nul.fixed
printf 'x.flac\n\0g.wav\n' > nul.orig
check "the bytes after a NUL stay" "$(cmp nul/tlist.txt nul.fixed && cmp nul/tlist.txt.orig nul.orig)" ""

# The script piped into bash, ffmpeg among its commands; and a list from a pipe.
mkdir piped fromfd
cp base.opus piped/a.opus
cp base.flac piped/b.flac
printf 'a.opus\nz;touch PWNED;z\nb.flac\n' > piped/tlist.txt
trial "a script piped into bash is run whole" piped '"$VANTOREL" --script | bash' "./a-cd.wav
./b-cd.wav
./tlist.txt
./tlist.txt.orig"
check "a script piped into bash: the list" "$(cat piped/tlist.txt)" "a-cd.wav
z;touch PWNED;z
b-cd.wav"
cp base.flac fromfd/x.flac
MAKE='"$VANTOREL" --script <(printf "x.flac\n") > fix.sh' \
  trial "a list from a pipe is written to a new file" fromfd 'sh fix.sh' "./tlist.txt
./x-cd.wav"

# sox reads * ? [ ] { } in a name as a pattern of other files' names unless told otherwise: here
# they would match the user's own Why!-cd.wav and keep-cd.wav. A % in the list is written so that
# shellcheck takes it for no printf conversion.
mkdir glob braces
cp base.flac 'glob/Why!.flac'
cp base.flac 'glob/Why?.flac'
cp base.wav 'glob/Why!-cd.wav'
(cd glob && ls -- *.flac > tlist.txt && printf '# 100%%quality\n' >> tlist.txt)
trial "sox takes ? in a name as itself" glob 'sh fix.sh' "./Why!-cd2.wav
./Why?-cd.wav
./tlist.txt
./tlist.txt.orig"
cp base.flac 'braces/*.flac'
cp base.flac 'braces/{x,keep}.flac'
cp base.wav braces/keep-cd.wav
printf '%s\n' '*.flac' '{x,keep}.flac' > braces/tlist.txt
trial "sox takes * and braces in a name as themselves" braces 'busybox sh fix.sh' "./*-cd.wav
./tlist.txt
./tlist.txt.orig
./{x,keep}-cd.wav"

# One file named three ways is made once; a name too long for the file system with -cd.wav is
# cut; a name with a control character stands in the script as no control character.
mkdir -p ways/sub long control
cp base.flac ways/sub/s.flac
printf '%s\n' sub/s.flac ./sub/s.flac sub/../sub/s.flac > ways/tlist.txt
trial "a file named three ways is made once" ways 'sh fix.sh' "./sub/s-cd.wav
./tlist.txt
./tlist.txt.orig"
long=$(printf 'a%.0s' {1..250})
cp base.flac "long/$long.flac"
printf '%s.flac\n' "$long" > long/tlist.txt
trial "a new name fits in 255 bytes" long 'sh fix.sh' "./${long:0:248}-cd.wav
./tlist.txt
./tlist.txt.orig"
cp base.flac "control/x$(printf '\033')y.flac"
ls control > control/tlist.txt
trial "a control character in a name" control 'sh fix.sh' "./tlist.txt
./tlist.txt.orig
./x$(printf '\033')y-cd.wav"
check "a control character in a name: none in the script" \
  "$(LC_ALL=C grep -c '[[:cntrl:]]' <(tr -d '\n' < control/fix.sh))" 0

# Where the file system has no hard links, as FAT, mv -n gives each file its name, and stops where
# something took the name in the moment before (here, the mv that the script calls plants it).
mkdir nolink nolink/bin planted-mv planted-mv/bin
for dir in nolink planted-mv; do
  cp base.flac "$dir/x.flac"
  printf 'x.flac\n' > "$dir/tlist.txt"
  printf '#!/bin/sh\nexit 1\n' > "$dir/bin/ln"
done
printf '#!/bin/sh\n[ "$1" != -n ] || /usr/bin/ln -s victim "$5"\nexec /usr/bin/mv "$@"\n' > planted-mv/bin/mv
chmod +x nolink/bin/ln planted-mv/bin/*
printf 'victim\n' > planted-mv/victim
trial "without hard links, mv -n gives the names" nolink 'PATH="$PWD/bin:$PATH" sh fix.sh' \
  "./tlist.txt
./tlist.txt.orig
./x-cd.wav"
trial "without hard links, a name taken in the moment stops it" planted-mv \
  'PATH="$PWD/bin:$PATH" dash fix.sh' "./x-cd.wav"

# The script runs in the folder it was made for, whatever names the list: elsewhere it says so and
# makes nothing.
mkdir away
cp base.flac away/x.flac
printf 'x.flac\n' > away/tlist.txt
MAKE='"$VANTOREL" --script "$PWD/tlist.txt" > fix.sh' trial "run in another folder, it stops" \
  away '(mkdir elsewhere && cp x.flac elsewhere && cd elsewhere && sh ../fix.sh)' \
  "./elsewhere/x.flac"

# The races, each run with the folder as the script was made for it: x.flac to convert and y.Wav
# to rename, and a file of the user's elsewhere that a link may lead to. The planter acts when the
# script's own directory shows the moment: when the converter opens its output, or closes it or
# the new list, and then up to 3 ms later; a name it plants it takes only where nothing has it.
# In a run where it acted, the script must end with a failure and leave what was planted as it
# was; whatever it does, the user's file stays as it was, no directory of the script's stays,
# and a list that is rewritten names whole files of its own.
runs=${VANTOREL_HOSTILE_RUNS:-4}
mkdir race
sox -D -n -r 48000 -b 16 -c 2 race/x.flac synth 1 sine 440
cp base.wav race/y.Wav
printf 'x.flac\ny.Wav\n' > race/tlist.txt
printf 'the user'"'"'s own\n' > victim
(cd race && "$VANTOREL" --script > fix.sh 2>/dev/null && sh fix.sh 2>/dev/null)
whole=$(wc -c < race/x-cd.wav)
fixed=$(cat race/tlist.txt)
rm -rf race.pristine
mkdir race.pristine
cp race/x.flac race/fix.sh race.pristine
cp base.wav race.pristine/y.Wav
printf 'x.flac\ny.Wav\n' > race.pristine/tlist.txt
victim_sum=$(md5sum < victim)

# harm ACTION NAME STATUS ACTED: what the run broke, one reason a line.
harm() {
  local action=$1 name=$2 status=$3 acted=$4
  [ "$(md5sum < victim)" = "$victim_sum" ] || echo "the user's file changed"
  ! compgen -G 'race/.vantorel-*' >/dev/null || echo "the script's directory stayed"
  if [ "$(cat race/tlist.txt 2>/dev/null)" = "$fixed" ] && [ ! -L race/tlist.txt ]; then
    [ -f race/x-cd.wav ] && [ "$(wc -c < race/x-cd.wav)" = "$whole" ] || echo "x-cd.wav is not whole"
    [ -f race/y.wav ] && [ ! -L race/y.wav ] || echo "y.wav is not the file"
  fi
  [ "$acted" = acted ] || return 0
  case $action in
    link) [ "$(readlink "race/$name")" = ../victim ] || echo "the link changed" ;;
    file) [ "$(cat "race/$name")" = planted ] || echo "the planted file changed" ;;
    fifo) [ -p "race/$name" ] || echo "the FIFO changed" ;;
    dir) [ -d "race/$name" ] && [ -z "$(ls -A "race/$name")" ] || echo "the directory changed" ;;
  esac
  case $action in
    link | file | fifo | dir) [ "$status" != 0 ] || echo "the script ended well" ;;
    int | term | hup) [ "$status" != 0 ] || echo "the interrupted script ended well" ;;
  esac
  [ "$status" != 124 ] || echo "the script hung"
}

# race WHAT WHEN ACTION [NAME [TARGET]]: runs the script $runs times under each shell against the
# planter, and says in how many runs it was harmed; where the planter never acted, the race is
# not run at all.
race() {
  local what=$1 when=$2 action=$3 name=${4:-} target=${5:-}
  local shell harmed=0 acted_runs=0 i out status moment
  for shell in dash bash 'busybox sh'; do
    for ((i = 0; i < runs; i++)); do
      rm -rf race
      cp -a race.pristine race
      moment=${when//RANDOM/$((RANDOM % 3000))}
      status=0
      out=$(cd race && "$PLANTER" "$moment" "$action" ${name:+"$name"} ${target:+"$target"} \
        -- $shell fix.sh 2>/dev/null) || status=$?
      [ "$out" != acted ] || acted_runs=$((acted_runs + 1))
      if [ -n "$(harm "$action" "$name" "$status" "$out")" ]; then
        harmed=$((harmed + 1))
        echo "  $what, $shell, $moment: $(harm "$action" "$name" "$status" "$out" | paste -sd ';')"
      fi
    done
  done
  check "$what: the planter acted" "$((acted_runs > 0))" 1
  check "$what: harmed in no run of $((3 * runs))" "$harmed" 0
}

for planted in link file fifo dir; do
  race "a $planted planted at a new file's name while it converts" made:1.wav \
    "$planted" x-cd.wav ../victim
  race "a $planted planted at a new file's name as it is placed" closed:1.wav@RANDOM \
    "$planted" x-cd.wav ../victim
done
race "a directory planted at a renamed file's name" closed:orig@RANDOM dir y.wav
race "a link planted at a renamed file's name" closed:orig@RANDOM link y.wav ../victim
race "a FIFO planted at the list's copy" closed:list@RANDOM fifo tlist.txt.orig
race "the list swapped for a link while it converts" made:1.wav swap tlist.txt ../victim
race "the list swapped for a link as it is replaced" closed:list@RANDOM swap tlist.txt ../victim
for signal in int term hup; do
  race "a signal, $signal, while it converts" made:1.wav "$signal"
done
finish
