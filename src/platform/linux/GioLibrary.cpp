#include "platform/linux/GioLibrary.h"

#include <optional>

#include <dlfcn.h>

namespace wylo {

namespace {

std::optional<GioLibrary> Load() {
    // Never closed: GLib's threads and types outlive any one use.
    void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        return std::nullopt;
    }
    GioLibrary gio;
    bool complete = true;
#define WYLO_GIO_LOOKUP(name)                                               \
    gio.name = reinterpret_cast<decltype(gio.name)>(dlsym(library, #name)); \
    complete = complete && gio.name != nullptr;
    WYLO_GIO_FUNCTIONS(WYLO_GIO_LOOKUP)
#undef WYLO_GIO_LOOKUP
    if (!complete) {
        return std::nullopt;
    }
    return gio;
}

}  // namespace

const GioLibrary* Gio() {
    static const std::optional<GioLibrary> gio = Load();
    return gio ? &*gio : nullptr;
}

}  // namespace wylo
