#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own: built from the same folder as
# the zip, msiexec /i /qn puts every file of that folder into C:\Program Files\B3Tools, the Start
# menu entries of B3Tools and OddsLab with their icons (a per-machine package, ALLUSERS=1; only
# when the window programs were built, else none), and the COM registration into the registry (64-bit view for
# B3EdtSvr.dll, 32-bit view for x86\B3EdtSvr.dll), so that a VBScript creates
# B3EdtSvr.CEditObject without regsvr32 and reads the sample installation; the installed window
# programs start; installing the same version again leaves one installation; a newer version
# replaces it in place; an older one is refused (1603); msiexec /x removes every file, Start
# menu entry and registry key the installation added (Program Files, the Start menus,
# HKLM\Software with its classes in both views and HKCU compared with how they were before).
#
# Usage: msi_test.sh WINE-RUN BUILD-DIR VERSION [QT-PREFIX]
# The 32-bit build is $B3_WINDOWS_X86_BUILD, else BUILD-DIR-x86 (as make names it).
# Exit status: 0 passed, 1 failed, 77 skipped (Wine, wixl, msitools or zip is not installed).
set -u -o pipefail

run=$1
build=$(cd "$2" && pwd)
version=$3
qt=${4:-}
for tool in wine wixl msiinfo zip; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is not installed: skipped"; exit 77; }
done
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
x86=${B3_WINDOWS_X86_BUILD:-$build-x86}
[ -f "$x86/bin/B3EdtSvr.dll" ] || {
    echo "FAIL: no 32-bit build at $x86 (make windows builds it, or name one with B3_WINDOWS_X86_BUILD)"
    exit 1
}
export WINEDEBUG=-all LC_ALL=C.UTF-8
# A prefix made anew each run: what the installer leaves behind is then all that differs.
prefix=$build/wineprefix-msi
export B3_WINEPREFIX="$prefix" WINEPREFIX="$prefix"
work=$(mktemp -d "${TMPDIR:-/tmp}/b3-msi-XXXXXX")
key='HKLM\Software\Slate Crown Entertainment\Banerule III: Gloamkings Tide\1.0'
folder='C:\Games\B3 Installed'
clsid='{441F0F8E-79BA-11D1-BCA4-000000000000}'
libid='{441F0F8F-79BA-11D1-BCA4-000000000000}'
iid='{E27A0A7D-6B50-11D2-8D7E-000000000000}'
target="$prefix/drive_c/Program Files/B3Tools"
target_win='C:\Program Files\B3Tools'
common_menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"

cleanup() {
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# 1. The zip's folder and both installers: this version and the next one up.
"$source_dir/windows/make_distribution.sh" --x86 "$x86" "$build" "$version" "$work/out" $qt \
    >"$work/log" 2>&1 || { cat "$work/log"; fail "make_distribution.sh"; }
dist="$work/out/B3Tools-$version-win64"
msi="$work/out/B3Tools-$version-x64.msi"
[ -f "$msi" ] || fail "make_distribution.sh made no $msi"
IFS=. read -r major minor patch <<<"$version"
newer="$major.$minor.$((patch + 1))"
icons=""
[ -f "$dist/B3Tools.exe" ] && icons=$build/windows
"$source_dir/windows/make_msi.sh" "$dist" "$newer" "$work/newer" $icons >"$work/log" 2>&1 ||
    { cat "$work/log"; fail "make_msi.sh $newer"; }
msi_newer="$work/newer/B3Tools-$newer-x64.msi"
gui=no
if [ -n "$qt" ]; then
    [ -f "$dist/B3Tools.exe" ] && [ -f "$dist/OddsLab.exe" ] || fail "built with Qt, the folder lacks the window programs"
    gui=yes
fi

# 2. The prefix, and what a first use of msiexec and cscript writes of their own (a package of
# another name installed and removed) before the registry and the folders are taken down.
rm -rf "$prefix"
"$run" "$build/bin/b3cli.exe" --help >/dev/null 2>&1 || fail "b3cli.exe does not start under Wine"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
mkdir "$work/other"
echo other >"$work/other/other.txt"
cat >"$work/other/other.wxs" <<'EOF'
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Other" Language="1033" Version="1.0.0" Manufacturer="Other"
           UpgradeCode="0B5C3A34-2F3E-4B4A-9F83-1D1F3C0E8A11">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="other.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="Other">
          <Component Id="other" Guid="*" Win64="yes">
            <File Id="other" Source="other.txt" KeyPath="yes"/>
            <RegistryValue Root="HKCR" Key="Other.Thing" Type="string" Value="Other"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Other" Level="1"><ComponentRef Id="other"/></Feature>
  </Product>
</Wix>
EOF
(cd "$work/other" && wixl -a x64 -o other.msi other.wxs) || fail "wixl other.wxs"
other=$(winepath -w "$work/other/other.msi")
wine msiexec /i "$other" /qn || fail "msiexec /i of another package exits with $?"
wine msiexec /x "$other" /qn || fail "msiexec /x of another package exits with $?"
printf 'WScript.Quit 0\r\n' >"$work/quit.vbs"
wine cscript //nologo "$(winepath -w "$work/quit.vbs")" >/dev/null 2>&1
wineserver -w

# The state: files under Program Files and the Start menus, and the registry (HKLM\Software in
# both views, classes included, and HKCU), without the programs' own settings (HKCU\Software\
# b3tools, written by the programs as they run) and Wine's font cache.
snapshot() {
    (cd "$prefix/drive_c" && find 'Program Files' 'Program Files (x86)' ProgramData users \
        -path '*Start Menu*' -o -path 'Program Files*' 2>/dev/null | sort) >"$work/$1-files"
    local view
    for view in 64 32; do
        wine reg export 'HKLM\Software' "$work/$1-machine$view.reg" /y /reg:$view >/dev/null 2>&1 ||
            fail "wine reg export HKLM\\Software /reg:$view"
    done
    wine reg export 'HKCU' "$work/$1-user.reg" /y >/dev/null 2>&1 || fail "wine reg export HKCU"
    # One line per value, "[key]<TAB>value", and "[key]<TAB>" for a key without values.
    for f in "$work/$1"-*.reg; do
        iconv -f UTF-16 -t UTF-8 "$f" | tr -d '\r' | awk '
            function flush() { if (key != "" && !skip && !values) print key "\t" }
            /^\[/ { flush(); key = $0; values = 0
                     skip = ($0 ~ /^\[HKEY_CURRENT_USER\\Software\\b3tools(\\|\])/ ||
                             $0 ~ /^\[HKEY_CURRENT_USER\\Software\\Wine\\Fonts(\\|\])/)
                     next }
            key != "" && $0 != "" { values = 1; if (!skip) print key "\t" $0 }
            END { flush() }' | LC_ALL=C sort >"$f.txt"
    done
}
snapshot before

# installations: how many products named B3Tools Windows lists (both registry views).
installations() {
    local view n=0 c
    for view in 64 32; do
        c=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view \
            2>/dev/null | tr -d '\r' | grep -c 'DisplayName    REG_SZ    B3Tools$')
        n=$((n + c))
    done
    echo "$n"
}
display_version() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk '/DisplayName    REG_SZ    B3Tools$/ { found = 1 }
            found && /DisplayVersion/ { print $3; exit }
            /^HKEY/ { found = 0 }'
}
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }

# 3. Installing.
wine msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i exits with $?"
[ "$(installations)" = 1 ] || fail "not one B3Tools installation after installing"
(cd "$dist" && find . -type f | sort) >"$work/shipped"
[ -s "$work/shipped" ] || fail "the distribution folder is empty"
while read -r f; do
    cmp -s "$dist/$f" "$target/$f" || fail "$target_win\\${f#./} is missing or differs from the zip's"
done <"$work/shipped"
(cd "$target" && find . -type f | sort) | cmp -s - "$work/shipped" ||
    fail "the installed folder holds other files than the zip"
# A per-machine package: ALLUSERS=1, with which Windows resolves ProgramMenuFolder to the
# all-users Start menu. Wine's installer resolves it to the user's own whatever ALLUSERS says,
# so the entries are looked for in both.
msiinfo export "$msi" Property | tr -d '\r' | grep -qx $'ALLUSERS\t1' || fail "the package does not set ALLUSERS=1"
menus=$(find "$common_menu" "$prefix/drive_c/users" -path '*Start Menu*' -name '*.lnk' 2>/dev/null)
if [ "$gui" = yes ]; then
    [ "$(grep -c . <<<"$menus")" = 2 ] || fail "not two Start menu entries: $menus"
    for program in B3Tools OddsLab; do
        lnk=$(grep "/Start Menu/Programs/$program.lnk\$" <<<"$menus")
        [ -f "$lnk" ] || fail "no Start menu entry $program"
        # The link's texts are UTF-16: its target (an item list, a name per folder), the
        # folder it starts in and its icon.
        strings -el "$lnk" >"$work/lnk"
        tr '\n' '|' <"$work/lnk" | grep -qE "(^|\|)Program Files\|B3Tools\|$program\.exe\|" &&
            grep -qxF "$target_win\\" "$work/lnk" ||
            { cat "$work/lnk"; fail "the $program entry does not start $target_win\\$program.exe"; }
        grep -qi "${program,,}\.ico" "$work/lnk" ||
            { cat "$work/lnk"; fail "the $program entry has not its icon"; }
    done
else
    [ -z "$menus" ] || fail "Start menu entries without window programs: $menus"
fi

# 4. The COM registration: both servers, each in its registry view.
for view in 64 32; do
    dll="$target_win\\B3EdtSvr.dll" syskind=win64
    [ "$view" = 32 ] && dll="$target_win\\x86\\B3EdtSvr.dll" syskind=win32
    query "HKCR\\CLSID\\$clsid\\InprocServer32" /reg:$view | grep -qiF "REG_SZ    $dll" ||
        fail "InprocServer32 ($view-bit view) does not name $dll"
    query "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel /reg:$view |
        grep -q 'REG_SZ    Apartment$' || fail "ThreadingModel ($view-bit view) is not Apartment"
    query 'HKCR\B3EdtSvr.CEditObject\CLSID' /reg:$view | grep -qF "$clsid" ||
        fail "no ProgID B3EdtSvr.CEditObject ($view-bit view)"
    query 'HKCR\B3EdtSvr.CEditObject.1\CLSID' /reg:$view | grep -qF "$clsid" ||
        fail "no ProgID B3EdtSvr.CEditObject.1 ($view-bit view)"
    query "HKCR\\TypeLib\\$libid\\1.0\\409\\$syskind" /reg:$view | grep -qiF "$dll" ||
        fail "the type library ($syskind) does not name $dll"
    query "HKCR\\Interface\\$iid\\ProxyStubClsid32" /reg:$view |
        grep -qF '{00020424-0000-0000-C000-000000000046}' ||
        fail "the interface ($view-bit view) has not the type library marshaller"
done

# 5. A script creates the class by its ProgID, with no regsvr32: on the sample installation
# written by the installed b3cli.exe and registered as the game's 32-bit installer does.
wine "$target/b3cli.exe" sample "$folder" >/dev/null || fail "the installed b3cli.exe: sample"
wine reg add "$key" /v '$Install_ToDirectory$' /t REG_SZ /d "$folder" /f /reg:32 >/dev/null ||
    fail "wine reg add"
printf '%s\r\n' 'Set o = CreateObject("B3EdtSvr.CEditObject")' \
    'WScript.Echo "armies " & o.NumEditObjects(1)' \
    'WScript.Echo "folder " & o.InstallPath' \
    'WScript.Echo "MSI VBScript: passed"' 'WScript.Quit 0' >"$work/create.vbs"
out=$(wine cscript //nologo "$(winepath -w "$work/create.vbs")" 2>&1 | tr -d '\r')
echo "$out"
grep -qx 'MSI VBScript: passed' <<<"$out" || fail "CreateObject(\"B3EdtSvr.CEditObject\") after installing"
grep -qx 'armies [1-9][0-9]*' <<<"$out" || fail "the installed server read no armies"
grep -qxF "folder $folder" <<<"$out" || fail "the installed server read another installation"

# 6. The window programs start from the installed folder. No display here: the offscreen
# platform plugin of the build is put beside the installed ones for the start, and taken away.
if [ "$gui" = yes ]; then
    cp "$build/bin/platforms/qoffscreen.dll" "$target/platforms/" || fail "no offscreen plugin in the build"
    for program in B3Tools OddsLab; do
        WINEDEBUG=err+module timeout 20 wine "$target/$program.exe" -platform offscreen \
            >"$work/start.log" 2>&1
        status=$?
        [ "$status" = 124 ] || { cat "$work/start.log"; fail "the installed $program.exe ended at start with status $status"; }
        grep -q 'err:module' "$work/start.log" && { cat "$work/start.log"; fail "the installed $program.exe misses a DLL"; }
        wineserver -k 2>/dev/null
        wineserver -w
        echo "the installed $program.exe started"
    done
    rm "$target/platforms/qoffscreen.dll"
fi

# 7. The same version once more: still one installation.
wine msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i of the same version again exits with $?"
[ "$(installations)" = 1 ] || fail "$(installations) B3Tools installations after installing $version twice"

# 8. The newer version replaces it in place: one installation, of $newer, registered.
wine msiexec /i "$(winepath -w "$msi_newer")" /qn || fail "msiexec /i of $newer exits with $?"
[ "$(installations)" = 1 ] || fail "$(installations) B3Tools installations after the upgrade to $newer"
[ "$(display_version)" = "$newer" ] || fail "version $(display_version) installed, not $newer"
[ -f "$target/b3cli.exe" ] && [ -f "$target/x86/B3EdtSvr.dll" ] || fail "files missing after the upgrade"
query "HKCR\\CLSID\\$clsid\\InprocServer32" | grep -qiF "$target_win\\B3EdtSvr.dll" ||
    fail "the class is not registered after the upgrade"

# 9. The older version is refused (ERROR_INSTALL_FAILURE, 1603, which reaches us as an exit
# status of 8 bits: 1603 mod 256) and changes nothing.
wine msiexec /i "$(winepath -w "$msi")" /qn
status=$?
[ "$status" = $((1603 % 256)) ] || fail "installing $version over $newer exits with $status, not 1603"
[ "$(installations)" = 1 ] && [ "$(display_version)" = "$newer" ] ||
    fail "installing $version over $newer changed the installation"

# 10. Uninstalling leaves the machine as it was before.
# The game's key, written by this test in step 5, goes first; checked, as a lost delete would
# otherwise read as a key the uninstall left.
for attempt in 1 2 3; do
    wine reg delete 'HKLM\Software\Slate Crown Entertainment' /f /reg:32 >/dev/null 2>&1
    wineserver -w
    query 'HKLM\Software\Slate Crown Entertainment' /reg:32 | grep -q . || break
    [ "$attempt" = 3 ] && fail "wine reg delete of the game's key, written by this test"
done
rm -rf "$prefix/drive_c/Games"
wine msiexec /x "$(winepath -w "$msi_newer")" /qn || fail "msiexec /x exits with $?"
wineserver -w
[ "$(installations)" = 0 ] || fail "B3Tools is still listed as installed"
[ ! -e "$target" ] || fail "$target_win is still there: $(cd "$target" && find . | head)"
snapshot after
cmp -s "$work/before-files" "$work/after-files" ||
    { diff "$work/before-files" "$work/after-files"; fail "files or Start menu entries differ after msiexec /x"; }
# Nothing added is left, and nothing that was there is gone, except empty keys: Wine's installer
# also removes an empty key above the ones it removes (Classes\Wow6432Node\CLSID of a new prefix).
for part in machine64 machine32 user; do
    LC_ALL=C comm -13 "$work/before-$part.reg.txt" "$work/after-$part.reg.txt" >"$work/left"
    LC_ALL=C comm -23 "$work/before-$part.reg.txt" "$work/after-$part.reg.txt" |
        grep -v $'\t$' >"$work/gone"
    [ -s "$work/left" ] && { head -n 40 "$work/left"; fail "msiexec /x left registry entries ($part)"; }
    [ -s "$work/gone" ] && { head -n 40 "$work/gone"; fail "msiexec /x removed registry entries it had not written ($part)"; }
done
echo "passed"
