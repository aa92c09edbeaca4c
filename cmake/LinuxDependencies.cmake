# The lean libcurl of the Linux build (see cmake/linux-deps), built from
# Debian's source package on the first configure and found from then on.
# Several build folders may share one WYLO_LINUX_DEPENDENCIES_DIR.
include(${CMAKE_CURRENT_LIST_DIR}/BuildDependencies.cmake)

set(WYLO_LINUX_DEPENDENCIES_DIR "${CMAKE_BINARY_DIR}/third_party" CACHE PATH
    "Where the Linux build keeps the libcurl it builds from Debian's source")

wylo_build_dependencies(
    LABEL "lean libcurl"
    DIR "${WYLO_LINUX_DEPENDENCIES_DIR}"
    PROJECT "${CMAKE_CURRENT_LIST_DIR}/linux-deps"
    PACKAGES curl
    INPUTS "${CMAKE_CURRENT_LIST_DIR}/LeanCurlOptions.cmake"
    HINT "Run scripts/setup first, or configure with -DWYLO_SYSTEM_CURL=ON to link the system's libcurl.")

find_package(CURL CONFIG REQUIRED PATHS "${WYLO_DEPENDENCIES_PREFIX}" NO_DEFAULT_PATH)
