#!/usr/bin/env bash
# Checks the Debian package a build made with cpack -G DEB: the build has every hardening flag
# Debian's dpkg-buildflags gives, lintian finds in the package no error, no warning and no
# hardening missing, and the tool the package installs runs the example.
set -euo pipefail
build=$1 examples=$(cd "$2" && pwd)
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
deb="$build/vantorel_$(cached CMAKE_PROJECT_VERSION)_$(dpkg --print-architecture).deb"

# lintian cannot see _FORTIFY_SOURCE in this tool (packaging/lintian-overrides says why), so the
# flags themselves are compared. -g and -O2 are left to the build type, and -ffile-prefix-map
# changes nothing in a stripped tool that holds no path.
built=" $(cached CMAKE_CXX_FLAGS) $(cached CMAKE_EXE_LINKER_FLAGS) "
for kind in CPPFLAGS CXXFLAGS LDFLAGS; do
  for flag in $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$kind"); do
    case $flag in -g | -O2 | -ffile-prefix-map=*) continue ;; esac
    if [[ $built != *" $flag "* ]]; then
      echo "$build is built without $flag, which dpkg-buildflags gives in $kind" >&2
      exit 1
    fi
  done
done

# Tags of every level are shown; an error or a warning fails, and so does any hardening tag.
if ! report=$(lintian --display-info --pedantic --show-overrides --fail-on error,warning \
  "$deb" 2>&1); then
  echo "$report"
  echo "lintian finds errors or warnings in $deb" >&2
  exit 1
fi
echo "$report"
if grep -E '^[^NO]: [^ ]+: hardening-' <<<"$report" >/dev/null; then
  echo "lintian finds hardening missing in $deb" >&2
  exit 1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
bash "$(dirname "$0")/example.sh" "$root/usr/bin/vantorel" "$examples"
echo "lintian accepts $deb, and its tool runs the example"
