#!/bin/sh
# Starts Marrowby under Wine with the build's private prefix. Without a
# display it runs under Xvfb, saves a picture of the main window to
# <build>/marrowby.png and closes the program again.
set -eu
build=$(cd "${1:-build}" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exe="$build/Marrowby.exe"

if [ -n "${DISPLAY:-}" ] && [ -z "${MARROWBY_SCREENSHOT:-}" ]; then
  wine "$exe"
  status=$?
  wineserver -w
  exit $status
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env MARROWBY_SCREENSHOT=1 "$0" "$build"
fi

# Under a display made for us: start, wait for the window, take its picture, close.
wine "$exe" &
pid=$!
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --onlyvisible --name '^Marrowby$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "Marrowby did not show its main window" >&2
  kill "$pid" 2>/dev/null || true
  wineserver -k
  exit 1
fi
sleep 2  # let the list and the status bar paint
import -window "$window" "$build/marrowby.png"
echo "Saved $build/marrowby.png"
# A polite close, as the user would: the program saves its folder list.
wine taskkill /im Marrowby.exe >/dev/null 2>&1 || true
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
wineserver -w
