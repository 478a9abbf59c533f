#!/usr/bin/env bash
# B3Tools.exe and OddsLab.exe start under Wine on the sample installation (registered in Wine's
# registry) with the Qt DLLs and plugins of the build folder, and keep running until stopped:
# no missing DLL, no crash at start.
#
# Usage: gui_start_test.sh WINE-RUN BIN-FOLDER
# Exit status: 0 passed, 1 failed, 77 skipped (Wine is not installed).
set -u -o pipefail

run=$1
bin=$2
command -v wine >/dev/null 2>&1 || { echo "wine is not installed: skipped"; exit 77; }
export WINEDEBUG=err+module LC_ALL=C.UTF-8
prefix="${B3_WINEPREFIX:-$(cd "$bin/.." && pwd)/wineprefix}"
export B3_WINEPREFIX="$prefix" WINEPREFIX="$prefix"
key='HKLM\Software\Slate Crown Entertainment\Banerule III: Gloamkings Tide\1.0'
folder='C:\Games\B3 Start'
game="$prefix/drive_c/Games/B3 Start"
log=$(mktemp "${TMPDIR:-/tmp}/b3-gui-start-XXXXXX")
cleanup() {
    WINEDEBUG=-all wine reg delete "$key" /f /reg:32 >/dev/null 2>&1
    rm -rf "$game" "$log"
}
fail() {
    echo "FAIL: $*"
    cat "$log"
    exit 1
}
trap cleanup EXIT

"$run" "$bin/b3cli.exe" sample "$folder" >/dev/null 2>&1 || fail "b3cli sample"
WINEDEBUG=-all wine reg add "$key" /v '$Install_ToDirectory$' /d "$folder" /f /reg:32 >/dev/null ||
    fail "wine reg add"
for program in B3Tools OddsLab; do
    timeout 15 "$run" "$bin/$program.exe" -platform offscreen >"$log" 2>&1
    status=$?
    # Still running when stopped (124) is a started program; anything else ended it early.
    [ "$status" = 124 ] || fail "$program.exe ended at start with status $status"
    grep -q 'err:module' "$log" && fail "$program.exe misses a DLL"
    # The program itself, should Wine leave it behind when its starter is stopped.
    for pid in $(pgrep -f "$program.exe"); do
        [ "$(readlink "/proc/$pid/cwd")" = "$(pwd)" ] && kill "$pid" 2>/dev/null
    done
    echo "$program.exe started"
done
echo "passed"
