#pragma once

#include <gio/gio.h>

namespace wylo {

// GIO's settings functions, looked up in the library when a GNOME-family
// desktop first needs them. Only those desktops keep their wallpaper in
// GSettings, and loading GIO with GLib and their six libraries costs every
// start of the program a few milliseconds that no other desktop needs.
#define WYLO_GIO_FUNCTIONS(X)               \
    X(g_object_unref)                       \
    X(g_settings_is_writable)               \
    X(g_settings_new_full)                  \
    X(g_settings_schema_get_key)            \
    X(g_settings_schema_has_key)            \
    X(g_settings_schema_key_get_value_type) \
    X(g_settings_schema_key_range_check)    \
    X(g_settings_schema_key_unref)          \
    X(g_settings_schema_source_get_default) \
    X(g_settings_schema_source_lookup)      \
    X(g_settings_schema_unref)              \
    X(g_settings_set_string)                \
    X(g_settings_sync)                      \
    X(g_variant_new_string)                 \
    X(g_variant_ref_sink)                   \
    X(g_variant_type_equal)                 \
    X(g_variant_unref)

struct GioLibrary {
#define WYLO_GIO_POINTER(name) decltype(&::name) name = nullptr;
    WYLO_GIO_FUNCTIONS(WYLO_GIO_POINTER)
#undef WYLO_GIO_POINTER
};

// The library, loaded on the first call and kept for the program's life;
// null when it is not installed or lacks one of the functions.
const GioLibrary* Gio();

}  // namespace wylo
