#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed tool on the example; the
# installed manual page, compressed, holds the page kept in man/.
set -euo pipefail
cmake=$1 build=$2 examples=$3 page=$4
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix/usr local" >/dev/null
gzip -dc "$prefix/usr local/share/man/man1/vantorel.1.gz" | cmp - "$page"
bash "$(dirname "$0")/example.sh" "$prefix/usr local/bin/vantorel" "$examples"
echo "installed and ran $prefix/usr local/bin/vantorel"
