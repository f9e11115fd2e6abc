#!/bin/sh
# Runs every benchmark program of a build folder (bench_*.exe) under Wine, in
# the build's private prefix, and prints what they print. Without a display
# it runs itself again under Xvfb. The wineserver is stopped at the end.
#   tools/run-bench.sh [--full] <build-dir>
# The quick form (the default, `make bench`) measures smaller trees where a
# benchmark must make a fresh tree per round, and takes the trees that are
# only read from <build-dir>/bench-trees, made once; --full (`make bench-full`)
# measures the big trees every benchmark was written for.
set -u

full=""
if [ "${1:-}" = "--full" ]; then
  full="/full"
  shift
fi
build=$(cd "${1:?usage: run-bench.sh [--full] <build-dir>}" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DISPLAY:-}" ] && [ -z "${MARROWBY_BENCH_UNDER_XVFB:-}" ]; then
  if [ -n "$full" ]; then set -- --full "$build"; else set -- "$build"; fi
  MARROWBY_BENCH_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

trap 'wineserver -k 2>/dev/null || true' EXIT

found=0
status=0
started=$(date +%s)
echo "load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
for program in "$build"/bench_*.exe; do
  [ -f "$program" ] || continue
  found=1
  echo "== $(basename "$program" .exe)"
  # $full is empty or one word: unquoted, it gives no argument or that one.
  # shellcheck disable=SC2086
  wine "$program" $full || { echo "$(basename "$program") failed (exit $?)"; status=1; }
done
if [ "$found" = 0 ]; then
  echo "no benchmark programs in $build" >&2
  status=1
fi
echo "all benchmarks: $(( $(date +%s) - started )) s; load after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
