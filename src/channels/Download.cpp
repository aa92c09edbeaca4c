#include "channels/Download.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <system_error>
#include <utility>
#include <vector>

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

// One file to fetch or confirm, as a sequence of at most two requests: a
// freshness check of a non-empty cached copy, then, unless the copy is kept,
// the download. The single download and a batch run the same steps.
//
// A new body goes into a temporary file and moves over fileName only when the
// whole body arrived and is not empty, so a failed, cut-off or cancelled
// download never leaves a partial file that a later call would take for a
// cached copy.
class DownloadJob {
public:
    DownloadJob(const DownloadRequest& file, const Clock& clock)
        : url_(file.url), fileName_(file.fileName), maxBytes_(file.maxBytes), clock_(clock) {}
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // The first request; none when the job ended without one.
    std::optional<HttpRequest> Start() {
        // Callers name files after URLs; such a name must stay one plain element.
        const std::u8string name8 = fileName_.filename().u8string();
        const std::string_view name(reinterpret_cast<const char*>(name8.data()), name8.size());
        if (const std::string why = UnsafeNameReason(name); !why.empty()) {
            return End("The file name \"" + ShortenedText(name, 60) + "\" is " + why + ".");
        }
        std::error_code ec;
        if (fileName_.has_parent_path()) {
            // Without the folder there is neither a cached copy nor a place for one.
            fs::create_directories(fileName_.parent_path(), ec);
            if (ec) {
                return End("The folder " + PathText(fileName_.parent_path()) +
                           " cannot be created: " + ec.message() + ".");
            }
        }
        // An empty file is never a usable copy.
        if (IsEmptyRegularFile(fileName_)) {
            fs::remove(fileName_, ec);
        }
        if (RegularFileSize(fileName_) == 0) {
            return Fetch();
        }
        HttpRequest head;
        head.url = url_;
        head.head = true;
        head.done = [this](const HttpResult& result) { return AfterHead(result); };
        return head;
    }

    DownloadOutcome TakeOutcome() { return std::move(outcome_); }

private:
    std::optional<HttpRequest> AfterHead(const HttpResult& head) {
        const std::int64_t fileTime = FileTimeSeconds(fileName_);
        bool keep = true;
        if (head.ok) {
            // No Last-Modified, or one not later than the copy, keeps it.
            if (head.lastModified && *head.lastModified > fileTime) {
                keep = false;
            }
        } else if (clock_.Now() - LocalDateTime(fileTime) >= kStaleCopyDays) {
            keep = false;
        }
        if (RegularFileSize(fileName_) == 0) {
            keep = false;
        }
        if (keep) {
            return End({});
        }
        return Fetch();
    }

    std::optional<HttpRequest> Fetch() {
        part_.emplace(fileName_);
        if (part_->path().empty()) {
            return End("The download could not be saved: no free temporary name in " +
                       PathText(fileName_.parent_path()) + ".");
        }
        HttpRequest get;
        get.url = url_;
        get.maxBytes = maxBytes_;
        get.sink = [this](std::string_view chunk) {
            // Opened with the first bytes, not when the request is queued: a
            // batch of thousands would otherwise hold a descriptor each.
            if (!out_.is_open()) {
                out_.open(part_->path(), std::ios::binary | std::ios::trunc);
                if (!out_) {
                    saveError_ = "The download could not be saved: " + PathText(part_->path()) +
                                 " cannot be created.";
                    return false;
                }
            }
            out_.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            written_ += chunk.size();
            if (!out_) {
                // A full disk, most often: the system says which.
                saveError_ = "The download could not be saved to " + PathText(part_->path()) +
                             ": " + std::generic_category().message(errno) + ".";
                return false;
            }
            return true;
        };
        get.done = [this](const HttpResult& result) { return AfterGet(result); };
        return get;
    }

    std::optional<HttpRequest> AfterGet(const HttpResult& get) {
        const bool opened = out_.is_open();
        if (opened) {
            out_.close();
        }
        if (!saveError_.empty()) {
            return End(saveError_);
        }
        if (!get.ok) {
            return End(get.error.empty() ? std::string("The download failed.") : get.error);
        }
        if (opened && out_.fail()) {
            return End("The download could not be saved to " + PathText(part_->path()) + ".");
        }
        if (written_ == 0) {
            return End("The server sent an empty file.");
        }
        std::error_code ec;
        if (!part_->CommitTo(fileName_, ec)) {
            return End("The download could not be saved as " + PathText(fileName_) + ": " +
                       ec.message() + ".");
        }
        if (RegularFileSize(fileName_) == 0) {
            return End("The downloaded file is missing or empty.");
        }
        return End({});
    }

    // Settles the outcome; the temporary file, if any, goes.
    std::optional<HttpRequest> End(std::string why) {
        outcome_ = {why.empty(), std::move(why)};
        if (out_.is_open()) {
            out_.close();
        }
        part_.reset();
        return std::nullopt;
    }

    std::string url_;
    fs::path fileName_;
    std::int64_t maxBytes_ = 0;
    const Clock& clock_;
    std::optional<PartFile> part_;
    std::ofstream out_;
    std::uintmax_t written_ = 0;
    std::string saveError_;
    DownloadOutcome outcome_{false, "The download did not run."};
};

}  // namespace

bool DownloadFile(HttpClient& client, const std::string& url, const fs::path& fileName,
                  const Clock& clock) {
    return DownloadFileWithReason(client, url, fileName, clock).ok;
}

DownloadOutcome DownloadFileWithReason(HttpClient& client, const std::string& url,
                                       const fs::path& fileName, const Clock& clock,
                                       std::int64_t maxBytes) {
    return std::move(DownloadFiles(client, {{url, fileName, maxBytes}}, clock).front());
}

std::vector<DownloadOutcome> DownloadFiles(HttpClient& client,
                                           const std::vector<DownloadRequest>& files,
                                           const Clock& clock) {
    // Jobs stay put while their requests run: the requests point back at them.
    std::vector<std::unique_ptr<DownloadJob>> jobs;
    jobs.reserve(files.size());
    for (const DownloadRequest& file : files) {
        jobs.push_back(std::make_unique<DownloadJob>(file, clock));
    }
    // Two entries for one file never run at once: each later one waits for a
    // round of its own and then finds the copy the earlier one left, as if
    // they had run one after the other.
    std::vector<std::size_t> round(files.size(), 0);
    std::map<fs::path, std::size_t> seen;
    std::size_t rounds = files.empty() ? 0 : 1;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto [at, fresh] = seen.try_emplace(files[i].fileName.lexically_normal(), 0);
        if (!fresh) {
            round[i] = ++at->second;
            rounds = std::max(rounds, round[i] + 1);
        }
    }
    for (std::size_t r = 0; r < rounds; ++r) {
        std::vector<HttpRequest> first;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            if (round[i] != r) {
                continue;
            }
            if (std::optional<HttpRequest> request = jobs[i]->Start()) {
                first.push_back(std::move(*request));
            }
        }
        if (!first.empty()) {
            client.Run(std::move(first));
        }
    }
    std::vector<DownloadOutcome> outcomes;
    outcomes.reserve(jobs.size());
    for (const auto& job : jobs) {
        outcomes.push_back(job->TakeOutcome());
    }
    return outcomes;
}

std::string FileNameFromUrl(std::string_view url) {
    const std::size_t slash = url.rfind('/');
    return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

}  // namespace wylo
