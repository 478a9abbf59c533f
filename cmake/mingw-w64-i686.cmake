# Cross-building for 32-bit Windows with Debian's MinGW-w64 (GCC, posix threads), for the 32-bit
# edit server and b3cli that 32-bit programs and script hosts load:
#   cmake -S . -B build-windows-x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
#         -DB3_WITH_QT=OFF -DB3_TESTS=OFF -DB3_TEMPLATES_FROM=build-windows/bin
# Wine's 32-bit side is not installed here, so nothing this build makes is run: the picture
# templates come from the 64-bit build (B3_TEMPLATES_FROM) and the checks only read the files.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(B3_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
