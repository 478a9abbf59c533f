#!/usr/bin/env bash
# The Windows zip: assembled from the build and the 32-bit build beside it, unpacked into a fresh
# folder, its b3cli.exe runs under Wine with nothing but what the zip holds (the MinGW runtime
# included) and reads the sample installation; the 32-bit edit server and b3cli.exe are in x86\
# with their runtime; the licence texts, README.txt and SOURCE.txt are there; the programs and
# DLLs are stripped (their debug files kept beside the zip, not in it) and carry their version
# resource, the programs their application manifest.
#
# Usage: distribution_test.sh WINE-RUN BUILD-DIR VERSION [QT-PREFIX]
# The 32-bit build is $B3_WINDOWS_X86_BUILD, else BUILD-DIR-x86 (as make names it).
# Exit status: 0 passed, 1 failed, 77 skipped (Wine or zip is not installed).
set -u -o pipefail

run=$1
build=$2
version=$3
qt=${4:-}
for tool in wine zip unzip; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
done
export WINEDEBUG=-all LC_ALL=C.UTF-8
export B3_WINEPREFIX="${B3_WINEPREFIX:-$(cd "$build" && pwd)/wineprefix}"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
x86=${B3_WINDOWS_X86_BUILD:-$(cd "$build" && pwd)-x86}
[ -f "$x86/bin/B3EdtSvr.dll" ] || {
    echo "FAIL: no 32-bit build at $x86 (make windows builds it, or name one with B3_WINDOWS_X86_BUILD)"
    exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/b3-distribution-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

"$source_dir/windows/make_distribution.sh" --x86 "$x86" "$build" "$version" "$work/out" $qt >"$work/log" 2>&1 ||
    { cat "$work/log"; fail "make_distribution.sh"; }
zip="$work/out/B3Tools-$version-win64.zip"
[ -f "$zip" ] || fail "no $zip"
mkdir "$work/unpacked"
unzip -q "$zip" -d "$work/unpacked" || fail "the zip does not unpack"
dist="$work/unpacked/B3Tools-$version-win64"
for f in b3cli.exe B3EdtSvr.dll NEWARMY.PCX NEWSITE.PCX libstdc++-6.dll libgcc_s_seh-1.dll \
    libwinpthread-1.dll LICENSE.txt licenses/MinGW-GCC-runtime.txt; do
    [ -f "$dist/$f" ] || fail "the zip lacks $f"
done
for f in B3EdtSvr.dll b3cli.exe NEWARMY.PCX NEWSITE.PCX libstdc++-6.dll libgcc_s_dw2-1.dll \
    libwinpthread-1.dll; do
    [ -f "$dist/x86/$f" ] || fail "the zip lacks x86/$f"
done
i686-w64-mingw32-objdump -f "$dist/x86/B3EdtSvr.dll" | grep -q 'file format pei-i386' ||
    fail "x86/B3EdtSvr.dll is not a 32-bit DLL"
grep -q "GNU GENERAL PUBLIC LICENSE" "$dist/LICENSE.txt" || fail "LICENSE.txt is not the GPL"
if [ -n "$qt" ]; then
    for f in B3Tools.exe OddsLab.exe Qt6Core.dll Qt6Charts.dll platforms/qwindows.dll \
        licenses/Qt-LGPL-3.txt; do
        [ -f "$dist/$f" ] || fail "the zip lacks $f"
    done
fi

for f in README.txt SOURCE.txt; do
    [ -f "$dist/$f" ] || fail "the zip lacks $f"
done
grep -q 'SOURCE.txt' "$dist/README.txt" || fail "README.txt does not say where the source is"
grep -qi 'source code' "$dist/SOURCE.txt" || fail "SOURCE.txt does not tell how to get the source"

# Shipped stripped, each with its version resource; the programs with their manifest.
programs="b3cli.exe B3EdtSvr.dll x86/b3cli.exe x86/B3EdtSvr.dll"
[ -n "$qt" ] && programs="$programs B3Tools.exe OddsLab.exe"
for f in $programs libstdc++-6.dll x86/libstdc++-6.dll; do
    objdump=x86_64-w64-mingw32-objdump
    [[ $f == x86/* ]] && objdump=i686-w64-mingw32-objdump
    "$objdump" -h "$dist/$f" | grep -q '\.debug_' && fail "$f is shipped with its debug information"
done
[ -f "$work/out/B3Tools-$version-win64-debug/b3cli.exe.debug" ] || fail "no debug file kept for b3cli.exe"
unzip -Z1 "$zip" | grep -q '\.debug$' && fail "the zip holds debug files"
if command -v wrestool >/dev/null 2>&1; then
    for f in $programs; do
        info=$(wrestool -x --raw --type=16 --name=1 "$dist/$f" | strings -el | tr '\n' '|')
        for field in "ProductName|B3Tools|" "ProductVersion|$version|" "FileVersion|$version|" \
            "OriginalFilename|${f#x86/}|" "LegalCopyright|Copyright " "FileDescription|Banerule III "; do
            grep -qF "|$field" <<<"$info" || fail "the version resource of $f lacks $field ($info)"
        done
        [[ $f == *.exe ]] || continue
        manifest=$(wrestool -x --raw --type=24 --name=1 "$dist/$f" | tr -d '\r\n')
        for part in 'level="asInvoker"' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
            '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
            '>true</longPathAware>'; do
            grep -qF "$part" <<<"${manifest//  / }" || fail "the manifest of $f lacks $part"
        done
        dpi=no
        grep -qF '>PerMonitorV2</dpiAwareness>' <<<"$manifest" && dpi=yes
        expected=no
        [[ $f == B3Tools.exe || $f == OddsLab.exe ]] && expected=yes
        [ "$dpi" = "$expected" ] || fail "$f: per-monitor DPI awareness is $dpi, not $expected"
    done
fi

# Wine's own folder: Windows sees it as a drive letter path; the unpacked program as is.
"$run" "$dist/b3cli.exe" sample "$work/game" >/dev/null || fail "b3cli.exe from the zip: sample"
out=$("$run" "$dist/b3cli.exe" --install "$work/game" info 2>&1 | tr -d '\r') ||
    { echo "$out"; fail "b3cli.exe from the zip: info"; }
grep -q '^NumEditObjects 1: [1-9]' <<<"$out" || { echo "$out"; fail "no armies read"; }
echo "passed"
