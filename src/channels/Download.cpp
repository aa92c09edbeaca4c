#include "channels/Download.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "base/LocalTime.h"
#include "channels/HttpClient.h"
#include "channels/PartFileName.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;

std::string PathText(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A cached copy this old is fetched again when the server cannot confirm it.
constexpr double kStaleCopyDays = 18000.0;

// The size of a regular file; 0 when it is missing, empty or not a file.
std::uintmax_t RegularFileSize(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return 0;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

bool IsEmptyRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && fs::file_size(path, ec) == 0 && !ec;
}

// The file's last write in seconds since 1970 UTC, cut to an even second:
// cached copies were always compared at the two-second resolution of the
// file system the rule was made for.
std::int64_t FileTimeSeconds(const fs::path& path) {
    std::error_code ec;
    const fs::file_time_type written = fs::last_write_time(path, ec);
    if (ec) {
        return 0;
    }
    using namespace std::chrono;
    const std::int64_t s = floor<seconds>(file_clock::to_sys(written).time_since_epoch()).count();
    return s - (((s % 2) + 2) % 2);
}

DateTime LocalDateTime(std::int64_t unixSeconds) {
    const std::optional<std::tm> converted = ToLocalTime(static_cast<std::time_t>(unixSeconds));
    if (!converted) {
        return 0;
    }
    const std::tm& local = *converted;
    CivilDateTime c{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     std::min(local.tm_sec, 59)};
    return IsValidCivil(c) ? EncodeDateTime(c) : 0;
}

// The file a download is written to before it replaces the cached copy. Its
// name starts with a dot and carries a random part so that it cannot be taken
// for, or overwrite, a file a channel published. Removed unless committed.
class PartFile {
public:
    explicit PartFile(const fs::path& target) {
        std::random_device random;
        std::uniform_int_distribution<std::uint64_t> bits;
        static constexpr char kHex[] = "0123456789abcdef";
        for (int attempt = 0; attempt < 8 && path_.empty(); ++attempt) {
            std::uint64_t value = bits(random);
            std::string name(kPartFilePrefix);
            for (std::size_t i = 0; i < kPartFileRandomDigits; ++i, value >>= 4) {
                name += kHex[value & 0xf];
            }
            name += kPartFileSuffix;
            fs::path candidate = target.parent_path() / name;
            std::error_code ec;
            if (!fs::exists(candidate, ec) && !ec) {
                path_ = std::move(candidate);
            }
        }
    }
    ~PartFile() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    const fs::path& path() const { return path_; }

    // Moves the finished download into place; true when it is there.
    bool CommitTo(const fs::path& target, std::error_code& ec) {
        fs::rename(path_, target, ec);
        if (ec) {
            return false;
        }
        path_.clear();
        return true;
    }

private:
    fs::path path_;
};

// Fetches url into a new file and moves it over fileName only when the whole
// body arrived and is not empty, so a failed or cut-off download never leaves
// a partial file that a later call would take for a cached copy. Empty on
// success, otherwise why it failed.
std::string FetchInto(HttpClient& client, const std::string& url, const fs::path& fileName) {
    PartFile part(fileName);
    if (part.path().empty()) {
        return "The download could not be saved: no free temporary name in " +
               PathText(fileName.parent_path()) + ".";
    }
    std::ofstream out(part.path(), std::ios::binary | std::ios::trunc);
    if (!out) {
        return "The download could not be saved: " + PathText(part.path()) + " cannot be created.";
    }
    std::uintmax_t written = 0;
    const bool received = client.Get(url, [&](std::string_view chunk) {
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        written += chunk.size();
        return static_cast<bool>(out);
    });
    out.close();
    if (!received) {
        return client.LastError().empty() ? std::string("The download failed.")
                                          : client.LastError();
    }
    if (out.fail()) {
        return "The download could not be saved to " + PathText(part.path()) + ".";
    }
    if (written == 0) {
        return "The server sent an empty file.";
    }
    std::error_code ec;
    if (!part.CommitTo(fileName, ec)) {
        return "The download could not be saved as " + PathText(fileName) + ": " + ec.message() +
               ".";
    }
    return {};
}

}  // namespace

bool DownloadFile(HttpClient& client, const std::string& url, const fs::path& fileName,
                  const Clock& clock) {
    return DownloadFileWithReason(client, url, fileName, clock).ok;
}

DownloadOutcome DownloadFileWithReason(HttpClient& client, const std::string& url,
                                       const fs::path& fileName, const Clock& clock) {
    // Callers name files after URLs; such a name must stay one plain element.
    const std::u8string name8 = fileName.filename().u8string();
    const std::string_view name(reinterpret_cast<const char*>(name8.data()), name8.size());
    if (const std::string why = UnsafeNameReason(name); !why.empty()) {
        return {false, "The file name \"" + ShortenedText(name, 60) + "\" is " + why + "."};
    }
    std::error_code ec;
    if (fileName.has_parent_path()) {
        // Without the folder there is neither a cached copy nor a place for one.
        fs::create_directories(fileName.parent_path(), ec);
        if (ec) {
            return {false, "The folder " + PathText(fileName.parent_path()) +
                               " cannot be created: " + ec.message() + "."};
        }
    }
    // An empty file is never a usable copy.
    if (IsEmptyRegularFile(fileName)) {
        fs::remove(fileName, ec);
    }

    bool keep = false;
    if (RegularFileSize(fileName) > 0) {
        keep = true;
        const std::int64_t fileTime = FileTimeSeconds(fileName);
        const HttpClient::HeadResult head = client.Head(url);
        if (head.ok) {
            // No Last-Modified, or one not later than the copy, keeps it.
            if (head.lastModified && *head.lastModified > fileTime) {
                keep = false;
            }
        } else if (clock.Now() - LocalDateTime(fileTime) >= kStaleCopyDays) {
            keep = false;
        }
        if (RegularFileSize(fileName) == 0) {
            keep = false;
        }
    }
    if (keep) {
        return {true, {}};
    }
    std::string why = FetchInto(client, url, fileName);
    if (why.empty() && RegularFileSize(fileName) == 0) {
        why = "The downloaded file is missing or empty.";
    }
    return {why.empty(), std::move(why)};
}

std::string FileNameFromUrl(std::string_view url) {
    const std::size_t slash = url.rfind('/');
    return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

}  // namespace wylo
