# Installs the build into a fresh prefix and checks what lands there: run by CTest with
# -DBUILD_DIR, -DPREFIX, -DPROBE (a program that prints HelpFilePath(1) and whether an icon
# draws), -DPROGRAMS (the programs installed to bin/) and -DVERSION.

function(fail)
    message(FATAL_ERROR ${ARGN})
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    fail("cmake --install failed:\n${output}")
endif()

# The manifest lists every installed file, so that what was installed can be removed.
file(STRINGS "${BUILD_DIR}/install_manifest.txt" listed)
file(GLOB_RECURSE installed LIST_DIRECTORIES false "${PREFIX}/*")
list(SORT listed)
list(SORT installed)
if(NOT listed STREQUAL installed)
    fail("install_manifest.txt lists\n${listed}\nbut the prefix holds\n${installed}")
endif()

# Every program answers from bin/ and has its manual page.
foreach(program IN LISTS PROGRAMS)
    execute_process(COMMAND "${PREFIX}/bin/${program}" --help RESULT_VARIABLE result
                    OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR NOT output MATCHES "^Usage: ")
        fail("${PREFIX}/bin/${program} --help: ${result}\n${output}")
    endif()
    if(NOT EXISTS "${PREFIX}/share/man/man1/${program}.1.gz")
        fail("no manual page for ${program}")
    endif()
endforeach()

# The program as a user starts it, with no window system named: --help and --version answer on
# standard output, so before any window (and the port and the single instance, which come after
# it); without a display it says so in a line; any other argument is ignored.
function(expect_run result output errors)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                            --unset=QT_QPA_PLATFORM ${ARGN}
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status STREQUAL result OR NOT out MATCHES "${output}" OR NOT err MATCHES "${errors}")
        fail("${ARGN}: ${status}\n${out}${err}")
    endif()
endfunction()
set(program "${PREFIX}/bin/qmx7700")
string(REPLACE "." "\\." version "${VERSION}")
expect_run(0 "^qmx7700 ${version}\n$" "^$" ${program} --version)
expect_run(0 "^Usage: [^\n]*qmx7700 \\[options\\]\n.*\n  -v, --version " "^$" ${program} -h)
expect_run(1 "^$" "^qmx7700: no display[^\n]*\n$" ${program} --frobnicate program.qmx)
# A display or a window system that cannot be had ends in a line of ours, not Qt's abort.
set(cannot "\nqmx7700: the display cannot be opened\n$")
expect_run(1 "^$" "${cannot}" DISPLAY=:4711 ${program})
expect_run(1 "^$" "${cannot}" ${program} -platform nosuch)

# A program placed in bin/ finds the help file in share/qmx7700/ and draws its icons.
file(COPY "${PROBE}" DESTINATION "${PREFIX}/bin")
get_filename_component(probe_name "${PROBE}" NAME)
execute_process(COMMAND "${PREFIX}/bin/${probe_name}" RESULT_VARIABLE result
                OUTPUT_VARIABLE found ERROR_VARIABLE errors)
file(REAL_PATH "${PREFIX}/share/qmx7700/QMX-7700.html" help)
if(NOT result EQUAL 0 OR NOT found STREQUAL "${help}\nicon drawn\n")
    fail("${probe_name} (${result}): ${found}${errors}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
