# cmake --install: the program and its help file together in lib/qmx7700/, where the program
# finds the help beside itself, a link bin/qmx7700 to it, the simulator, the desktop entry and
# the icon.
set(QMX_PROGRAM_DIR lib/qmx7700)
set(QMX_ICON ${PROJECT_SOURCE_DIR}/ui/icons/qmx7700.svg)

install(TARGETS qmx7700 RUNTIME DESTINATION ${QMX_PROGRAM_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/help/QMX-7700.html DESTINATION ${QMX_PROGRAM_DIR})
install(TARGETS qmx7700-sim qmx7700-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/qmx7700.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(EXISTS ${QMX_ICON})
    install(FILES ${QMX_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# A relative link, so that the installed tree may be moved or packaged (DESTDIR) as a whole.
install(CODE [[
    set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
    file(MAKE_DIRECTORY "${bin}")
    message(STATUS "Installing: ${bin}/qmx7700 -> ../lib/qmx7700/qmx7700")
    file(CREATE_LINK ../lib/qmx7700/qmx7700 "${bin}/qmx7700" SYMBOLIC)
]])
