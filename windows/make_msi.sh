#!/usr/bin/env bash
# Builds the Windows installer from the distribution folder that make_distribution.sh assembled,
# so that the zip and the installer ship the same files:
#   make_msi.sh DIST-FOLDER VERSION OUT-DIR [ICON-DIR]
# Writes OUT-DIR/B3Tools-VERSION-x64.msi (and the .wxs it was built from beside it). Everything
# in DIST-FOLDER goes to C:\Program Files\B3Tools, one component per file: 64-bit components,
# except those of the x86 folder, which are 32-bit. The edit server's COM class, ProgIDs, type
# library and interface are written through the installer's registry table, as regsvr32 would
# write them: in the 64-bit view for B3EdtSvr.dll, in the 32-bit view for x86\B3EdtSvr.dll. With
# B3Tools.exe and OddsLab.exe in the folder and ICON-DIR holding b3tools.ico and oddslab.ico,
# the two get Start menu entries (all users). VERSION is MAJOR.MINOR.PATCH.
set -euo pipefail

if [ $# -lt 3 ]; then
    echo "usage: make_msi.sh DIST-FOLDER VERSION OUT-DIR [ICON-DIR]" >&2
    exit 2
fi
dist=$(cd "$1" && pwd)
version=$2
out=$3
icons=${4:-}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
command -v wixl >/dev/null 2>&1 || { echo "make_msi: wixl is missing (Debian package wixl)" >&2; exit 1; }
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    { echo "make_msi: the version $version is not MAJOR.MINOR.PATCH" >&2; exit 1; }
[ -f "$dist/B3EdtSvr.dll" ] || { echo "make_msi: $dist holds no B3EdtSvr.dll" >&2; exit 1; }

homepage=$(sed -n 's/^set(B3_HOMEPAGE "\([^"]*\)".*/\1/p' "$source_dir/cmake/Install.cmake")
clsid='{441F0F8E-79BA-11D1-BCA4-000000000000}'
libid='{441F0F8F-79BA-11D1-BCA4-000000000000}'
iid='{E27A0A7D-6B50-11D2-8D7E-000000000000}'
# The type library marshaller (oleaut32) for a dual interface.
proxy='{00020424-0000-0000-C000-000000000046}'
progid=B3EdtSvr.CEditObject

# A GUID that depends on TEXT alone: components keep theirs from one version to the next.
stable_guid() {
    local h variant
    h=$(printf '%s' "$1" | sha1sum | tr 'a-f' 'A-F')
    variant=$(printf '%X' $(( (0x${h:16:1} & 3) | 8 )))
    echo "${h:0:8}-${h:8:4}-5${h:13:3}-$variant${h:17:3}-${h:20:12}"
}
# An installer identifier from a path: letters, digits, underscores and dots.
ident() { printf '%s_%s' "$1" "$(printf '%s' "$2" | tr -c 'A-Za-z0-9_.' '_')"; }

gui=no
if [ -n "$icons" ] && [ -f "$dist/B3Tools.exe" ] && [ -f "$dist/OddsLab.exe" ]; then
    for icon in b3tools.ico oddslab.ico; do
        [ -f "$icons/$icon" ] || { echo "make_msi: $icons/$icon is missing" >&2; exit 1; }
    done
    gui=yes
fi

# reg KEY NAME VALUE: one value under HKEY_CLASSES_ROOT (the machine's classes: a per-machine
# package); NAME empty for the key's default value.
reg() {
    local name=""
    [ -n "$2" ] && name=" Name=\"$2\""
    echo "$indent  <RegistryValue Root=\"HKCR\" Key=\"$1\"$name Type=\"string\" Value=\"$3\"/>"
}

# com_registration FILE-ID DIR-ID SYSKIND: the keys DllRegisterServer writes.
com_registration() {
    local file="[#$1]" dir="[$2]" syskind=$3
    reg "CLSID\\$clsid" "" "$progid"
    reg "CLSID\\$clsid\\InprocServer32" "" "$file"
    reg "CLSID\\$clsid\\InprocServer32" ThreadingModel Apartment
    reg "CLSID\\$clsid\\ProgID" "" "$progid.1"
    reg "CLSID\\$clsid\\VersionIndependentProgID" "" "$progid"
    reg "CLSID\\$clsid\\TypeLib" "" "$libid"
    reg "CLSID\\$clsid\\Version" "" 1.0
    reg "$progid" "" "$progid"
    reg "$progid\\CLSID" "" "$clsid"
    reg "$progid\\CurVer" "" "$progid.1"
    reg "$progid.1" "" "$progid"
    reg "$progid.1\\CLSID" "" "$clsid"
    reg "TypeLib\\$libid\\1.0" "" "Banerule 3 Editor Server"
    reg "TypeLib\\$libid\\1.0\\FLAGS" "" 0
    reg "TypeLib\\$libid\\1.0\\HELPDIR" "" "$dir"
    reg "TypeLib\\$libid\\1.0\\409\\$syskind" "" "$file"
    reg "Interface\\$iid" "" _CEditObject
    reg "Interface\\$iid\\ProxyStubClsid" "" "$proxy"
    reg "Interface\\$iid\\ProxyStubClsid32" "" "$proxy"
    reg "Interface\\$iid\\TypeLib" "" "$libid"
    reg "Interface\\$iid\\TypeLib" Version 1.0
}

# wixl takes sources relative to the .wxs file's folder.
mkdir -p "$out"
out=$(cd "$out" && pwd)
from_out() { realpath -m --relative-to="$out" "$1"; }
dist_rel=$(from_out "$dist")

files_xml=""
refs_xml=""
# emit_folder REL-PATH DIR-ID INDENT: the components of one folder, then its subfolders.
emit_folder() {
    local rel=$1 dir_id=$2 indent=$3 entry name path win64 id
    while IFS= read -r -d '' entry; do
        name=${entry##*/}
        path=${rel:+$rel/}$name
        id=$(ident f "$path")
        win64=yes
        [[ $path == x86/* ]] && win64=no
        files_xml+="$indent<Component Id=\"$(ident c "$path")\" Guid=\"$(stable_guid "B3Tools component $path")\" Win64=\"$win64\">"$'\n'
        files_xml+="$indent  <File Id=\"$id\" Name=\"$name\" Source=\"$dist_rel/$path\" KeyPath=\"yes\"/>"$'\n'
        case "$path" in
            B3EdtSvr.dll) files_xml+=$(com_registration "$id" "$dir_id" win64)$'\n' ;;
            x86/B3EdtSvr.dll) files_xml+=$(com_registration "$id" "$dir_id" win32)$'\n' ;;
            B3Tools.exe | OddsLab.exe)
                if [ "$gui" = yes ]; then
                    local program=${name%.exe} description="Banerule III definition editor"
                    [ "$program" = OddsLab ] && description="Banerule III combat calculator"
                    files_xml+="$indent  <Shortcut Id=\"$(ident s "$path")\" Directory=\"ProgramMenuFolder\" Name=\"$program\" Description=\"$description\" Target=\"[#$id]\" WorkingDirectory=\"INSTALLDIR\" Icon=\"${program,,}.ico\"/>"$'\n'
                fi
                ;;
        esac
        files_xml+="$indent</Component>"$'\n'
        refs_xml+="      <ComponentRef Id=\"$(ident c "$path")\"/>"$'\n'
    done < <(find "$dist${rel:+/$rel}" -mindepth 1 -maxdepth 1 -type f -print0 | sort -z)
    while IFS= read -r -d '' entry; do
        name=${entry##*/}
        path=${rel:+$rel/}$name
        files_xml+="$indent<Directory Id=\"$(ident d "$path")\" Name=\"$name\">"$'\n'
        emit_folder "$path" "$(ident d "$path")" "$indent  "
        files_xml+="$indent</Directory>"$'\n'
    done < <(find "$dist${rel:+/$rel}" -mindepth 1 -maxdepth 1 -type d -print0 | sort -z)
}
emit_folder "" INSTALLDIR "          "

properties_xml=""
icons_xml=""
if [ "$gui" = yes ]; then
    properties_xml="    <Property Id=\"ARPPRODUCTICON\" Value=\"b3tools.ico\"/>"
    icons_xml="    <Icon Id=\"b3tools.ico\" SourceFile=\"$(from_out "$icons/b3tools.ico")\"/>"$'\n'
    icons_xml+="    <Icon Id=\"oddslab.ico\" SourceFile=\"$(from_out "$icons/oddslab.ico")\"/>"
fi

name="B3Tools-$version-x64"
wxs="$out/$name.wxs"
FILES=$files_xml REFS=$refs_xml PROPERTIES=$properties_xml ICONS=$icons_xml \
VERSION=$version PRODUCT_CODE=$(stable_guid "B3Tools product $version") HOMEPAGE=$homepage \
    awk '{
        if ($0 == "@FILES@") { printf "%s", ENVIRON["FILES"]; next }
        if ($0 == "@COMPONENT_REFS@") { printf "%s", ENVIRON["REFS"]; next }
        if ($0 == "@PROPERTIES@") { if (ENVIRON["PROPERTIES"] != "") print ENVIRON["PROPERTIES"]; next }
        if ($0 == "@ICONS@") { if (ENVIRON["ICONS"] != "") print ENVIRON["ICONS"]; next }
        gsub(/@VERSION@/, ENVIRON["VERSION"])
        gsub(/@PRODUCT_CODE@/, ENVIRON["PRODUCT_CODE"])
        gsub(/@HOMEPAGE@/, ENVIRON["HOMEPAGE"])
        print
    }' "$source_dir/windows/B3Tools.wxs.in" >"$wxs"
rm -f "$out/$name.msi"
wixl -a x64 -o "$out/$name.msi" "$wxs"
echo "$out/$name.msi"
