#!/bin/sh
# Runs a Windows program of the cross-build under Wine. The prefix is B3_WINEPREFIX, else one
# beside the program's build folder, made on first use (never the user's own ~/.wine).
set -e
program=$1
shift
if [ -z "$B3_WINEPREFIX" ]; then
    dir=$(cd "$(dirname "$program")/.." && pwd)
    B3_WINEPREFIX=$dir/wineprefix
fi
export WINEPREFIX="$B3_WINEPREFIX" WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# One prefix for the whole run: the first caller makes it, the others wait for it.
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    # GUI programs started by the tests draw offscreen.
    wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null 2>&1 || true
    wineserver -w
fi
flock -u 9
exec wine "$program" "$@"
