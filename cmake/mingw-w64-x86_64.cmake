# Cross-building for 64-bit Windows with Debian's MinGW-w64 (GCC, posix threads):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DB3_WITH_QT=OFF
# Programs the build runs itself (the picture drawers, the tests) run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(B3_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${B3_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${B3_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${B3_MINGW_TRIPLET}-windres)
set(CMAKE_AR /usr/bin/${B3_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${B3_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${B3_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
