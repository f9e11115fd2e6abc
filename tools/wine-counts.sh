#!/bin/sh
# Counts what one plain walk or one search of a folder asks of Wine: the
# wineserver's requests by name, and the context switches and processor time
# of the program and of the wineserver. Unlike times, the requests and the
# switches hardly move with the machine's load or with the core the
# wineserver happens to run on (the processor times do move).
#   tools/wine-counts.sh <build-dir> /walk|/search <folder>
# The folder is a Unix path (a tree in <build-dir>/bench-trees, say). Each
# count is taken from a run of its own, less an empty start of the same
# program counted the same way. The build's wineserver is stopped first and
# at the end, so nothing else may run in the build's prefix meanwhile (the
# tests, say); perf gives the switches and times (left out without it).
set -eu

build=$(cd "${1:?usage: wine-counts.sh <build-dir> /walk|/search <folder>}" && pwd)
mode=${2:?usage: wine-counts.sh <build-dir> /walk|/search <folder>}
folder=${3:?usage: wine-counts.sh <build-dir> /walk|/search <folder>}
export WINEPREFIX="$build/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml="
program="$build/bench_listing.exe"
[ -f "$program" ] || { echo "no $program: cmake --build $build --target bench_listing" >&2; exit 1; }
[ -d "$folder" ] || { echo "no folder $folder" >&2; exit 1; }
winfolder=$(WINEDEBUG=-all winepath -w "$folder" 2>/dev/null)
log=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$log"' EXIT

# The requests: a wineserver of its own per run, tracing, so that its trace
# holds this run alone (a running wineserver would keep its own settings).
requests() {
  wineserver -k 2>/dev/null || true
  WINEDEBUG=+server wine "$program" "$mode" "$1" >"$log/out" 2>"$log/trace" || true
  wineserver -w
  # Request lines are "0024: name( ... )"; the replies "0024: name() = ...".
  grep -E '^[0-9a-f]+: [a-z_]+\(' "$log/trace" | grep -v ') = ' | sed -E 's/^[0-9a-f]+: ([a-z_]+)\(.*/\1/' |
    sort | uniq -c | sort -k2
}
requests "" >"$log/empty"
requests "$winfolder" >"$log/run"
found=$(tr -d '\r' <"$log/out")
echo "wineserver requests of one $mode of $folder${found:+ ($found)}, less an empty start:"
join -1 2 -2 2 -a 1 -e 0 -o 0,1.1,2.1 "$log/run" "$log/empty" |
  awk '{ n = $2 - $3; total += n; if (n >= 100) printf "  %-28s %8d\n", $1, n } END { printf "  %-28s %8d\n", "all requests", total }'

command -v perf >/dev/null 2>&1 || { echo "perf is missing: no switches and times"; exit 0; }
# The switches and times: a quiet wineserver started beforehand, counted apart.
wineserver -k 2>/dev/null || true
WINEDEBUG=-all wine "$program" /walk "" >/dev/null 2>&1 || true
# This prefix's wineserver works in a folder named after the prefix's device
# and inode (other prefixes on the machine have their own).
suffix=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
server=""
for pid in $(pgrep -x 'wineserver(64)?' || true); do
  case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in */"$suffix") server=$pid ;; esac
done
counts() {
  if [ -n "$server" ]; then
    perf stat -x, -e task-clock,context-switches -p "$server" -o "$log/server" &
    watcher=$!
  fi
  WINEDEBUG=-all perf stat -x, -e task-clock,context-switches -o "$log/program" wine "$program" "$mode" "$1" >/dev/null 2>&1 || true
  if [ -n "$server" ]; then kill -INT "$watcher"; wait "$watcher" 2>/dev/null || true; fi
  for f in program server; do
    [ -f "$log/$f" ] || continue
    printf '%s %s %s\n' "$f" "$(grep context-switches "$log/$f" | cut -d, -f1)" "$(grep task-clock "$log/$f" | cut -d, -f1)"
    rm -f "$log/$f"
  done
}
counts "" >"$log/empty"
counts "$winfolder" >"$log/run"
echo "context switches and processor time, less an empty start:"
join "$log/run" "$log/empty" | awk '{ printf "  %-8s %8d switches %8.0f ms\n", $1, $2 - $4, $3 - $5 }'
