#!/usr/bin/env bash
# The Windows files of a build as they ship, read without running them (a 32-bit build cannot
# run under the 64-bit Wine here): B3EdtSvr.dll and b3cli.exe are built for the build's machine;
# the DLL exports the four COM entry points by their plain names and carries its type library
# (resource TYPELIB 1, for the same machine, locale 0x409); neither imports anything but the
# system's DLLs and the files shipped beside them (the MinGW runtime, B3EdtSvr.dll).
#
# Usage: dll_image_test.sh OBJDUMP BIN-DIR MACHINE   (MACHINE: i386 or x86-64)
# Exit status: 0 passed, 1 failed, 77 skipped (wrestool is not installed).
set -u -o pipefail

objdump=$1
bin=$2
machine=$3
command -v wrestool >/dev/null 2>&1 || { echo "wrestool (icoutils) is not installed: skipped"; exit 77; }
fail() {
    echo "FAIL: $*"
    exit 1
}
# Windows' own DLLs, by the names Wine carries them under.
system_dlls=""
for dir in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows \
    /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows; do
    [ -d "$dir" ] && system_dlls="$system_dlls $dir"
done
[ -n "$system_dlls" ] || fail "Wine's list of system DLLs was not found"

for file in B3EdtSvr.dll b3cli.exe; do
    path="$bin/$file"
    [ -f "$path" ] || fail "$path is missing"
    headers=$("$objdump" -p "$path") || fail "$objdump cannot read $file"
    grep -q "file format pei-$machine\$" <<<"$headers" || fail "$file is not a $machine image"
    while read -r dll; do
        [ -f "$bin/$dll" ] && continue
        found=no
        for dir in $system_dlls; do
            # Wine's files are lower case; Windows matches DLL names in any case.
            [ -f "$dir/${dll,,}" ] && found=yes && break
        done
        [ "$found" = yes ] || fail "$file imports $dll, which is neither a system DLL nor in $bin"
    done < <(sed -n 's/^\tDLL Name: //p' <<<"$headers")
done

exports=$("$objdump" -p "$bin/B3EdtSvr.dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p')
for entry in DllRegisterServer DllUnregisterServer DllGetClassObject DllCanUnloadNow; do
    grep -qE "\] $entry\$" <<<"$exports" || fail "B3EdtSvr.dll does not export $entry by that name"
done

wrestool -l "$bin/B3EdtSvr.dll" | grep -q -- "--type='TYPELIB' --name=1 " ||
    fail "B3EdtSvr.dll carries no type library resource 1"
tlb=$(wrestool -x --raw --type=TYPELIB --name=1 "$bin/B3EdtSvr.dll" | od -An -tx1 -N24 | tr -d ' \n')
[ "${tlb:0:8}" = 4d534654 ] || fail "the type library resource is not a type library"
[ "${tlb:24:4}" = 0904 ] || fail "the type library's locale is not 0x409"
# The low bits of the flags at offset 0x14 are the system kind: 1 32-bit, 3 64-bit Windows.
syskind=$(( 0x${tlb:41:1} & 3 ))
expected=3
[ "$machine" = i386 ] && expected=1
[ "$syskind" = "$expected" ] || fail "the type library is for system kind $syskind, not $expected"
echo "passed"
