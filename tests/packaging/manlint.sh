#!/usr/bin/env bash
# The manual page renders with no warning from mandoc (or, lacking it, groff).
set -euo pipefail
page=$1
if command -v mandoc >/dev/null; then
  out=$(mandoc -T lint -W warning "$page" 2>&1) || true
elif command -v groff >/dev/null; then
  out=$(groff -ww -mandoc -z "$page" 2>&1) || true
else
  echo "SKIP: neither mandoc nor groff is installed"
  exit 77
fi
[ -z "$out" ] || { echo "$out"; exit 1; }
echo "manual page renders cleanly"
