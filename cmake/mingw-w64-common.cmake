# What both MinGW-w64 toolchain files set, for the target triplet B3_MINGW_TRIPLET: Debian's
# compilers with posix threads, their tools, and the target's own root for libraries and headers.
set(CMAKE_SYSTEM_NAME Windows)
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
