#!/usr/bin/env bash
# Checks an installed Varnel, from the installed files alone: both programs
# answer --help and --version without a display, the shipped files are where
# the programs look for them, the desktop entry, icons, metadata and man
# pages are in place, a roster is made and filled, a shipped layout reports
# on it, and the window starts (offscreen) in a roster folder and ends in
# order on SIGTERM. Runs inside a clean root (package-check.sh) or against a
# scratch prefix.
# Usage: installed-smoke.sh PREFIX
set -euo pipefail

prefix=${1:?usage: installed-smoke.sh PREFIX}
bin="$prefix/bin"
share="$prefix/share"
failures=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
check() { # description, command...
  local what=$1; shift
  if "$@" > "$work/check.out" 2>&1; then
    echo "ok    $what"
  else
    echo "FAIL  $what"; sed 's/^/      /' "$work/check.out"; failures=$((failures + 1))
  fi
}
has() { grep -q -- "$2" "$1"; }

# No display: the terminal options must not need one.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

check "varnel --version" sh -c "'$bin/varnel' --version | grep -qx 'varnel [0-9.]*'"
check "varnel --help names --user-folder" sh -c "'$bin/varnel' --help | grep -q -- --user-folder"
check "varnel-roster --version" sh -c "'$bin/varnel-roster' --version | grep -qx 'varnel-roster [0-9.]*'"
check "varnel-roster --help lists the commands" sh -c "'$bin/varnel-roster' --help | grep -q 'varnel-roster recover'"
check "a folder that does not exist is refused with 2" sh -c "'$bin/varnel' /nonexistent/roster; test \$? -eq 2"

for f in varnel_list.rpt varnel_work.rpt varnel_nco.rpt Varnel.HLP; do
  check "shipped $f" test -s "$share/varnel/$f"
done
check "desktop entry" has "$share/applications/org.varnel.Varnel.desktop" "Exec=varnel --user-folder"
check "AppStream metadata" has "$share/metainfo/org.varnel.Varnel.metainfo.xml" "<id>org.varnel.Varnel</id>"
check "scalable icon" test -s "$share/icons/hicolor/scalable/apps/org.varnel.Varnel.svg"
for size in 16 32 48 256; do
  check "${size}px icon" test -s "$share/icons/hicolor/${size}x${size}/apps/org.varnel.Varnel.png"
done
check "man page varnel(1)" sh -c "gzip -dc '$share/man/man1/varnel.1.gz' | grep -q 'user.*folder'"
check "man page varnel-roster(1)" sh -c "gzip -dc '$share/man/man1/varnel-roster.1.gz' | grep -q SYNOPSIS"
check "man pages name this prefix's files" sh -c "gzip -dc '$share/man/man1/varnel.1.gz' | grep -qF '$share/varnel'"
check "roster file type" has "$share/mime/packages/org.varnel.Varnel.xml" "Varnel_DATA.MDB"
for f in copyright changelog.gz server.md failures.md; do
  check "doc/varnel/$f" test -s "$share/doc/varnel/$f"
done

mkdir -p "$work/empty"
check "varnel-roster create" "$bin/varnel-roster" create "$work/empty/Varnel_DATA.MDB"
mkdir -p "$work/roster"
check "varnel-roster sample" "$bin/varnel-roster" sample "$work/roster/Varnel_DATA.MDB" --count 25 --seed 3
cp "$share/varnel/varnel_list.rpt" "$work/roster/"
check "a shipped layout reports on the roster beside it" \
  sh -c "'$bin/varnel-roster' report '$work/roster/varnel_list.rpt' '$work/list.pdf' && head -c 5 '$work/list.pdf' | grep -q '%PDF-'"
rm "$work/roster/varnel_list.rpt"

# The window, started by folder, stays up until it is asked to end.
window_runs() {
  QT_QPA_PLATFORM=offscreen "$bin/varnel" "$work/roster" > "$work/window.log" 2>&1 &
  local pid=$!
  sleep 3
  if ! kill -0 "$pid" 2> /dev/null; then
    cat "$work/window.log"; return 1
  fi
  kill -TERM "$pid"
  wait "$pid"
}
check "the window starts in the roster's folder and ends on SIGTERM" window_runs
check "nothing was left beside the roster" sh -c "test \"\$(ls -A '$work/roster')\" = Varnel_DATA.MDB"

if [ "$failures" -ne 0 ]; then
  echo "installed-smoke: $failures check(s) failed"
  exit 1
fi
echo "installed-smoke: every check passed"
