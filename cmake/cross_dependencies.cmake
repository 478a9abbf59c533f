# Cross-building for Windows: the header-only libraries come from the build machine's own
# packages (no Windows package exists), GoogleTest is built from Debian's sources, and the MinGW
# runtime DLLs are put beside the programs so that they run under Wine and ship with them.
set(B3_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-include)
file(MAKE_DIRECTORY ${B3_CROSS_INCLUDE})
foreach(header_dir nlohmann CLI)
    if(NOT EXISTS /usr/include/${header_dir})
        message(FATAL_ERROR "/usr/include/${header_dir} is missing: install the project's "
                            "build packages (make deps)")
    endif()
    # Only these folders, never the build machine's whole /usr/include.
    file(CREATE_LINK /usr/include/${header_dir} ${B3_CROSS_INCLUDE}/${header_dir} SYMBOLIC)
endforeach()
# find_package() of these two finds a package file written here, which makes the targets.
foreach(package nlohmann_json CLI11)
    string(TOLOWER ${package} lower)
    file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${lower}-config.cmake
        "if(NOT TARGET ${package}::${package})\n"
        "    add_library(${package}::${package} INTERFACE IMPORTED GLOBAL)\n"
        "    set_target_properties(${package}::${package} PROPERTIES\n"
        "        INTERFACE_INCLUDE_DIRECTORIES ${B3_CROSS_INCLUDE})\n"
        "endif()\n")
    file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${lower}-config-version.cmake
        "set(PACKAGE_VERSION 3.11)\nset(PACKAGE_VERSION_COMPATIBLE TRUE)\n")
endforeach()

if(B3_TESTS AND NOT TARGET GTest::gtest)
    if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
        message(FATAL_ERROR "/usr/src/googletest is missing: install libgtest-dev")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
    set(GTest_FOUND TRUE)
endif()

# The MinGW runtime: C++ library, GCC support (SEH unwinding on 64-bit, DWARF-2 on 32-bit) and
# POSIX threads.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(B3_MINGW_GCC_DLL libgcc_s_seh-1.dll)
else()
    set(B3_MINGW_GCC_DLL libgcc_s_dw2-1.dll)
endif()
set(B3_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll ${B3_MINGW_GCC_DLL} libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
        find_file(dll_path_found ${dll} PATHS /usr/${B3_MINGW_TRIPLET}/lib
                  /usr/lib/gcc/${B3_MINGW_TRIPLET}/12-posix NO_DEFAULT_PATH NO_CACHE)
        set(dll_path ${dll_path_found})
    endif()
    if(NOT EXISTS "${dll_path}")
        message(FATAL_ERROR "The MinGW runtime ${dll} was not found")
    endif()
    list(APPEND B3_MINGW_RUNTIME ${dll_path})
endforeach()
file(COPY ${B3_MINGW_RUNTIME} DESTINATION ${CMAKE_BINARY_DIR}/bin)
file(COPY ${B3_MINGW_RUNTIME} DESTINATION ${CMAKE_BINARY_DIR}/tools)
