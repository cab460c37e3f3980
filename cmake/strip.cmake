# Run by cpack on the staged files before they are packed: strips the programs as Debian's
# dh_strip does, of their symbols and of the sections nothing reads at run time.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
foreach(program IN LISTS programs)
    execute_process(COMMAND ${CPACK_QMX_STRIP} --remove-section=.comment --remove-section=.note
                            --strip-unneeded ${program}
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
