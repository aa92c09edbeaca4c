# The core's layers and what each may include. wylo_layers checks every source
# of src/ at each build, so an include that reaches up fails the build, naming
# the file. The back-ends of the platform interface may read
# bitmaps; the windows and the tool sit on top and may include anything.
set(WYLO_LAYER_RULES
    "base=base"
    "platform=base,platform"
    "platform/fake=base,platform"
    "platform/headless=base,platform"
    "platform/linux=base,platform,compose"
    "platform/win32=base,platform,compose"
    "settings=base,platform,settings"
    "channels=base,channels"
    "compose=base,compose"
    "desktop=base,platform,settings,channels,compose,desktop"
    "schedule=base,platform,settings,channels,compose,desktop,schedule"
    "session=base,platform,settings,channels,compose,desktop,schedule,session"
)

if(CMAKE_SCRIPT_MODE_FILE)
    cmake_policy(VERSION 3.25)
    # Run as a script: check the sources under SOURCE_DIR.
    set(failures "")
    foreach(rule IN LISTS WYLO_LAYER_RULES)
        string(REPLACE "=" ";" parts "${rule}")
        list(GET parts 0 folder)
        list(GET parts 1 allowed)
        string(REPLACE "," ";" allowed "${allowed}")
        file(GLOB files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
        foreach(file IN LISTS files)
            file(STRINGS "${file}" includes REGEX "^#include \"[a-z0-9]+/")
            foreach(include IN LISTS includes)
                string(REGEX REPLACE "^#include \"([a-z0-9]+)/.*" "\\1" layer "${include}")
                if(NOT layer IN_LIST allowed)
                    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
                    string(APPEND failures "  src/${shown}: ${include} (${folder} may include ${allowed})\n")
                endif()
            endforeach()
        endforeach()
    endforeach()
    if(failures)
        message(FATAL_ERROR "A core folder includes a layer above it:\n${failures}")
    endif()
    return()
endif()

add_custom_target(wylo_layers ALL
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/src
            -P ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Checking that each core folder includes only the layers below it"
    VERBATIM
)

# wylo_add_layer(TARGET FOLDER sources...): one core folder as a static library
# that is built only once its includes have passed the check.
function(wylo_add_layer target folder)
    add_library(${target} STATIC ${ARGN})
    target_link_libraries(${target} PUBLIC wylo_options)
    add_dependencies(${target} wylo_layers)
endfunction()
