#!/usr/bin/env bash
# The Windows build under Wine: a game folder with a letter outside ASCII, registered in Wine's
# registry as the game's 32-bit installer would, is found by b3cli.exe; `register` writes where
# the lookup reads (also over an older folder in this user's hive), but replaces the game's value
# only with --replace, and `unregister` puts that value back with its type and bytes, or removes
# the key it made; a folder that is no installation is refused; a number in place of the folder
# is "installation not found"; an expandable value with a trailing backslash is expanded and
# loses the backslash; a spell path in other letter case and with / names the same file.
#
# Usage: wine_registry_test.sh WINE-RUN B3CLI.EXE
# Exit status: 0 passed, 1 failed, 77 skipped (Wine is not installed).
set -u -o pipefail

run="$1"
cli="$2"
if ! command -v wine >/dev/null 2>&1; then
    echo "wine is not installed: skipped"
    exit 77
fi
export WINEDEBUG=-all
export LC_ALL=C.UTF-8
# The prefix of the build (made on first use by WINE-RUN), whose registry this test alone
# changes (CTest keeps the other users of the registry apart).
prefix="${B3_WINEPREFIX:-$(cd "$(dirname "$cli")/.." && pwd)/wineprefix}"
export B3_WINEPREFIX="$prefix" WINEPREFIX="$prefix"
key='HKLM\Software\Slate Crown Entertainment\Banerule III: Gloamkings Tide\1.0'
folder='C:\Games\Légende III'
game="$prefix/drive_c/Games/Légende III"

vendor='HKLM\Software\Slate Crown Entertainment'
cleanup() {
    wine reg delete "$vendor" /f /reg:32 >/dev/null 2>&1
    wine reg delete "${vendor/HKLM/HKCU}" /f >/dev/null 2>&1
    rm -rf "$game"
    # The registrations recorded by earlier runs in this prefix's history.
    find "$prefix/drive_c/users" -name registrations.tsv -path '*B3Tools*' -delete 2>/dev/null
}
# The value's type and data as Wine's reg tool shows them.
value_of() {
    wine reg query "$key" /v '$Install_ToDirectory$' "$@" 2>/dev/null | tr -d '\r' |
        grep -F 'Install_ToDirectory'
}
fail() {
    echo "FAIL: $*"
    exit 1
}
trap cleanup EXIT

"$run" "$cli" --help >/dev/null 2>&1 || fail "b3cli.exe does not start under Wine"
cleanup
"$run" "$cli" sample "$folder" || fail "b3cli sample"
[ -f "$game/Army/KNIGHT.ARM" ] || [ -n "$(ls "$game/Army")" ] || fail "no sample armies in $game"

# 1. Registered by Wine's own tool in the 32-bit view, read with the wide call.
wine reg add "$key" /v '$Install_ToDirectory$' /t REG_SZ /d "$folder" /f /reg:32 >/dev/null ||
    fail "wine reg add"
# (The program's text output ends its lines with CR LF, as Windows programs do.)
out=$("$run" "$cli" info 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli info after wine reg add"; }
echo "$out"
grep -qxF "InstallPath: $folder" <<<"$out" || fail "InstallPath is not $folder"
grep -qxF "SpellPath: $folder\\Spell" <<<"$out" || fail "SpellPath is not $folder\\Spell"
grep -q '^NumEditObjects 1: [1-9]' <<<"$out" || fail "no armies read from $folder"

# 2. A number where the folder belongs: installation not found, not a file error.
wine reg add "$key" /v '$Install_ToDirectory$' /t REG_DWORD /d 5 /f /reg:32 >/dev/null ||
    fail "wine reg add REG_DWORD"
"$run" "$cli" info >/dev/null 2>&1 && fail "b3cli info succeeded with a REG_DWORD value"
out=$("$run" "$cli" info 2>&1 | tr -d '\r')
echo "$out"
grep -qF 'error -2147219992 in CEditObject::FindInstallPath' <<<"$out" ||
    fail "a REG_DWORD value is not reported as installation not found"

# 3. The game's value (here a number) is not replaced without --replace; a folder that is no
#    installation is refused.
before=$(value_of /reg:32) || fail "no value before register"
out=$("$run" "$cli" register "$folder" 2>&1 | tr -d '\r') && { echo "$out"; fail "register replaced the game's value"; }
echo "$out"
grep -qF -- '--replace' <<<"$out" || fail "register does not say how to replace"
[ "$(value_of /reg:32)" = "$before" ] || fail "register without --replace changed the value"
"$run" "$cli" register 'C:\Games\Nowhere' >/dev/null 2>&1 && fail "a missing folder was registered"
"$run" "$cli" register 'C:\windows' >/dev/null 2>&1 && fail "a folder without kind folders was registered"
[ "$(value_of /reg:32)" = "$before" ] || fail "a refused register changed the value"

# 3a. With --replace it writes where the lookup reads, says where, and unregister puts the game's
#     value back as it was (type and data).
out=$("$run" "$cli" register --replace "$folder" 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli register --replace"; }
echo "$out"
grep -qF 'in the Windows registry at HKEY_' <<<"$out" || fail "register does not say where it stored"
wine reg query "$key" /v '$Install_ToDirectory$' /reg:32 | grep -q REG_SZ ||
    wine reg query "${key/HKLM/HKCU}" /v '$Install_ToDirectory$' | grep -q REG_SZ ||
    fail "register left no text value in the registry"
out=$("$run" "$cli" info 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli info after register"; }
grep -qxF "InstallPath: $folder" <<<"$out" || fail "the registered folder is not found"
out=$("$run" "$cli" unregister 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli unregister"; }
echo "$out"
[ "$(value_of /reg:32)" = "$before" ] || fail "unregister did not put the game's value back: $(value_of /reg:32)"

# 3b. Where no value was, unregister removes the value and the keys register made.
wine reg delete "$vendor" /f /reg:32 >/dev/null 2>&1
"$run" "$cli" register "$folder" >/dev/null 2>&1 || fail "register with no value before"
"$run" "$cli" unregister >/dev/null 2>&1 || fail "unregister of a new value"
wine reg query "$vendor" /reg:32 >/dev/null 2>&1 && fail "unregister left the keys register made"
"$run" "$cli" register "$folder" >/dev/null 2>&1 || fail "register again"

# 3c. An older folder in this user's hive, which is read first, does not hide a new register.
wine reg add "${key/HKLM/HKCU}" /v '$Install_ToDirectory$' /t REG_SZ /d 'C:\Games\Old B3' /f \
    >/dev/null || fail "wine reg add HKCU"
out=$("$run" "$cli" register --replace "$folder" 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli register over HKCU"; }
echo "$out"
out=$("$run" "$cli" info 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli info after register over HKCU"; }
grep -qxF "InstallPath: $folder" <<<"$out" || fail "an older folder in HKCU hides the registered one"
wine reg delete "${key/HKLM/HKCU}" /f >/dev/null 2>&1

# 3d. An expandable value with a trailing backslash, as an installer may write it: expanded, and
#     no folder property gets a doubled separator.
wine reg add "$key" /v '$Install_ToDirectory$' /t REG_EXPAND_SZ /d '%SystemDrive%\Games\Légende III\' \
    /f /reg:32 >/dev/null || fail "wine reg add REG_EXPAND_SZ"
out=$("$run" "$cli" info 2>&1 | tr -d '\r') || { echo "$out"; fail "b3cli info with REG_EXPAND_SZ"; }
echo "$out"
grep -qxF "InstallPath: $folder" <<<"$out" || fail "the expandable value is not $folder"
grep -qxF "SpellPath: $folder\\Spell" <<<"$out" || fail "SpellPath is not $folder\\Spell"

# 4. A spell path as Windows matches paths: other letter case, forward slashes.
[ -f "$game/Spell/FIREBALL.SPL" ] || fail "the sample has no FIREBALL.SPL"
"$run" "$cli" delete spell 'c:/games/LÉGENDE iii/spell/fireball.spl' ||
    fail "a spell path in lower case with / is refused"
[ ! -e "$game/Spell/FIREBALL.SPL" ] || fail "FIREBALL.SPL is still there"
"$run" "$cli" delete spell 'C:\Games\Other\Spell\HEALING.SPL' 2>/dev/null &&
    fail "a spell path outside the spell folder is accepted"
[ -f "$game/Spell/HEALING.SPL" ] || fail "HEALING.SPL was deleted through another folder"
echo "passed"
