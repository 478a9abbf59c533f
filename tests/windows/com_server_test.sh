#!/usr/bin/env bash
# The edit server as a COM server under Wine, in a prefix of its own: regsvr32 registers the
# 64-bit B3EdtSvr.dll; on the sample installation (a folder name outside Windows-1252, registered
# in the 32-bit view as the game's installer writes it) a VBScript and a JScript create the class
# by its ProgID and check what they read, write and delete, and the errors they see; a C++ client
# creates it by its class identifier and calls the vtable and IDispatch::Invoke; the README's
# VBScript examples run as written; without a registered game creation fails with "installation
# not found"; regsvr32 /u leaves the class registry as it was before registration.
#
# Usage: com_server_test.sh WINE-RUN BUILD-DIR README.md
# Exit status: 0 passed, 1 failed, 77 skipped (Wine is not installed).
set -u -o pipefail

run=$1
build=$(cd "$2" && pwd)
readme=$3
if ! command -v wine >/dev/null 2>&1; then
    echo "wine is not installed: skipped"
    exit 77
fi
tests=$(cd "$(dirname "$0")" && pwd)
bin=$build/bin
export WINEDEBUG=-all LC_ALL=C.UTF-8
export B3_WINEPREFIX="$build/wineprefix-com" WINEPREFIX="$build/wineprefix-com"
work=$(mktemp -d "${TMPDIR:-/tmp}/b3-com-XXXXXX")
key='HKLM\Software\Slate Crown Entertainment\Banerule III: Gloamkings Tide\1.0'
folder='C:\Games\Légende Ω III'
game="$WINEPREFIX/drive_c/Games/Légende Ω III"
clsid='{441F0F8E-79BA-11D1-BCA4-000000000000}'

fail() {
    echo "FAIL: $*"
    exit 1
}

# Made by the build's runner on first use (it waits for a prefix being made by another caller).
"$run" "$bin/b3cli.exe" --help >/dev/null 2>&1 || fail "b3cli.exe does not start under Wine"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
dll=$(winepath -w "$bin/B3EdtSvr.dll")
winpath() { winepath -w "$1"; }

cleanup() {
    wine regsvr32 /u /s "$dll" >/dev/null 2>&1
    wine reg delete "$key" /f /reg:32 >/dev/null 2>&1
    rm -rf "$game" "$work"
}
trap cleanup EXIT

# The class registry as it is: this machine's classes (both views) and this user's.
export_classes() {
    wine reg export 'HKLM\Software\Classes' "$work/$1-machine.reg" /y >/dev/null 2>&1 ||
        fail "wine reg export HKLM\\Software\\Classes"
    wine reg export 'HKCU\Software\Classes' "$work/$1-user.reg" /y >/dev/null 2>&1 ||
        echo "(no HKCU\\Software\\Classes)" >"$work/$1-user.reg"
}

# cscript SCRIPT ARGS... ; the script's output in $out. A script stopped by a run-time error
# ends with status 0 and says nothing, so each script prints its own end marker.
script() {
    out=$(wine cscript //nologo "$(winpath "$1")" "${@:2}" 2>&1 | tr -d '\r')
}

# 1. Registration. Wine's script host registers its own type library on its first run: it runs
# once before the registry is taken down.
printf 'WScript.Quit 0\r\n' >"$work/quit.vbs"
wine cscript //nologo "$(winpath "$work/quit.vbs")" >/dev/null 2>&1
wine regsvr32 /u /s "$dll" >/dev/null 2>&1
export_classes before
wine regsvr32 /s "$dll" || fail "regsvr32 /s B3EdtSvr.dll exits with $?"
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
query "HKCR\\CLSID\\$clsid\\InprocServer32" | grep -qF "REG_SZ    $dll" ||
    fail "InprocServer32 does not name $dll"
query "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel | grep -q 'REG_SZ    Apartment$' ||
    fail "ThreadingModel is not Apartment"
query 'HKCR\B3EdtSvr.CEditObject\CLSID' | grep -qF "$clsid" || fail "no ProgID B3EdtSvr.CEditObject"
query 'HKCR\B3EdtSvr.CEditObject.1\CLSID' | grep -qF "$clsid" || fail "no ProgID B3EdtSvr.CEditObject.1"
query 'HKCR\TypeLib\{441F0F8F-79BA-11D1-BCA4-000000000000}\1.0\409\win64' | grep -qF "$dll" ||
    fail "the type library is not registered"

# 2. The sample installation, registered as the game's 32-bit installer does.
wine "$bin/b3cli.exe" sample "$folder" >/dev/null || fail "b3cli sample $folder"
wine reg add "$key" /v '$Install_ToDirectory$' /t REG_SZ /d "$folder" /f /reg:32 >/dev/null ||
    fail "wine reg add"

script "$tests/com/com_server_test.vbs" installed "$folder"
echo "$out"
grep -qx 'COM VBScript: passed' <<<"$out" || fail "the VBScript checks (installed)"
script "$tests/com/com_server_test.js" "$folder"
echo "$out"
grep -qx 'COM JScript: passed' <<<"$out" || fail "the JScript checks"
wine "$bin/b3_com_client.exe" installed "$folder" || fail "the C++ client (installed)"

# 3. The README's examples, as written: list, change one army, list again, an error.
awk -v dir="$work" '
    /^## / { inside = ($0 == "## Scripting the edit server (Windows)") }
    inside && /^```vbscript$/ { n++; file = dir "/readme" n ".vbs"; next }
    file != "" && /^```$/ { close(file); file = ""; next }
    file != "" { printf "%s\r\n", $0 > file }
' "$readme"
[ -f "$work/readme3.vbs" ] && [ ! -f "$work/readme4.vbs" ] ||
    fail "the README's scripting section does not hold three VBScript examples"
script "$work/readme1.vbs"
echo "$out"
armies=$(grep -c '^[A-Z0-9_]*: ' <<<"$out")
head -n 1 <<<"$out" | grep -q "^$armies armies in C:" || fail "README example 1: not $armies armies"
grep -qx 'KNIGHTS: Knights, strength 6' <<<"$out" || fail "README example 1 does not list KNIGHTS"
script "$work/readme2.vbs"
echo "$out"
grep -qx 'KNIGHTS now have strength 7' <<<"$out" || fail "README example 2"
script "$work/readme1.vbs"
grep -qx 'KNIGHTS: Knights, strength 7' <<<"$out" || fail "README example 2 did not save"
script "$work/readme3.vbs"
echo "$out"
grep -qx '9 CEditObject::GetEditObjectData: Subscript out of range' <<<"$out" ||
    fail "README example 3"

# 4. Without a registered game.
wine reg delete "$key" /f /reg:32 >/dev/null || fail "wine reg delete"
script "$tests/com/com_server_test.vbs" missing
echo "$out"
grep -qx 'COM VBScript: passed' <<<"$out" || fail "the VBScript checks (missing installation)"
wine "$bin/b3_com_client.exe" missing || fail "the C++ client (missing installation)"

# 5. Unregistration removes what registration wrote, and nothing else.
wine regsvr32 /u /s "$dll" || fail "regsvr32 /u /s B3EdtSvr.dll exits with $?"
export_classes after
for view in machine user; do
    if ! cmp -s "$work/before-$view.reg" "$work/after-$view.reg"; then
        diff <(iconv -f UTF-16 -t UTF-8 "$work/before-$view.reg") \
             <(iconv -f UTF-16 -t UTF-8 "$work/after-$view.reg") | head -n 40
        fail "the $view classes differ after regsvr32 /u"
    fi
done
query "HKCR\\CLSID\\$clsid" >/dev/null && fail "the class is still registered"
echo "passed"
