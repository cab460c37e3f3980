# Installs the build into a fresh prefix and checks what lands there: run by CTest with
# -DBUILD_DIR, -DPREFIX, -DPROBE (a program that prints the help file path), -DICON (ON when the
# icon is installed) and -DVALIDATE (desktop-file-validate).

function(fail)
    message(FATAL_ERROR ${ARGN})
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    fail("cmake --install failed:\n${output}")
endif()

set(program_dir "${PREFIX}/lib/qmx7700")
set(expected
    "${program_dir}/qmx7700"
    "${program_dir}/QMX-7700.html"
    "${PREFIX}/bin/qmx7700-sim"
    "${PREFIX}/share/applications/qmx7700.desktop")
if(ICON)
    list(APPEND expected "${PREFIX}/share/icons/hicolor/scalable/apps/qmx7700.svg")
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
        fail("not installed: ${file}")
    endif()
endforeach()

# bin/qmx7700 is a relative link to the program, so "beside the program" is lib/qmx7700.
set(link "${PREFIX}/bin/qmx7700")
if(NOT IS_SYMLINK "${link}")
    fail("${link} is no symbolic link")
endif()
file(READ_SYMLINK "${link}" target)
if(NOT target STREQUAL "../lib/qmx7700/qmx7700")
    fail("${link} leads to ${target}")
endif()
file(REAL_PATH "${link}" resolved)
file(REAL_PATH "${program_dir}/qmx7700" program)
if(NOT resolved STREQUAL program)
    fail("${link} resolves to ${resolved}, not ${program}")
endif()

execute_process(COMMAND "${PREFIX}/bin/qmx7700-sim" --help RESULT_VARIABLE result
                OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
    fail("the installed simulator does not start: ${result}")
endif()

execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/qmx7700.desktop"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    fail("desktop entry: ${output}")
endif()

# A program placed as the installed one and started by its link finds the installed help.
file(COPY "${PROBE}" DESTINATION "${program_dir}")
get_filename_component(probe_name "${PROBE}" NAME)
file(CREATE_LINK "../lib/qmx7700/${probe_name}" "${PREFIX}/bin/${probe_name}" SYMBOLIC)
execute_process(COMMAND "${PREFIX}/bin/${probe_name}" RESULT_VARIABLE result
                OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE errors)
file(REAL_PATH "${program_dir}/QMX-7700.html" help)
if(NOT result EQUAL 0 OR NOT found STREQUAL help)
    fail("help looked for at '${found}' (${result}), not at ${help}: ${errors}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
