#!/usr/bin/env bash
# `make screenshots`: renders the main window on the demo roster, the About
# box and the help window to PNG files under screenshots/, on a private X
# server (Xvfb) that is started for the purpose and stopped afterwards. The
# program is driven as a clerk would drive it, by keys: Alt+H, A for the
# About box and F1 for the help.
# Usage: scripts/make-screenshots.sh BUILD_DIR
# Then the main window on screens it does not fit (1024x768 at 144 DPI,
# QT_SCALE_FACTOR=2: it scrolls) and under a dark colour scheme (qt6ct's
# "darker"), each on an X server of its own.
# Needs: xvfb, xauth, imagemagick (import), xdotool, qt6ct.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: make-screenshots.sh BUILD_DIR}" && pwd)
out="$root/screenshots"
for tool in Xvfb import xdotool; do
  command -v "$tool" > /dev/null || { echo "make-screenshots: $tool is missing (run scripts/install-deps.sh)" >&2; exit 1; }
done

"$root/scripts/make-demo.sh" "$build" --layout-only
mkdir -p "$out"

# A display number nobody uses.
display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "make-screenshots: no free X display between :90 and :140" >&2; exit 1; }

xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2> /dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null || true
  wait 2> /dev/null || true
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "make-screenshots: Xvfb did not start on :$display" >&2; exit 1; }
export DISPLAY=":$display"
unset QT_QPA_PLATFORM

# Waits for a visible window whose title matches and prints its id.
window() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }
# Titles as the window system has them, to check the captions.
title() { xdotool getwindowname "$1"; }
shot() { import -window "$1" "$out/$2"; echo "screenshots/$2"; }

(cd "$root/demo" && exec "$build/varnel") > /dev/null 2>&1 &
app_pid=$!
main=$(window '^Varnel$')
sleep 1
shot "$main" main-window.png

# Help > About... from the keyboard.
xdotool windowfocus --sync "$main"
xdotool key alt+h
sleep 0.5
xdotool key a
about=$(window '^About')
sleep 0.5
shot "$about" about-box.png
echo "captions: main window \"$(title "$main")\", About box \"$(title "$about")\""
shot root desktop.png

# F1 in the main window: the help at its contents.
xdotool windowfocus --sync "$main"
xdotool key F1
help=$(window 'Help')
sleep 0.5
shot "$help" help.png

# The window on other screens and schemes: one X server each.
# setup NAME XVFB_SCREEN [VAR=VALUE ...]
setup() {
  local name=$1 screen=$2; shift 2
  local n=$((display + 1))
  Xvfb ":$n" -screen 0 $screen -nolisten tcp > /dev/null 2>&1 &
  local server=$!
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  (cd "$root/demo" && exec env DISPLAY=":$n" "$@" "$build/varnel") > /dev/null 2>&1 &
  local program=$!
  DISPLAY=":$n" timeout 30 xdotool search --sync --onlyvisible --name '^Varnel$' > /dev/null
  sleep 1
  DISPLAY=":$n" import -window root "$out/$name.png"
  echo "screenshots/$name.png"
  case $name in screen-1024x768-*)
    # The wheel over the fitness-test list scrolls the window down to the
    # buttons.
    DISPLAY=":$n" xdotool mousemove 60 500 click --repeat 15 5
    sleep 0.5
    DISPLAY=":$n" import -window root "$out/$name-scrolled.png"
    echo "screenshots/$name-scrolled.png" ;;
  esac
  kill "$program" 2> /dev/null || true
  kill "$server" 2> /dev/null || true
  wait "$program" "$server" 2> /dev/null || true
}

theme=$(mktemp -d)
mkdir -p "$theme/qt6ct"
printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
  > "$theme/qt6ct/qt6ct.conf"
setup screen-1024x768-144dpi "1024x768x24 -dpi 144" QT_FONT_DPI=144
setup screen-1024x768-scale2 "1024x768x24" QT_SCALE_FACTOR=2
setup screen-1280x1024-96dpi "1280x1024x24 -dpi 96"
setup dark-scheme "1024x768x24" QT_QPA_PLATFORMTHEME=qt6ct XDG_CONFIG_HOME="$theme"
rm -rf "$theme"
