#!/usr/bin/env bash
# Builds a Qt 6 for 64-bit Windows (MinGW-w64) from Debian's own Qt 6.4.2 sources, enough for
# B3Tools and OddsLab: Core, Gui, Widgets, Test and Charts, shared, Release.
#   build-qt-mingw.sh PREFIX
# Needs a deb-src entry for bookworm (added when missing and run as root), the MinGW-w64
# compilers and the build machine's Qt 6.4.2 tools (qt6-base-dev-tools) for moc, rcc and uic.
# Takes half an hour to 45 minutes on two cores (qtbase 15 to 35, Qt Charts about 10).
set -euo pipefail

prefix=${1:?usage: build-qt-mingw.sh PREFIX}
prefix=$(mkdir -p "$prefix" && cd "$prefix" && pwd)
work="$prefix.build"
jobs=${JOBS:-$(nproc)}
toolchain=$(cd "$(dirname "$0")/../cmake" && pwd)/mingw-w64-x86_64.cmake
mkdir -p "$work"
cd "$work"

# 1. Debian's qtbase sources (6.4.2+dfsg).
if ! ls qt6-base_6.4.2*.dsc >/dev/null 2>&1; then
    if ! apt-get source --only-source --download-only qt6-base >/dev/null 2>&1; then
        if [ "$(id -u)" = 0 ]; then
            echo "deb-src http://deb.debian.org/debian bookworm main" \
                >/etc/apt/sources.list.d/b3-qt-sources.list
            apt-get update -q
        else
            echo "Add a deb-src line for bookworm (as root) and run again:" >&2
            echo "  echo 'deb-src http://deb.debian.org/debian bookworm main' >" \
                 "/etc/apt/sources.list.d/b3-qt-sources.list && apt-get update" >&2
            exit 1
        fi
        apt-get source --only-source --download-only qt6-base
    fi
fi
qtbase=qtbase-src

# 2. The two source fixes the +dfsg sources need for MinGW, on freshly unpacked sources (a run
#    stopped half way through them unpacks again).
win="$qtbase/src/plugins/platforms/windows"
if [ ! -f "$qtbase/.b3-patched" ]; then
    rm -rf "$qtbase" build-qtbase
    dpkg-source -x "$(ls qt6-base_6.4.2*.dsc | head -n 1)" "$qtbase" >/dev/null
    # a) src/3rdparty/wintab is not in the tarball and MinGW has no wintab.h: the Wintab tablet
    #    backend is built only when the header exists, its uses only under QT_WINDOWS_WINTAB.
    python3 - "$win" <<'PY'
import re, sys, pathlib
win = pathlib.Path(sys.argv[1])
cm = win / "CMakeLists.txt"
text = cm.read_text()
new = re.sub(r"qt_internal_extend_target\(QWindowsIntegrationPlugin CONDITION QT_FEATURE_tabletevent",
             "# B3_NO_WINTAB: the Wintab backend only where its header exists\n"
             "find_file(B3_WINTAB_H wintab.h PATHS ${QT_SOURCE_TREE}/src/3rdparty/wintab)\n"
             "qt_internal_extend_target(QWindowsIntegrationPlugin CONDITION QT_FEATURE_tabletevent AND B3_WINTAB_H\n"
             "    DEFINES QT_WINDOWS_WINTAB", text, count=1)
if new == text:
    sys.exit("wintab: the tablet block of %s was not found" % cm)
cm.write_text(new)
# The uses are in qwindowscontext.cpp and qwindowspointerhandler.cpp (qwindowsintegration.cpp
# only calls the context, which stays); each of the two must have some.
for name in ("qwindowscontext.cpp", "qwindowspointerhandler.cpp"):
    f = win / name
    src = f.read_text()
    out = src.replace("#if QT_CONFIG(tabletevent)", "#if QT_CONFIG(tabletevent) && defined(QT_WINDOWS_WINTAB)")
    out = out.replace('#  include "qwindowstabletsupport.h"', '#  ifdef QT_WINDOWS_WINTAB\n#    include "qwindowstabletsupport.h"\n#  endif')
    if out == src:
        sys.exit("wintab: no tablet use found in %s" % f)
    f.write_text(out)
# b) QWindowsDirectWriteFontDatabase exists only with direct2d.
f = win / "qwindowsintegration.cpp"
src = f.read_text()
out = src.replace("#if QT_CONFIG(directwrite3)", "#if QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)")
if out == src:
    sys.exit("directwrite: no directwrite3 use found in %s" % f)
f.write_text(out)
PY
    touch "$qtbase/.b3-patched"
fi

# 3. qtbase for win32-g++, host tools from the build machine's Qt.
cmake -S "$qtbase" -B build-qtbase -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_direct2d1_1=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_jpeg=OFF -DFEATURE_pkg_config=OFF -DFEATURE_testlib=ON \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
cmake --build build-qtbase -j "$jobs"
cmake --install build-qtbase

# 4. Qt Charts 6.4.2: Debian's source package where the archive has its tarball, else the Qt
#    project's repository at the same tag.
if [ ! -d qtcharts ]; then
    if apt-get source --only-source qt6-charts=6.4.2-3 >/dev/null 2>&1 &&
        charts=$(ls -d qt6-charts-6.4.2*/ 2>/dev/null | head -n 1) && [ -n "$charts" ]; then
        mv "${charts%/}" qtcharts
    else
        git clone --depth 1 --branch v6.4.2 https://code.qt.io/qt/qtcharts.git
    fi
fi
cmake -S qtcharts -B build-qtcharts -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF
cmake --build build-qtcharts -j "$jobs"
cmake --install build-qtcharts

echo "Qt for MinGW-w64 installed in $prefix; build the suite with: make windows QT_MINGW=$prefix"
