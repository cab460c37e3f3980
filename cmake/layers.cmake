# The layers of the program and which layers each may use, one entry a layer:
# "<path>: <layers it builds on>". A layer's path is a folder, or a file name without its
# extension for a part of a folder (app/instrument is the part of app/ that builds without any
# window). ui, remote and record are siblings above program that never use one another; the
# instrument holds the record, so that every surface has it. Each layer's library links exactly
# the libraries of the layers it builds on, so the CMake graph is this table, and
# cmake/check_layers.cmake fails the suite on an include that the table does not allow. tests/,
# bench/ and fuzz/ may use every layer.
set(QMX_LAYERS
    "platform:"
    "core: platform"
    "device: core platform"
    "program: device core platform"
    "ui: program device core platform"
    "remote: program device core platform"
    "record: program device core platform"
    "app/instrument: remote record program device core platform"
    "app: app/instrument ui remote record program device core platform"
    # The stand-in device shares no code with the program.
    "sim:")

# qmx_layer_path(<out> <entry>), qmx_layer_uses(<out> <path>): the parts of the table.
function(qmx_layer_path out entry)
    string(REGEX REPLACE ":.*" "" path "${entry}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

function(qmx_layer_uses out path)
    foreach(entry IN LISTS QMX_LAYERS)
        if(entry MATCHES "^${path}:(.*)$")
            string(STRIP "${CMAKE_MATCH_1}" uses)
            string(REPLACE " " ";" uses "${uses}")
            set(${out} "${uses}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${path} is no layer of cmake/layers.cmake")
endfunction()

# The library of a layer: qmx_ and the last part of its path (qmx_core, qmx_instrument).
function(qmx_layer_target out path)
    string(REGEX REPLACE ".*/" "" name "${path}")
    set(${out} "qmx_${name}" PARENT_SCOPE)
endfunction()

# qmx_add_layer(<path> <sources...>): the static library of a layer, linking the libraries of
# the layers it builds on (those that exist yet: remote and record come with their folders).
function(qmx_add_layer path)
    qmx_layer_target(target "${path}")
    qmx_layer_uses(uses "${path}")
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE qmx_options)
    foreach(used IN LISTS uses)
        qmx_layer_target(used_target "${used}")
        if(TARGET ${used_target})
            target_link_libraries(${target} PUBLIC ${used_target})
        elseif(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${used})
            message(FATAL_ERROR "${path} builds on ${used}, whose library is not declared yet")
        endif()
    endforeach()
endfunction()
