# Cross-building for 64-bit Windows with Debian's MinGW-w64 (GCC, posix threads):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DB3_WITH_QT=OFF
# Programs the build runs itself (the picture drawers, the tests) run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(B3_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
