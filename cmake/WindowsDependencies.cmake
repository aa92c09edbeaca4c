# Libraries of the Windows build that Debian's mingw-w64 root does not have:
# libcurl (Schannel TLS), pugixml and libjpeg-turbo, plus fmt and CLI11 for the
# publishers' tool and cpp-httplib for the tests. They come from Debian's own
# source packages only, fetched with apt-get source on the first configure,
# cross-built with the same compilers by the project in cmake/windows-deps and
# installed into one prefix inside the build folder. Later configures find
# them there and rebuild nothing.
#
# Sets WYLO_WINDOWS_DEPENDENCIES_PREFIX and adds it to the search paths.

set(WYLO_WINDOWS_DEPENDENCIES_DIR "${CMAKE_BINARY_DIR}/third_party" CACHE PATH
    "Where the Windows build keeps the libraries it cross-builds from Debian's sources")

set(deps_dir "${WYLO_WINDOWS_DEPENDENCIES_DIR}")
set(deps_prefix "${deps_dir}/install")
set(deps_packages curl pugixml libjpeg-turbo fmtlib cli11 cpp-httplib)
set(deps_log "${deps_dir}/build.log")
set(deps_stamp "${deps_dir}/install.stamp")

# What goes into the libraries; a change of any of these builds them again.
set(deps_inputs
    "${CMAKE_CURRENT_LIST_DIR}/windows-deps/CMakeLists.txt"
    "${CMAKE_CURRENT_LIST_DIR}/windows-deps/fetch-sources.sh"
    "${CMAKE_TOOLCHAIN_FILE}")
set(deps_up_to_date FALSE)
if(EXISTS "${deps_stamp}")
    set(deps_up_to_date TRUE)
    foreach(input IN LISTS deps_inputs)
        if("${input}" IS_NEWER_THAN "${deps_stamp}")
            set(deps_up_to_date FALSE)
        endif()
    endforeach()
endif()

if(NOT deps_up_to_date)
    message(STATUS "Windows libraries: fetching Debian's sources and cross-building them "
                   "(first configure only, a few minutes; log: ${deps_log})")
    file(MAKE_DIRECTORY "${deps_dir}")
    file(WRITE "${deps_log}" "")

    execute_process(
        COMMAND "${CMAKE_CURRENT_LIST_DIR}/windows-deps/fetch-sources.sh"
                "${deps_dir}/sources" ${deps_packages}
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Could not fetch the sources of the Windows libraries (see above). "
                            "Without them, configure with -DWYLO_WITH_NETWORK_AND_JPEG=OFF.")
    endif()

    cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)
    if(jobs GREATER 2)
        set(jobs 2)
    endif()
    foreach(step configure build)
        if(step STREQUAL configure)
            set(command "${CMAKE_COMMAND}" -S "${CMAKE_CURRENT_LIST_DIR}/windows-deps"
                        -B "${deps_dir}/build" -G Ninja
                        "-DWYLO_DEPS_SOURCES=${deps_dir}/sources"
                        "-DWYLO_DEPS_TOOLCHAIN=${CMAKE_TOOLCHAIN_FILE}"
                        "-DCMAKE_INSTALL_PREFIX=${deps_prefix}")
        else()
            set(command "${CMAKE_COMMAND}" --build "${deps_dir}/build" -j${jobs})
        endif()
        execute_process(COMMAND ${command}
            OUTPUT_FILE "${deps_log}.${step}" ERROR_FILE "${deps_log}.${step}"
            RESULT_VARIABLE result)
        file(READ "${deps_log}.${step}" step_output)
        file(APPEND "${deps_log}" "${step_output}")
        file(REMOVE "${deps_log}.${step}")
        if(NOT result EQUAL 0)
            string(LENGTH "${step_output}" length)
            if(length GREATER 4000)
                math(EXPR start "${length} - 4000")
                string(SUBSTRING "${step_output}" ${start} -1 step_output)
            endif()
            message(FATAL_ERROR "Cross-building the Windows libraries failed (${step} step); "
                                "the end of ${deps_log}:\n${step_output}")
        endif()
    endforeach()
    file(TOUCH "${deps_stamp}")
    message(STATUS "Windows libraries: installed in ${deps_prefix}")
endif()

set(WYLO_WINDOWS_DEPENDENCIES_PREFIX "${deps_prefix}")
# The toolchain searches the target's root only; the prefix is one more root.
list(APPEND CMAKE_FIND_ROOT_PATH "${deps_prefix}")
list(APPEND CMAKE_PREFIX_PATH "${deps_prefix}")
