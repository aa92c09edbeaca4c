#include "session/CachePruning.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "compose/Jpeg.h"

namespace wylo {
namespace {

struct Picture {
    std::filesystem::path file;
    std::uintmax_t bytes = 0;
    std::int64_t shown = 0;
    bool kept = false;
};

struct FileFacts {
    std::uintmax_t bytes = 0;
    // Comparable with the others of the same pass only.
    std::int64_t written = 0;
};

// Size and time of a file in one look: the pass looks at every file of the
// cache after every change.
std::optional<FileFacts> Facts(const std::filesystem::directory_entry& entry) {
#ifdef _WIN32
    std::error_code e;
    const std::uintmax_t bytes = entry.file_size(e);
    if (e) {
        return std::nullopt;
    }
    const auto written = entry.last_write_time(e);
    return FileFacts{bytes, e ? 0 : static_cast<std::int64_t>(written.time_since_epoch().count())};
#else
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileFacts{
        static_cast<std::uintmax_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
#endif
}

using NativeText = std::filesystem::path::string_type;

bool IsConversion(const NativeText& path) {
    constexpr std::string_view kBmp = ".bmp";
    return path.size() >= kBmp.size() && std::equal(kBmp.rbegin(), kBmp.rend(), path.rbegin());
}

// The path without its file name's extension: a picture and the conversion
// written beside it share it.
NativeText WithoutExtension(const NativeText& path) {
    const auto separator = path.find_last_of(std::filesystem::path::preferred_separator);
    const auto dot = path.rfind('.');
    if (dot == NativeText::npos || (separator != NativeText::npos && dot < separator)) {
        return path;
    }
    return path.substr(0, dot);
}

}  // namespace

CachePruning PruneCache(const std::filesystem::path& cacheFolder, std::uintmax_t limit,
                        const CachedPictureTest& keep) {
    using std::filesystem::directory_iterator;
    using std::filesystem::recursive_directory_iterator;
    constexpr auto kOptions = std::filesystem::directory_options::skip_permission_denied;
    CachePruning result;
    std::vector<Picture> pictures;
    std::unordered_map<std::filesystem::path::string_type, FileFacts> conversions;
    const auto count = [&result](const std::filesystem::directory_entry& entry) {
        std::error_code e;
        if (!entry.is_regular_file(e)) {
            return std::optional<FileFacts>();
        }
        const std::optional<FileFacts> facts = Facts(entry);
        if (facts) {
            result.bytesBefore += facts->bytes;
        }
        return facts;
    };
    std::error_code ec;
    // cache/<channel id>/images/<picture> and its conversion; everything else
    // only counts.
    for (auto channel = directory_iterator(cacheFolder, kOptions, ec);
         !ec && channel != directory_iterator(); channel.increment(ec)) {
        std::error_code e;
        if (!channel->is_directory(e)) {
            count(*channel);
            continue;
        }
        const std::string channelId = channel->path().filename().string();
        for (auto part = directory_iterator(channel->path(), kOptions, e);
             !e && part != directory_iterator(); part.increment(e)) {
            std::error_code partError;
            const bool folder = part->is_directory(partError);
            if (!folder) {
                count(*part);
                continue;
            }
            if (part->path().filename() != "images") {
                std::error_code inner;
                for (auto file = recursive_directory_iterator(part->path(), kOptions, inner);
                     !inner && file != recursive_directory_iterator(); file.increment(inner)) {
                    count(*file);
                }
                continue;
            }
            std::error_code inner;
            for (auto file = directory_iterator(part->path(), kOptions, inner);
                 !inner && file != directory_iterator(); file.increment(inner)) {
                const std::optional<FileFacts> facts = count(*file);
                if (!facts) {
                    continue;
                }
                const std::filesystem::path& path = file->path();
                const auto& native = path.native();
                if (IsConversion(native)) {
                    conversions.emplace(WithoutExtension(native), *facts);
                    continue;
                }
                Picture p;
                p.file = path;
                p.bytes = facts->bytes;
                p.shown = facts->written;
                p.kept = keep && keep(channelId, path.filename().string());
                pictures.push_back(std::move(p));
            }
        }
    }
    // A conversion's size and time go to its picture, which every showing
    // writes anew; one whose picture is gone counts only toward the size.
    for (Picture& p : pictures) {
        if (const auto found = conversions.find(WithoutExtension(p.file.native()));
            found != conversions.end()) {
            p.bytes += found->second.bytes;
            p.shown = std::max(p.shown, found->second.written);
        }
    }
    std::sort(pictures.begin(), pictures.end(),
              [](const Picture& a, const Picture& b) { return a.shown < b.shown; });
    std::uintmax_t total = result.bytesBefore;
    for (const Picture& p : pictures) {
        if (total <= limit) {
            break;
        }
        if (p.kept) {
            continue;
        }
        std::error_code e;
        if (!std::filesystem::remove(p.file, e) || e) {
            continue;
        }
        std::filesystem::remove(ConvertedBmpPath(p.file), e);
        total -= std::min(total, p.bytes);
        ++result.picturesRemoved;
    }
    result.bytesAfter = total;
    return result;
}

std::uintmax_t CacheSize(const std::filesystem::path& cacheFolder) {
    using std::filesystem::recursive_directory_iterator;
    constexpr auto kOptions = std::filesystem::directory_options::skip_permission_denied;
    std::uintmax_t total = 0;
    std::error_code ec;
    for (auto file = recursive_directory_iterator(cacheFolder, kOptions, ec);
         !ec && file != recursive_directory_iterator(); file.increment(ec)) {
        std::error_code e;
        if (!file->is_regular_file(e)) {
            continue;
        }
        if (const std::optional<FileFacts> facts = Facts(*file)) {
            total += facts->bytes;
        }
    }
    return total;
}

std::string CacheSizeText(std::uintmax_t bytes) {
    constexpr std::uintmax_t kMegabyte = 1024 * 1024;
    if (bytes == 0) {
        return "The cache is empty.";
    }
    if (bytes < kMegabyte) {
        return "The cache holds less than 1 MB.";
    }
    return "The cache holds " + std::to_string((bytes + kMegabyte / 2) / kMegabyte) + " MB.";
}

}  // namespace wylo
