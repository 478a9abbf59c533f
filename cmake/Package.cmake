# The Debian package: `make package` (cpack -G DEB in the build folder). Its dependencies are
# the Debian libraries the installed programs link against, found by dpkg-shlibdeps, and the
# platform plugins Qt needs to open a window.
if(NOT UNIX OR APPLE)
    return()
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${B3_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "B3Tools developers")
set(CPACK_PACKAGE_CONTACT "B3Tools developers <maintainers@b3tools.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${B3_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "definition editor and combat calculator for Banerule III
Tools for players and modders of the turn-based strategy game Banerule III:
Gloamkings Tide, used beside an installed copy of the game (for example under
Wine). B3Tools edits the game's items, armies, heroes, sites and spells with
their pictures; OddsLab shows the attacker's win odds and the losses of a
battle, simulated and computed exactly; b3cli is a command-line companion for
scripts and batch work.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
if(TARGET B3Tools OR TARGET OddsLab)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
