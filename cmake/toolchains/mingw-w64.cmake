# Cross build for 64-bit Windows with Debian's mingw-w64 compilers.
#
#   cmake -S . -B build-mingw -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake
#
# The -posix compilers are used because the default (win32 thread model) ones
# have no std::thread or std::mutex. Programs are linked statically so they run
# under Wine, or on a bare Windows machine, without the compiler's DLLs.
# Tests run under Wine through the wrapper set up by cmake/WineTesting.cmake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(WYLO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${WYLO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WYLO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${WYLO_MINGW_TRIPLET}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Libraries and packages come from the target's root only, never from the
# build machine's /usr; tools (wine, scripts) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${WYLO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every Windows program built here runs under Wine when CMake or CTest runs it.
# The wrapper keeps Wine's prefix, temporary files and locale inside the build
# folder; its arguments are the build folder and then the program.
if(CMAKE_BINARY_DIR)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${CMAKE_CURRENT_LIST_DIR}/../wine-run.sh;${CMAKE_BINARY_DIR}")
endif()
