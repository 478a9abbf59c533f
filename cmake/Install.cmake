# Install rules: `cmake --install BUILD [--prefix DIR]`.
#
# The programs go to bin; the edit server goes to a folder of its own under lib, and its picture
# templates beside it, since the server copies them from its own folder. On Windows everything
# stays in one folder, as in the build tree.
include(GNUInstallDirs)

set(B3_PACKAGE_NAME b3tools)
set(B3_HOMEPAGE "https://b3tools.org" CACHE STRING
    "The project's web site, named by the package and the AppStream metadata")
if(WIN32)
    set(B3_INSTALL_LIBDIR ${CMAKE_INSTALL_BINDIR})
elseif(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
    # A multiarch system (Debian) keeps a program's private libraries in its architecture's
    # folder whatever the prefix, so that the package does not ask for ldconfig to run.
    set(B3_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/${B3_PACKAGE_NAME})
else()
    set(B3_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${B3_PACKAGE_NAME})
endif()
set(B3_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/${B3_PACKAGE_NAME})

# From bin the programs find the server through a path relative to themselves, so that the
# installed tree works wherever it is put (the prefix or a DESTDIR staging folder).
file(RELATIVE_PATH B3_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${B3_INSTALL_LIBDIR})
set(B3_PROGRAMS b3cli)
foreach(program B3Tools OddsLab)
    if(TARGET ${program})
        list(APPEND B3_PROGRAMS ${program})
    endif()
endforeach()
set_target_properties(${B3_PROGRAMS} PROPERTIES INSTALL_RPATH "$ORIGIN/${B3_BIN_TO_LIB}")

install(TARGETS ${B3_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS B3EdtSvr
    RUNTIME DESTINATION ${B3_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${B3_INSTALL_LIBDIR}
    NAMELINK_SKIP)
install(FILES ${CMAKE_BINARY_DIR}/bin/NEWARMY.PCX ${CMAKE_BINARY_DIR}/bin/NEWSITE.PCX
        DESTINATION ${B3_INSTALL_LIBDIR})

# Documentation: the README with the screenshots it shows.
install(FILES README.md DESTINATION ${B3_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${B3_INSTALL_DOCDIR}/docs FILES_MATCHING PATTERN "*.png")
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
    install(FILES LICENSE DESTINATION ${B3_INSTALL_DOCDIR})
endif()

if(UNIX AND NOT APPLE)
    include(${CMAKE_CURRENT_LIST_DIR}/Desktop.cmake)
endif()
