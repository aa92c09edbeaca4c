# Builds libraries from Debian's own source packages at configure time, once
# per folder: fetches the sources with cmake/fetch-debian-sources.sh, then
# configures and builds the CMake project PROJECT (a list of ExternalProjects)
# which installs them into DIR/install. A stamp leaves an installed prefix
# alone until one of INPUTS changes; a lock lets several build folders share
# one DIR.
#
#   wylo_build_dependencies(
#       LABEL    "what the messages call them"
#       DIR      where the sources, the build and the prefix go
#       PROJECT  the folder of the CMake project that builds them
#       PACKAGES Debian source package names
#       [ARGS    -D... for that project]
#       [INPUTS  more files whose change builds them again]
#       [HINT    what to tell the user when the sources cannot be fetched])
#
# Sets WYLO_DEPENDENCIES_PREFIX in the caller's scope.
function(wylo_build_dependencies)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "LABEL;DIR;PROJECT;HINT" "PACKAGES;ARGS;INPUTS")
    set(deps_dir "${arg_DIR}")
    set(prefix "${deps_dir}/install")
    set(log "${deps_dir}/build.log")
    set(stamp "${deps_dir}/install.stamp")
    set(fetch "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fetch-debian-sources.sh")

    file(MAKE_DIRECTORY "${deps_dir}")
    file(LOCK "${deps_dir}/.lock" GUARD FUNCTION TIMEOUT 1800 RESULT_VARIABLE locked)
    if(locked)
        message(FATAL_ERROR "${arg_LABEL}: could not lock ${deps_dir}: ${locked}")
    endif()

    # A change of the build's own files, or of what it is given, builds again.
    set(arguments_file "${deps_dir}/arguments.txt")
    string(JOIN "\n" arguments ${arg_PACKAGES} ${arg_ARGS})
    set(old_arguments "")
    if(EXISTS "${arguments_file}")
        file(READ "${arguments_file}" old_arguments)
    endif()
    set(up_to_date FALSE)
    if(EXISTS "${stamp}" AND old_arguments STREQUAL arguments)
        set(up_to_date TRUE)
        file(GLOB project_files "${arg_PROJECT}/*")
        foreach(input IN LISTS project_files arg_INPUTS fetch)
            if("${input}" IS_NEWER_THAN "${stamp}")
                set(up_to_date FALSE)
            endif()
        endforeach()
    endif()

    if(NOT up_to_date)
        message(STATUS "${arg_LABEL}: fetching Debian's sources and building them "
                       "(first configure only; log: ${log})")
        file(REMOVE "${stamp}")
        file(WRITE "${log}" "")
        execute_process(COMMAND "${fetch}" "${deps_dir}/sources" ${arg_PACKAGES}
                        RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "Could not fetch the sources of the ${arg_LABEL} (see above). "
                                "${arg_HINT}")
        endif()

        cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)
        if(jobs GREATER 2)
            set(jobs 2)
        endif()
        foreach(step configure build)
            if(step STREQUAL configure)
                set(command "${CMAKE_COMMAND}" -S "${arg_PROJECT}" -B "${deps_dir}/build" -G Ninja
                            "-DWYLO_DEPS_SOURCES=${deps_dir}/sources"
                            "-DCMAKE_INSTALL_PREFIX=${prefix}" ${arg_ARGS})
            else()
                set(command "${CMAKE_COMMAND}" --build "${deps_dir}/build" -j${jobs})
            endif()
            execute_process(COMMAND ${command}
                OUTPUT_FILE "${log}.${step}" ERROR_FILE "${log}.${step}"
                RESULT_VARIABLE result)
            file(READ "${log}.${step}" step_output)
            file(APPEND "${log}" "${step_output}")
            file(REMOVE "${log}.${step}")
            if(NOT result EQUAL 0)
                string(LENGTH "${step_output}" length)
                if(length GREATER 4000)
                    math(EXPR start "${length} - 4000")
                    string(SUBSTRING "${step_output}" ${start} -1 step_output)
                endif()
                message(FATAL_ERROR "Building the ${arg_LABEL} failed (${step} step); "
                                    "the end of ${log}:\n${step_output}")
            endif()
        endforeach()
        file(WRITE "${arguments_file}" "${arguments}")
        file(TOUCH "${stamp}")
        message(STATUS "${arg_LABEL}: installed in ${prefix}")
    endif()

    set(WYLO_DEPENDENCIES_PREFIX "${prefix}" PARENT_SCOPE)
endfunction()
