#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine. The prefix is B3_WINEPREFIX, else one
# beside the program's build folder, made on first use (never the user's own ~/.wine).
set -e
program=$1
shift
build=$(cd "$(dirname "$program")/.." && pwd)
if [ -z "${B3_WINEPREFIX:-}" ]; then
    B3_WINEPREFIX=$build/wineprefix
fi
# The build's programs folder (B3EdtSvr.dll and the runtime) is searched for DLLs too, so that
# the helper programs in tools/ run; Wine sees the root folder as drive Z:.
if [ -d "$build/bin" ]; then
    bin="Z:$build/bin"
    export WINEPATH="${bin//\//\\}${WINEPATH:+;$WINEPATH}"
fi
# Without winemenubuilder Wine writes no menu entries or file associations into the host's home.
export WINEPREFIX="$B3_WINEPREFIX" WINEDEBUG=${WINEDEBUG:--all} \
    WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
# One prefix for the whole run: the first caller makes it, the others wait for it.
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    # GUI programs started by the tests draw offscreen.
    wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null 2>&1 || true
    wineserver -w
fi
# The build's shared prefix keeps its server up a while after its last program ends, so that the
# next test's program never meets a server on its way out (Wine then fails with "recvmsg:
# Connection reset by peer"). Tests with prefixes of their own wait for their servers themselves.
if [ "$B3_WINEPREFIX" = "$build/wineprefix" ]; then
    wineserver -p60 2>/dev/null || true
fi
flock -u 9
exec wine "$program" "$@"
