# The compiler's warnings for our own code (GCC and Clang, the MinGW-w64 cross compilers too).
# Third-party headers (Qt, GoogleTest, Google Benchmark, nlohmann/json, CLI11) come in through
# imported targets or SYSTEM subdirectories, so they are system headers the compiler keeps quiet
# about.
#
# B3_WERROR makes every warning an error. Continuous integration turns it on (make WERROR=1);
# users' builds keep it off, so that a newer compiler's new warning never stops theirs.
option(B3_WERROR "Treat compiler warnings as errors (continuous integration)" OFF)

# The stricter C++ warnings; b3_quiet_autogen() takes them off Qt's generated sources again.
set(B3_STRICT_WARNINGS -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor
    -Woverloaded-virtual)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wpedantic
                        "$<$<COMPILE_LANGUAGE:CXX>:${B3_STRICT_WARNINGS}>")
    if(B3_WERROR)
        add_compile_options(-Werror)
    endif()
endif()
