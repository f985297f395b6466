#!/usr/bin/env bash
# The fix script run on names and lists an attacker chose: it runs only what it shows, makes only
# the files it names, never writes over or through a file, keeps every byte of the list and runs
# once. Each trial runs in a directory of its own; every file's md5 is taken before and after.
. "$(dirname "$0")/common.sh"
need sox ffmpeg shellcheck dash
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
finish
