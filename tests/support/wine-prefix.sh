#!/bin/sh
# Creates the tests' private Wine prefix once; later runs find it ready.
set -e
prefix=$1
[ -f "$prefix/.marrowby-ready" ] && exit 0
mkdir -p "$prefix"
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
WINEPREFIX=$prefix wineserver -w
touch "$prefix/.marrowby-ready"
