# Libraries of the Windows build that Debian's mingw-w64 root does not have:
# libcurl (Schannel TLS), pugixml and libjpeg-turbo, plus fmt and CLI11 for the
# publishers' tool and cpp-httplib for the tests. They come from Debian's own
# source packages only, fetched with apt-get source on the first configure,
# cross-built with the same compilers by the project in cmake/windows-deps and
# installed into one prefix inside the build folder. Later configures find
# them there and rebuild nothing.
#
# Sets WYLO_WINDOWS_DEPENDENCIES_PREFIX and adds it to the search paths.
include(${CMAKE_CURRENT_LIST_DIR}/BuildDependencies.cmake)

set(WYLO_WINDOWS_DEPENDENCIES_DIR "${CMAKE_BINARY_DIR}/third_party" CACHE PATH
    "Where the Windows build keeps the libraries it cross-builds from Debian's sources")

wylo_build_dependencies(
    LABEL "Windows libraries"
    DIR "${WYLO_WINDOWS_DEPENDENCIES_DIR}"
    PROJECT "${CMAKE_CURRENT_LIST_DIR}/windows-deps"
    PACKAGES curl pugixml libjpeg-turbo fmtlib cli11 cpp-httplib
    ARGS "-DWYLO_DEPS_TOOLCHAIN=${CMAKE_TOOLCHAIN_FILE}"
    INPUTS "${CMAKE_TOOLCHAIN_FILE}" "${CMAKE_CURRENT_LIST_DIR}/LeanCurlOptions.cmake"
    HINT "Without them, configure with -DWYLO_WITH_NETWORK_AND_JPEG=OFF.")

set(WYLO_WINDOWS_DEPENDENCIES_PREFIX "${WYLO_DEPENDENCIES_PREFIX}")
# The toolchain searches the target's root only; the prefix is one more root.
list(APPEND CMAKE_FIND_ROOT_PATH "${WYLO_WINDOWS_DEPENDENCIES_PREFIX}")
list(APPEND CMAKE_PREFIX_PATH "${WYLO_WINDOWS_DEPENDENCIES_PREFIX}")
