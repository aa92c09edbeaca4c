#include "desktop/Leftovers.h"

#include <string>
#include <string_view>
#include <system_error>

#include "channels/PartFileName.h"
#include "compose/BmpFile.h"
#include "settings/AtomicFile.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;

using NameRule = bool (*)(std::string_view name);

bool IsAppFolderLeftover(std::string_view name) {
    return IsAtomicWriteLeftover("Wylo.ini", name) || IsAtomicWriteLeftover("History.txt", name) ||
           IsPartialDownloadName(name) || (name.starts_with("desktop") && IsBmpWriteLeftover(name));
}

bool IsCacheLeftover(std::string_view name) {
    return IsPartialDownloadName(name) || IsBmpWriteLeftover(name);
}

// A folder itself, not a link to one.
bool IsRealFolder(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() == fs::file_type::directory;
}

// Removes the plain files directly in folder that rule names and that were
// last written before cutoff.
int RemoveIn(const fs::path& folder, NameRule rule, fs::file_time_type cutoff) {
    int removed = 0;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        const std::u8string name8 = path.filename().u8string();
        const std::string_view name(reinterpret_cast<const char*>(name8.data()), name8.size());
        std::error_code fileError;
        if (!rule(name) || fs::symlink_status(path, fileError).type() != fs::file_type::regular) {
            continue;
        }
        const fs::file_time_type written = fs::last_write_time(path, fileError);
        if (fileError || written > cutoff) {
            continue;
        }
        if (fs::remove(path, fileError)) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace

int RemoveLeftovers(const fs::path& appFolder, std::chrono::seconds minAge) {
    if (appFolder.empty() || !IsRealFolder(appFolder)) {
        return 0;
    }
    const fs::file_time_type cutoff = fs::file_time_type::clock::now() - minAge;
    int removed = RemoveIn(appFolder, IsAppFolderLeftover, cutoff);

    const fs::path cache = appFolder / "cache";
    if (!IsRealFolder(cache)) {
        return removed;
    }
    std::error_code ec;
    fs::directory_iterator it(cache, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path channel = it->path();
        if (!IsRealFolder(channel)) {
            continue;
        }
        removed += RemoveIn(channel, IsCacheLeftover, cutoff);
        for (const char* sub : {"images", "thumbs"}) {
            if (IsRealFolder(channel / sub)) {
                removed += RemoveIn(channel / sub, IsCacheLeftover, cutoff);
            }
        }
    }
    return removed;
}

}  // namespace wylo
