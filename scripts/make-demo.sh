#!/usr/bin/env bash
# `make demo`: builds the two programs the demo needs (not the tests or the
# benchmarks), lays out demo/ with a sample roster of 300 soldiers, the three
# report layouts and the help file, and starts Varnel there.
# Usage: scripts/make-demo.sh BUILD_DIR [--layout-only]
#   --layout-only  prepares demo/ without starting the program (no display
#                  needed).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_arg=${1:?usage: make-demo.sh BUILD_DIR [--layout-only]}
layout_only=false
[ "${2:-}" = "--layout-only" ] && layout_only=true
demo="$root/demo"

# Says whether Varnel's window has somewhere to appear: a platform chosen
# through QT_QPA_PLATFORM (offscreen, vnc, ...), a Wayland session, or an X
# display that answers.
display_problem() {
  [ -n "${QT_QPA_PLATFORM:-}" ] && return 0
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  if [ -z "${DISPLAY:-}" ]; then
    echo "DISPLAY is not set"
    return 0
  fi
  if command -v xdotool > /dev/null && ! xdotool getdisplaygeometry > /dev/null 2>&1; then
    echo "the X display $DISPLAY does not answer"
  fi
}

if ! $layout_only; then
  problem=$(display_problem)
  if [ -n "$problem" ]; then
    cat >&2 << EOT
make demo: there is no display to show Varnel's window on ($problem).
Run the demo from a desktop session, over ssh -X, or on a virtual display:
    xvfb-run -a make demo
(xvfb-run is in the package xvfb). "scripts/make-demo.sh $build_arg --layout-only"
only lays out demo/ and needs no display.
EOT
    exit 1
  fi
fi

# Only what the demo runs: the window and the roster tool.
cmake --build "$build_arg" --target varnel varnel-roster
build=$(cd "$build_arg" && pwd)

mkdir -p "$demo"
# varnel-roster never overwrites a roster: an existing demo roster, with the
# clerk's changes, is kept.
if [ ! -e "$demo/Varnel_DATA.MDB" ]; then
  "$build/varnel-roster" sample "$demo/Varnel_DATA.MDB" --count 300 --seed 7
fi
cp "$root/data/Varnel.HLP" "$demo/"
cp "$root"/data/*.rpt "$demo/"

$layout_only && exit 0
cd "$demo"
exec "$build/varnel"
