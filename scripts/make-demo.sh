#!/usr/bin/env bash
# `make demo`: lays out demo/ with a sample roster of 300 soldiers, the three
# report layouts and the help file, and starts Varnel there.
# Usage: scripts/make-demo.sh BUILD_DIR [--layout-only]
#   --layout-only  prepares demo/ without starting the program.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: make-demo.sh BUILD_DIR [--layout-only]}" && pwd)
demo="$root/demo"

mkdir -p "$demo"
# varnel-roster never overwrites a roster: an existing demo roster, with the
# clerk's changes, is kept.
if [ ! -e "$demo/Varnel_DATA.MDB" ]; then
  "$build/varnel-roster" sample "$demo/Varnel_DATA.MDB" --count 300 --seed 7
fi
cp "$root/data/Varnel.HLP" "$demo/"
cp "$root"/data/*.rpt "$demo/"

[ "${2:-}" = "--layout-only" ] && exit 0
cd "$demo"
exec "$build/varnel"
