# One interface target carries the language standard, the warnings and the
# strict defines; every Wylo target links it.
add_library(wylo_options INTERFACE)
target_compile_features(wylo_options INTERFACE cxx_std_20)
set_target_properties(wylo_options PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)

if(MSVC)
    target_compile_options(wylo_options INTERFACE /W4 /permissive- /utf-8)
    if(WYLO_WERROR)
        target_compile_options(wylo_options INTERFACE /WX)
    endif()
else()
    target_compile_options(wylo_options INTERFACE -Wall -Wextra -Wpedantic)
    if(WYLO_WERROR)
        target_compile_options(wylo_options INTERFACE -Werror)
    endif()
endif()

if(WIN32)
    target_compile_definitions(wylo_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
endif()
