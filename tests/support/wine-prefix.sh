#!/bin/sh
# Makes the private Wine prefix of the tests and of `make run` once; later
# runs find it ready. Raise the stamp when the settings below change.
set -e
prefix=$1
stamp="$prefix/.marrowby-ready-3"
[ -f "$stamp" ] && exit 0
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
# Test windows are not handed to a window manager: with none running (Xvfb),
# Wine would wait two seconds for every hidden window to be withdrawn.
# Marrowby itself stays a managed window, with the desktop's frame and title.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\AppDefaults\Marrowby.exe\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
# A program that crashes ends with a backtrace on its output instead of a
# crash dialog that would wait for a person until the test times out.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
rm -f "$prefix"/.marrowby-ready*
touch "$stamp"
