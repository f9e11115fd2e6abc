#!/bin/sh
# Runs every benchmark program of a build folder (bench_*.exe) under Wine, in
# the build's private prefix, and prints what they print. Without a display
# it runs itself again under Xvfb. The wineserver is stopped at the end.
#   tools/run-bench.sh <build-dir>
set -u

build=$(cd "${1:?usage: run-bench.sh <build-dir>}" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DISPLAY:-}" ] && [ -z "${MARROWBY_BENCH_UNDER_XVFB:-}" ]; then
  MARROWBY_BENCH_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

trap 'wineserver -k 2>/dev/null || true' EXIT

found=0
status=0
for program in "$build"/bench_*.exe; do
  [ -f "$program" ] || continue
  found=1
  echo "== $(basename "$program" .exe)"
  wine "$program" || { echo "$(basename "$program") failed (exit $?)"; status=1; }
done
if [ "$found" = 0 ]; then
  echo "no benchmark programs in $build" >&2
  status=1
fi
exit $status
