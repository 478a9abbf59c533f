# Desktop integration on Linux: menu entries, icons, AppStream metadata, the manual page and the
# bash completion of b3cli, and the copyright and change log a Debian package carries.
set(B3_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/desktop)
# The date of this release, shown by the manual page and the AppStream metadata.
set(B3_RELEASE_DATE 2026-12-07)

foreach(app B3Tools OddsLab)
    if(NOT TARGET ${app})
        continue()
    endif()
    string(TOLOWER ${app} icon)
    set(id org.b3tools.${app})
    install(FILES ${B3_DESKTOP_DIR}/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${B3_DESKTOP_DIR}/${id}.metainfo.xml.in ${CMAKE_CURRENT_BINARY_DIR}/desktop/${id}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/desktop/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${B3_DESKTOP_DIR}/icons/${icon}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 16 32 48 64 128 256)
        install(FILES ${B3_DESKTOP_DIR}/icons/${size}x${size}/${icon}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endforeach()

install(FILES ${B3_DESKTOP_DIR}/b3cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME b3cli)

# Manual pages and change logs are installed compressed, as Debian wants them (-n: no time stamp,
# so that the same sources give the same file).
find_program(B3_GZIP gzip)

if(NOT CMAKE_CROSSCOMPILING)
    set(man ${CMAKE_CURRENT_BINARY_DIR}/desktop/b3cli.1)
    add_custom_command(OUTPUT ${man}
        COMMAND ${CMAKE_COMMAND} -DB3CLI=$<TARGET_FILE:b3cli> -DTEMPLATE=${B3_DESKTOP_DIR}/b3cli.1.in
                -DOUTPUT=${man} -DVERSION=${PROJECT_VERSION} -DDATE=${B3_RELEASE_DATE}
                -P ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
        DEPENDS b3cli ${B3_DESKTOP_DIR}/b3cli.1.in ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
        COMMENT "Writing the manual page of b3cli"
        VERBATIM)
    set(b3_docs ${man})
endif()
foreach(app B3Tools OddsLab)
    if(TARGET ${app})
        list(APPEND b3_docs ${B3_DESKTOP_DIR}/${app}.1)
    endif()
endforeach()
list(APPEND b3_docs ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)

set(b3_doc_outputs "")
foreach(source IN LISTS b3_docs)
    get_filename_component(name ${source} NAME)
    if(B3_GZIP)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/desktop/${name}.gz)
        add_custom_command(OUTPUT ${output}
            COMMAND ${B3_GZIP} -9 -n -c ${source} > ${output}
            DEPENDS ${source}
            COMMENT "Compressing ${name}")
    else()
        set(output ${source})
    endif()
    list(APPEND b3_doc_outputs ${output})
    if(name MATCHES "\\.1$")
        install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
        install(FILES ${output} DESTINATION ${B3_INSTALL_DOCDIR})
    endif()
endforeach()
add_custom_target(b3desktop ALL DEPENDS ${b3_doc_outputs})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${B3_INSTALL_DOCDIR})
