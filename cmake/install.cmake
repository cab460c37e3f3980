# cmake --install, laid out as a distribution installs programs: the programs in bin/, the help
# file in share/qmx7700/ (the program looks there from bin/), manual pages, the desktop entry,
# the AppStream metadata, the icon and the package's documents. A program added to
# QMX_PROGRAMS is installed with its manual page dist/<program>.1.
include(GNUInstallDirs)

set(QMX_PROGRAMS qmx7700 qmx7700-server qmx7700-sim)
set(QMX_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)
set(QMX_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/qmx7700)
# Whatever the installer's umask, directories are as Debian and other distributions want them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS ${QMX_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/help/QMX-7700.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/qmx7700)
install(FILES ${QMX_DIST_DIR}/${QMX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QMX_DIST_DIR}/${QMX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/ui/icons/qmx7700.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${QMX_APP_ID}.svg)
install(FILES ${QMX_DIST_DIR}/copyright ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${QMX_DOC_DIR})

# Manual pages and the Debian changelog are installed compressed (gzip -n: no name or time
# stamp, so the same sources give the same bytes); the pages carry the version.
set(manual_pages)
foreach(program IN LISTS QMX_PROGRAMS)
    configure_file(${QMX_DIST_DIR}/${program}.1 ${PROJECT_BINARY_DIR}/dist/${program}.1 @ONLY)
    list(APPEND manual_pages ${PROJECT_BINARY_DIR}/dist/${program}.1.gz)
endforeach()
configure_file(${QMX_DIST_DIR}/changelog ${PROJECT_BINARY_DIR}/dist/changelog.Debian COPYONLY)
set(changelog ${PROJECT_BINARY_DIR}/dist/changelog.Debian.gz)
foreach(compressed IN LISTS manual_pages changelog)
    string(REGEX REPLACE "\\.gz$" "" plain ${compressed})
    add_custom_command(OUTPUT ${compressed} COMMAND gzip -9nkf ${plain} DEPENDS ${plain} VERBATIM)
endforeach()
# Everything an install takes: building it is enough to install or package.
add_custom_target(dist-files ALL DEPENDS ${manual_pages} ${changelog})
add_dependencies(dist-files ${QMX_PROGRAMS})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What only the Debian package holds (cmake/package.cmake).
install(FILES ${changelog} DESTINATION ${QMX_DOC_DIR} COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${QMX_DIST_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME qmx7700 COMPONENT debian EXCLUDE_FROM_ALL)
