#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed tool on the example.
set -euo pipefail
cmake=$1 build=$2 examples=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix/usr local" >/dev/null
test -f "$prefix/usr local/share/man/man1/vantorel.1"
bash "$(dirname "$0")/example.sh" "$prefix/usr local/bin/vantorel" "$examples"
echo "installed and ran $prefix/usr local/bin/vantorel"
