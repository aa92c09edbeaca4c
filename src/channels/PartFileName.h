#pragma once

#include <cstddef>
#include <string_view>

namespace wylo {

// A download is written to ".wylo-" + 16 hexadecimal digits + ".part" beside
// its target before it replaces the cached copy. Header-only, so that the
// start-up clean-up recognises these names in builds without the network.
inline constexpr std::string_view kPartFilePrefix = ".wylo-";
inline constexpr std::string_view kPartFileSuffix = ".part";
inline constexpr std::size_t kPartFileRandomDigits = 16;

// True for a name that only a download's temporary file has.
inline bool IsPartialDownloadName(std::string_view name) {
    if (name.size() != kPartFilePrefix.size() + kPartFileRandomDigits + kPartFileSuffix.size() ||
        !name.starts_with(kPartFilePrefix) || !name.ends_with(kPartFileSuffix)) {
        return false;
    }
    for (const char c : name.substr(kPartFilePrefix.size(), kPartFileRandomDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

}  // namespace wylo
