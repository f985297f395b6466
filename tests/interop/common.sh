# Shared by the interop tests: arguments, a scratch directory, and skipping when a peer tool is
# missing (never in CI, where VANTOREL_REQUIRE_INTEROP is set).
set -euo pipefail
VANTOREL=$1
WAVKIT=${2:-}
PLANTER=${3:-}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
failures=0

need() {
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      if [ "${VANTOREL_REQUIRE_INTEROP:-}" = 1 ]; then
        echo "FAIL: $tool is not installed"
        exit 1
      fi
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
}

check() {  # check WHAT GOT WANT
  if [ "$2" = "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1"
    echo "  got:  $2"
    echo "  want: $3"
    failures=$((failures + 1))
  fi
}

finish() {
  [ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
}
