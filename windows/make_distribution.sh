#!/usr/bin/env bash
# Assembles the Windows distribution folder, its zip and the installer from a cross-build:
#   make_distribution.sh [--x86 X86-BUILD-DIR] BUILD-DIR VERSION OUT-DIR [QT-PREFIX]
# The folder B3Tools-VERSION-win64 holds the programs, B3EdtSvr.dll, the picture templates, the
# MinGW runtime, the licence texts, README.txt and SOURCE.txt; with QT-PREFIX (a Qt 6 for
# MinGW-w64) and the GUI programs built, also B3Tools.exe, OddsLab.exe and the Qt DLLs and
# plugins they load. With --x86, the folder x86 holds the 32-bit B3EdtSvr.dll and b3cli.exe of
# that build, with their runtime and the templates, for 32-bit programs that load the edit server.
# The programs and DLLs are shipped stripped; the debug information of the suite's own ones is
# kept in B3Tools-VERSION-win64-debug beside the zip (each stripped file names its .debug file),
# which is not shipped. The folder is then zipped (B3Tools-VERSION-win64.zip) and made into the
# installer B3Tools-VERSION-x64.msi (make_msi.sh), so that both ship the same files.
set -euo pipefail

x86=""
if [ "${1:-}" = --x86 ]; then
    x86=$2
    shift 2
fi
build=$1
version=$2
out=$3
qt=${4:-}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
name="B3Tools-$version-win64"
dist="$out/$name"
debug="$out/$name-debug"
bin="$build/bin"

rm -rf "$dist" "$debug" "$out/$name.zip" "$out/B3Tools-$version-x64.msi"
mkdir -p "$dist/licenses"

for f in b3cli.exe B3EdtSvr.dll NEWARMY.PCX NEWSITE.PCX libstdc++-6.dll libgcc_s_seh-1.dll \
    libwinpthread-1.dll; do
    [ -f "$bin/$f" ] || { echo "make_distribution: $bin/$f is missing; build first" >&2; exit 1; }
    cp "$bin/$f" "$dist/"
done

# The 32-bit edit server: beside it the templates it copies and the runtime it loads.
if [ -n "$x86" ]; then
    mkdir -p "$dist/x86"
    for f in B3EdtSvr.dll b3cli.exe NEWARMY.PCX NEWSITE.PCX libstdc++-6.dll libgcc_s_dw2-1.dll \
        libwinpthread-1.dll; do
        if [ ! -f "$x86/bin/$f" ]; then
            echo "make_distribution: $x86/bin/$f is missing; build the 32-bit build first" >&2
            exit 1
        fi
        cp "$x86/bin/$f" "$dist/x86/"
    done
fi

gui=no
if [ -n "$qt" ] && [ -f "$bin/B3Tools.exe" ] && [ -f "$bin/OddsLab.exe" ]; then
    gui=yes
    cp "$bin/B3Tools.exe" "$bin/OddsLab.exe" "$dist/"
    for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Charts; do
        cp "$qt/bin/$dll.dll" "$dist/"
    done
    mkdir -p "$dist/platforms" "$dist/imageformats"
    cp "$qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
    cp "$qt/plugins/imageformats/qico.dll" "$dist/imageformats/"
    # The native look of Windows 10 and 11; a Qt without it falls back to its own Fusion style.
    if [ -f "$qt/plugins/styles/qwindowsvistastyle.dll" ]; then
        mkdir -p "$dist/styles"
        cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
    else
        echo "make_distribution: $qt has no styles/qwindowsvistastyle.dll; shipped without it" >&2
    fi
fi

# Licence texts of everything shipped.
tr_crlf() { sed 's/$/\r/' "$1" > "$2"; }
tr_crlf "$source_dir/LICENSE" "$dist/LICENSE.txt"
tr_crlf /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright \
    "$dist/licenses/MinGW-GCC-runtime.txt"
tr_crlf /usr/share/doc/mingw-w64-common/copyright "$dist/licenses/MinGW-w64-winpthreads.txt"
if [ "$gui" = yes ]; then
    tr_crlf /usr/share/common-licenses/LGPL-3 "$dist/licenses/Qt-LGPL-3.txt"
    tr_crlf /usr/share/common-licenses/GPL-3 "$dist/licenses/Qt-Charts-GPL-3.txt"
fi
{
    echo "B3Tools $version for 64-bit Windows"
    echo
    echo "Installed with B3Tools-$version-x64.msi, the suite is in C:\\Program Files\\B3Tools,"
    echo "registered as the COM server B3EdtSvr.CEditObject (64- and 32-bit)"$([ "$gui" = yes ] &&
        echo " and in the Start menu")";"
    echo "Settings, Apps removes it, and a newer installer replaces it. Unpacked from the zip it"
    echo "runs from wherever it is; register the COM server there with regsvr32 if scripts need it."
    echo
    echo "b3cli.exe      the edit server from the command line (b3cli --help)"
    echo "B3EdtSvr.dll   the edit server; also a COM server for scripts (regsvr32 B3EdtSvr.dll)"
    if [ -n "$x86" ]; then
        echo "x86\\           the 32-bit B3EdtSvr.dll and b3cli.exe, for 32-bit programs and"
        echo "               script hosts (register with C:\\Windows\\SysWOW64\\regsvr32.exe)"
    fi
    if [ "$gui" = yes ]; then
        echo "B3Tools.exe    the definition editor"
        echo "OddsLab.exe    the combat calculator"
    fi
    echo
    echo "The game's installation folder is read from the registry, as the game's installer"
    echo "wrote it. To point the suite at another folder: b3cli register \"C:\\Games\\...\"."
    echo
    echo "B3Tools is free software under the GNU General Public License, version 3 or later"
    echo "(LICENSE.txt). The licences of the parts it ships are in the licenses folder:"
    echo "the MinGW-w64 GCC runtime (GPL 3 with the GCC Runtime Library Exception) and"
    echo "winpthreads (MIT/BSD style)"$([ "$gui" = yes ] && echo ", Qt 6 (LGPL 3) and Qt Charts (GPL 3)")"."
    echo
    echo "How to get the source code of all of it: SOURCE.txt."
} | sed 's/$/\r/' > "$dist/README.txt"

# The source code: the project names no public repository, so it comes from the distributor.
homepage=$(sed -n 's/^set(B3_HOMEPAGE "\([^"]*\)".*/\1/p' "$source_dir/cmake/Install.cmake")
contact=$(sed -n 's/^Upstream-Contact: .*<\(.*\)>$/\1/p' "$source_dir/packaging/debian/copyright")
{
    echo "The source code of B3Tools $version"
    echo
    echo "B3Tools is free software under the GNU General Public License, version 3 or later"
    echo "(LICENSE.txt). Whoever gave you these programs must also give you, on request and for no"
    echo "more than the cost of handing it over, the complete source code of this very version,"
    echo "with the scripts that build it: ask them for \"the B3Tools $version source\". The"
    echo "project's web site is $homepage; its developers are reached at $contact."
    echo
    echo "The source builds this folder, the zip and the installer on Debian 12 with"
    echo "\"make windows\" (its README.md, section Windows, tells the details)."
    echo
    echo "The parts of others shipped here are built from Debian 12's source packages, which"
    echo "\"apt-get source PACKAGE\" fetches from any Debian mirror:"
    echo "  the MinGW-w64 GCC runtime (libstdc++-6.dll, libgcc_s_*.dll): gcc-mingw-w64"
    echo "  winpthreads (libwinpthread-1.dll): mingw-w64"
    if [ "$gui" = yes ]; then
        echo "  Qt 6.4.2 (Qt6*.dll and the plugins): qt6-base, and qt6-charts for Qt6Charts.dll,"
        echo "  cross-built with the source's windows/build-qt-mingw.sh"
    fi
} | sed 's/$/\r/' > "$dist/SOURCE.txt"

# Stripped programs and DLLs (the Qt ones come stripped). The suite's own keep their debug
# information in separate files, which debuggers find through the link each stripped file holds.
strip_file() {  # strip_file FOLDER FILE [DEBUG-DIR], with the tools of $triplet
    local file=$1/$2
    if [ -n "${3:-}" ]; then
        mkdir -p "$3"
        "$triplet-objcopy" --only-keep-debug "$file" "$3/${2##*/}.debug"
        "$triplet-strip" --strip-all "$file"
        (cd "$3" && "$triplet-objcopy" --add-gnu-debuglink="${2##*/}.debug" "$file")
    else
        "$triplet-strip" --strip-all "$file"
    fi
}
triplet=x86_64-w64-mingw32
for f in b3cli.exe B3EdtSvr.dll B3Tools.exe OddsLab.exe; do
    if [ -f "$dist/$f" ]; then strip_file "$dist" "$f" "$debug"; fi
done
for f in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    strip_file "$dist" "$f"
done
if [ -n "$x86" ]; then
    triplet=i686-w64-mingw32
    for f in b3cli.exe B3EdtSvr.dll; do
        strip_file "$dist/x86" "$f" "$debug/x86"
    done
    for f in libstdc++-6.dll libgcc_s_dw2-1.dll libwinpthread-1.dll; do
        strip_file "$dist/x86" "$f"
    done
fi

(cd "$out" && rm -f "$name.zip" && zip -qr -X "$name.zip" "$name")
echo "$out/$name.zip ($(stat -c %s "$out/$name.zip") bytes)"
(cd "$out" && unzip -l "$name.zip" | tail -n +4 | head -n -2 | awk '{print "  " $4}')

icons=""
[ "$gui" = yes ] && icons=$build/windows
msi=$("$source_dir/windows/make_msi.sh" "$dist" "$version" "$out" $icons)
echo "$msi ($(stat -c %s "$msi") bytes)"
