# Defaults of a cross build for Windows, read before the options of the
# top-level CMakeLists.txt. Debian's mingw-w64 root has no Qt, libcurl, pugixml
# or libjpeg; the build cross-builds the libraries it needs from Debian's own
# source packages (cmake/WindowsDependencies.cmake), so the whole core, the
# publishers' tool and their tests build for Windows. Every choice can still be
# given with -D.

option(WYLO_BUILD_WINDOWS_DEPENDENCIES
    "Cross-build libcurl, pugixml, libjpeg-turbo, fmt, CLI11 and cpp-httplib from Debian's sources" ON)
if(WYLO_BUILD_WINDOWS_DEPENDENCIES AND (NOT DEFINED CACHE{WYLO_WITH_NETWORK_AND_JPEG}
                                        OR WYLO_WITH_NETWORK_AND_JPEG))
    if(NOT IS_ABSOLUTE "${CMAKE_TOOLCHAIN_FILE}")
        if(EXISTS "${CMAKE_BINARY_DIR}/${CMAKE_TOOLCHAIN_FILE}")
            set(CMAKE_TOOLCHAIN_FILE "${CMAKE_BINARY_DIR}/${CMAKE_TOOLCHAIN_FILE}")
        else()
            set(CMAKE_TOOLCHAIN_FILE "${CMAKE_SOURCE_DIR}/${CMAKE_TOOLCHAIN_FILE}")
        endif()
    endif()
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsDependencies.cmake)
endif()

if(NOT DEFINED CACHE{WYLO_WITH_NETWORK_AND_JPEG})
    find_package(CURL QUIET)
    find_package(pugixml QUIET)
    find_package(JPEG QUIET)
    if(CURL_FOUND AND pugixml_FOUND AND JPEG_FOUND)
        set(with_libraries ON)
    else()
        set(with_libraries OFF)
        message(STATUS "Windows build without libcurl, pugixml or libjpeg: "
                       "leaving out downloads, channel documents, JPEG decoding and the tools")
    endif()
    set(WYLO_WITH_NETWORK_AND_JPEG ${with_libraries} CACHE BOOL
        "Build the parts that need libcurl, pugixml and libjpeg")
endif()

if(NOT DEFINED CACHE{WYLO_BUILD_APP})
    find_package(Qt6 QUIET COMPONENTS Widgets)
    if(NOT Qt6Widgets_FOUND)
        message(STATUS "Windows build without Qt 6: leaving out the desktop program")
    endif()
    set(WYLO_BUILD_APP ${Qt6Widgets_FOUND} CACHE BOOL "Build the Qt desktop program")
endif()

# Benchmarks measure this machine, not the target.
set(WYLO_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
