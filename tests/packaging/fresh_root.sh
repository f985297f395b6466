#!/usr/bin/env bash
# Runs every command of the README's Set-up section, as printed there, on a fresh minimal
# Debian 12 (a debootstrap --variant=minbase root), so that a package the command forgets to
# install fails here even when the machine running this has it. Each command gets a root of its
# own, copied from one bootstrap, with the repo's tracked files as they are in the work tree; the
# commands are read from that copy's README. The .deb files apt fetches are shared between the
# roots of one run, and everything is removed at the end. Needs root, debootstrap and git; takes
# the mirror of bookworm that this machine's apt uses (VANTOREL_DEBIAN_MIRROR overrides it).
# Usage: fresh_root.sh [REPO]   (REPO defaults to the one this script is in)
set -euo pipefail
repo=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
suite=bookworm

if ((EUID != 0)); then
  echo "fresh_root.sh: debootstrap and chroot need root" >&2
  exit 1
fi
for tool in debootstrap git chroot mount umount; do
  if ! command -v "$tool" >/dev/null; then
    echo "fresh_root.sh: $tool is not installed" >&2
    exit 1
  fi
done

# The first source, in the order apt reads them, that gives the suite with its main component,
# in either the one-line or the deb822 format.
apt_mirror() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*; do
    [[ -r $file ]] || continue
    case $file in
      *.list)
        awk -v suite="$suite" '
          $1 == "deb" {
            sub(/^deb[ \t]+(\[[^]]*\][ \t]+)?/, "")
            n = split($0, f, /[ \t]+/)
            if (f[2] != suite) next
            for (i = 3; i <= n; i++)
              if (f[i] == "main") { print f[1]; exit }
          }' "$file"
        ;;
      *.sources)
        awk -v suite="$suite" '
          BEGIN { RS = ""; FS = "\n" }
          {
            delete v
            for (i = 1; i <= NF; i++) {
              if ($i ~ /^#/ || !match($i, /^[A-Za-z-]+:/)) continue
              v[tolower(substr($i, 1, RLENGTH - 1))] = " " substr($i, RLENGTH + 1) " "
            }
            if (v["types"] !~ /[ \t]deb[ \t]/ || v["suites"] !~ ("[ \t]" suite "[ \t]")) next
            if (v["components"] !~ /[ \t]main[ \t]/ || v["enabled"] ~ /[ \t]no[ \t]/) next
            split(v["uris"], u, /[ \t]+/)
            for (i = 1; i in u; i++)
              if (u[i] != "") { print u[i]; exit }
          }' "$file"
        ;;
    esac
  done | head -n 1
}
mirror=${VANTOREL_DEBIAN_MIRROR:-$(apt_mirror)}
if [[ -z $mirror ]]; then
  echo "fresh_root.sh: no apt source of $suite main in /etc/apt; set VANTOREL_DEBIAN_MIRROR" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/var/tmp}/vantorel-fresh-root.XXXXXX")
mounts=()
# Unmounts what this run mounted, newest first, down to the first KEEP mounts (default 0).
unmount_all() { # unmount_all [KEEP]
  local i keep=${1:-0}
  for ((i = ${#mounts[@]} - 1; i >= keep; i--)); do
    umount -R "${mounts[i]}" 2>/dev/null || umount -R -l "${mounts[i]}" || true
  done
  mounts=("${mounts[@]:0:keep}")
}
# Removes a directory only once nothing of the machine's /dev, /proc or /sys is mounted in it.
remove() { # remove DIR
  if grep -qF " $1/" /proc/self/mountinfo; then
    echo "fresh_root.sh: something is still mounted under $1, so it is left there" >&2
    return 1
  fi
  rm -rf --one-file-system "$1"
}
# Runs a command in a process group of its own, with its output in LOG, so that a signal to this
# script can end it and all it started before the roots are unmounted.
group=
run_group() { # run_group LOG COMMAND...
  local log=$1 status=0
  shift
  setsid --wait "$@" </dev/null >"$log" 2>&1 &
  group=$!
  wait "$group" || status=$?
  group=
  return "$status"
}
cleanup() {
  if [[ -n $group ]]; then
    kill -KILL -- "-$group" 2>/dev/null || true
    wait "$group" 2>/dev/null || true
  fi
  unmount_all
  remove "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# The roots live in memory: dpkg syncs every file it unpacks, which on disk takes most of the
# run, and a root holds some 2 GB at most.
mount -t tmpfs -o size=12G,mode=0755 vantorel-fresh-root "$work"
mounts+=("$work")

mount_in() { # mount_in ROOT: the root's /proc, /sys, /dev and the shared apt archive
  local root=$1
  mount -t proc proc "$root/proc"
  mounts+=("$root/proc")
  mount -t sysfs sysfs "$root/sys"
  mounts+=("$root/sys")
  mount --rbind /dev "$root/dev"
  mounts+=("$root/dev")
  mount --make-rslave "$root/dev"
  mount --bind "$work/debs" "$root/var/cache/apt/archives"
  mounts+=("$root/var/cache/apt/archives")
}

# The repo's tracked files as the work tree has them; a file deleted there is left out.
export_repo() { # export_repo DIR
  (
    cd "$repo"
    git ls-files -z | while IFS= read -r -d '' path; do
      if [[ -e $path || -L $path ]]; then printf '%s\0' "$path"; fi
    done | tar --null --no-recursion -T - -cf -
  ) | tar -xf - -C "$1"
}

# Each indented code block of the Set-up section, lines joined, as one NUL-ended command.
setup_commands() { # setup_commands README
  awk '
    /^## / { inside = ($0 == "## Set-up") }
    inside && /^    / { block = block (block == "" ? "" : "\n") substr($0, 5); next }
    block != "" { printf "%s%c", block, 0; block = "" }
    END { if (block != "") printf "%s%c", block, 0 }' "$1"
}

start=$SECONDS
mkdir "$work/repo"
export_repo "$work/repo"
mapfile -d '' commands < <(setup_commands "$work/repo/README.md")
if ((${#commands[@]} == 0)); then
  echo "fresh_root.sh: README.md's Set-up section gives no command" >&2
  exit 1
fi
if [[ "${commands[*]}" != *"--preset package"* ]]; then
  echo "fresh_root.sh: README.md's Set-up section gives no command that builds the package" >&2
  exit 1
fi

echo "Bootstrapping Debian $suite (minbase) from $mirror"
if ! run_group "$work/debootstrap.log" \
  debootstrap --variant=minbase "$suite" "$work/base" "$mirror"; then
  tail -n 40 "$work/debootstrap.log"
  echo "fresh_root.sh: debootstrap failed" >&2
  exit 1
fi
rm -f "$work/base/var/cache/apt/archives/"*.deb
mv "$work/repo" "$work/base/root/vantorel"
mkdir -p "$work/debs/partial"
echo "Bootstrapped in $((SECONDS - start)) s"

failed=0
for i in "${!commands[@]}"; do
  command=${commands[i]}
  root="$work/root$i"
  cp -a "$work/base" "$root"
  mount_in "$root"
  echo "On a fresh root, in the repo: $command"
  began=$SECONDS
  # A new machine's environment, but that apt asks nothing, the interop tests may not skip and
  # the build uses every core; none of these changes what a command needs installed.
  status=0
  run_group "$work/command$i.log" chroot "$root" /usr/bin/env -i -C /root/vantorel HOME=/root \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    DEBIAN_FRONTEND=noninteractive VANTOREL_REQUIRE_INTEROP=1 \
    CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" \
    /bin/bash -c "$command" || status=$?
  if ((status == 0)); then
    echo "  passed in $((SECONDS - began)) s"
  else
    tail -n 60 "$work/command$i.log" | sed 's/^/  | /'
    echo "  FAILED with status $status in $((SECONDS - began)) s"
    failed=$((failed + 1))
  fi
  unmount_all 1
  remove "$root"
done

echo "README set-up commands on a fresh Debian $suite root: $((${#commands[@]} - failed)) of" \
  "${#commands[@]} pass, in $((SECONDS - start)) s in all"
((failed == 0))
