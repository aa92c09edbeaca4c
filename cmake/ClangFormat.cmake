# `cmake --build <dir> --target format` applies .clang-format to every source file.
find_program(CLANG_FORMAT_EXECUTABLE NAMES clang-format clang-format-14)
if(CLANG_FORMAT_EXECUTABLE)
    file(GLOB_RECURSE WYLO_FORMAT_SOURCES CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h
        ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
        ${PROJECT_SOURCE_DIR}/bench/*.cpp)
    add_custom_target(format
        COMMAND ${CLANG_FORMAT_EXECUTABLE} -i ${WYLO_FORMAT_SOURCES}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        COMMENT "Applying .clang-format")
endif()
