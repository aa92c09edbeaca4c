# Tests of the Windows cross build: GoogleTest is built from source with the
# cross compiler, and every test program runs under Wine through
# cmake/wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR, set by the toolchain file).
#
# Sets, for tests/CMakeLists.txt:
#   WYLO_TEST_DISCOVERY_ARGS  extra arguments of gtest_discover_tests
#   WYLO_TEST_PROPERTIES      extra properties of every discovered test

set(WYLO_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH
    "GoogleTest sources to build for the target (Debian's googletest package)")
if(NOT EXISTS "${WYLO_GOOGLETEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "No GoogleTest sources in ${WYLO_GOOGLETEST_SOURCE}; "
                        "install the googletest package or set WYLO_GOOGLETEST_SOURCE")
endif()
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(FATAL_ERROR "Windows tests need Wine as the emulator; "
                        "configure with -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory("${WYLO_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${lib})
        add_library(GTest::${lib} ALIAS ${lib})
    endif()
endforeach()

# Tests are listed when CTest runs, not at build time: the build then needs no
# Wine, and the first start of Wine (which creates the prefix) happens once.
set(WYLO_TEST_DISCOVERY_ARGS DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 NO_PRETTY_VALUES)

# Stop this build's wineserver once the last test is done.
add_test(NAME wine_shutdown COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --shutdown)
set_tests_properties(wine_shutdown PROPERTIES FIXTURES_CLEANUP wine)
set(WYLO_TEST_PROPERTIES FIXTURES_REQUIRED wine)
