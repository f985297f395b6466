#!/usr/bin/env bash
# Runs vantorel on a copy of the bundled example and compares its cue sheet with the one kept.
set -euo pipefail
vantorel=$1 examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/tlist.txt "$examples"/*.wav "$work"
cd "$work"
"$vantorel"
cmp output.cue "$examples/expected.cue"
