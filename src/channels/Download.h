#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

class Clock;
class HttpClient;

// Fetches url into fileName, keeping a non-empty cached copy while the
// server's Last-Modified is not later than the copy's write time. True when
// fileName afterwards exists, is not empty and is fresh or kept. Never throws
// for network or server failures.
//
// A new body replaces fileName only once it has arrived whole and non-empty;
// a failed download returns false and leaves any older copy as it was. A
// fileName whose last element is not a safe name fails without a request.
bool DownloadFile(HttpClient& client, const std::string& url, const std::filesystem::path& fileName,
                  const Clock& clock);

// What a download came to.
struct DownloadOutcome {
    bool ok = false;
    // Why fileName is not usable, in words a user can read ("The server
    // answered with status 404."); empty on success.
    std::string reason;
};

// DownloadFile, telling why it failed.
// A body longer than maxBytes (0: the client's limit) is refused as soon as
// the transfer passes it, and nothing of it is kept.
DownloadOutcome DownloadFileWithReason(HttpClient& client, const std::string& url,
                                       const std::filesystem::path& fileName, const Clock& clock,
                                       std::int64_t maxBytes = 0);

// One file of a batch: where it comes from and where it is kept.
struct DownloadRequest {
    std::string url;
    std::filesystem::path fileName;
    // The longest body taken; 0 for the client's limit.
    std::int64_t maxBytes = 0;
};

// DownloadFileWithReason for every file at once, with up to
// HttpClient::kMaxConnectionsPerHost transfers in flight, so that many small
// files cost a few round trips instead of one each. Every rule of the single
// download holds for each file. The outcomes come in the order of files.
// Progress shows the batch as a whole when it holds more than one file.
std::vector<DownloadOutcome> DownloadFiles(HttpClient& client,
                                           const std::vector<DownloadRequest>& files,
                                           const Clock& clock);

// The text after the last "/" of url (all of it without a "/"; empty when it
// ends with "/"). Query strings and fragments stay.
std::string FileNameFromUrl(std::string_view url);

// True when name can be used as one path element inside the cache: not empty,
// not "." or "..", no "/" or "\", no control characters, none of <>:"|?*, no
// trailing dot or space, and not a Windows device name such as "con" or
// "lpt1.jpg", and no longer than kMaxSafeNameBytes.
bool IsSafeName(std::string_view name);

// The longest safe name, in bytes of UTF-8. File systems allow 255 bytes (or
// 255 UTF-16 units, never more than the bytes) in one name; the cache adds
// ".bmp" for a conversion and ".tmp" while writing it.
inline constexpr std::size_t kMaxSafeNameBytes = 247;

// True when name is longer than kMaxSafeNameBytes, the one reason a name that
// is otherwise fine is not safe.
bool IsNameTooLong(std::string_view name);

// Why name cannot be used as one path element in the cache, as words that
// follow "is ..." ("too long (300 bytes; at most 247)");
// empty when it is a safe name.
std::string UnsafeNameReason(std::string_view name);

// text cut to at most maxBytes, at a character boundary, with "..." after it
// when anything was cut: for long names and addresses in messages.
std::string ShortenedText(std::string_view text, std::size_t maxBytes);

}  // namespace wylo
