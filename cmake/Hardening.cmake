# The distribution's hardening for the programs users run (what dpkg-buildflags gives with
# hardening=+all): fortified C library calls and stack protection in optimised builds, position-
# independent executables, and read-only relocations resolved at start-up. Only for native ELF
# builds; the sanitizer and fuzzing builds keep their own instrumentation.
include(CheckPIESupported)
check_pie_supported(OUTPUT_VARIABLE b3_pie_message LANGUAGES C CXX)

set(b3_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options(
    "$<${b3_optimised}:-fstack-protector-strong>"
    "$<${b3_optimised}:-fstack-clash-protection>"
    "$<${b3_optimised}:-Wformat>"
    "$<${b3_optimised}:-Werror=format-security>"
    # Replaced, not added to: a compiler that already fortifies at another level must not warn.
    "$<${b3_optimised}:-U_FORTIFY_SOURCE>"
    "$<${b3_optimised}:-D_FORTIFY_SOURCE=2>")
add_link_options(LINKER:-z,relro LINKER:-z,now)
