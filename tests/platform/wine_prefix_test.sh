#!/usr/bin/env bash
# Makes a real Wine prefix with Wine's own tools, registers the game in it as a 32-bit
# installer would, writes the sample installation into its C: drive, and checks that b3cli
# finds that folder through the prefix.
#
# Usage: wine_prefix_test.sh PATH-TO-B3CLI
# Exit status: 0 passed, 1 failed, 77 skipped (Wine is not installed).
set -u

cli="${1:-}"
if ! command -v wine >/dev/null 2>&1 || ! command -v wineserver >/dev/null 2>&1; then
    echo "wine is not installed: skipped"
    exit 77
fi
if [ -z "$cli" ] || [ ! -x "$cli" ]; then
    echo "FAIL: b3cli not found at '$cli'"
    exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/b3-wine-prefix-XXXXXX")"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No display is needed, and none must be used; no Mono or Gecko installer either.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reads its command-line arguments in the locale's character set.
export LC_ALL=C.UTF-8

cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

start=$(date +%s.%N)
wine wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; fail "wineboot -i"; }
wine reg add 'HKLM\Software\Slate Crown Entertainment\Banerule III: Gloamkings Tide\1.0' \
    /v '$Install_ToDirectory$' /t REG_SZ /d 'C:\Games\Légende III' /f /reg:32 \
    >"$work/reg.log" 2>&1 || { cat "$work/reg.log"; fail "wine reg add"; }
# Wine writes system.reg when its server ends.
wineserver -w
end=$(date +%s.%N)
echo "prefix made in $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"

grep -F 'Slate Crown Entertainment' "$WINEPREFIX/system.reg" ||
    fail "the key is not in $WINEPREFIX/system.reg"

game="$WINEPREFIX/drive_c/Games/Légende III"
"$cli" sample "$game" >"$work/sample.log" 2>&1 || { cat "$work/sample.log"; fail "b3cli sample"; }

# No registry file of our own: the prefix is the only store.
export B3_REGISTRY="$work/no-such-folder/registry.reg"
"$cli" info >"$work/info.out" 2>&1
status=$?
cat "$work/info.out"
[ "$status" -eq 0 ] || fail "b3cli info ended with status $status"
grep -Fxq "InstallPath: $game" "$work/info.out" || fail "expected the line 'InstallPath: $game'"
grep -Fxq "InstallSource: Wine prefix $WINEPREFIX (32-bit view)" "$work/info.out" ||
    fail "expected the line 'InstallSource: Wine prefix $WINEPREFIX (32-bit view)'"
[ ! -e "$B3_REGISTRY" ] || fail "b3cli info created $B3_REGISTRY"
echo "PASS"
