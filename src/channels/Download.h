#pragma once

#include <filesystem>
#include <string>
#include <string_view>

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

// The text after the last "/" of url (all of it without a "/"; empty when it
// ends with "/"). Query strings and fragments stay.
std::string FileNameFromUrl(std::string_view url);

// True when name can be used as one path element inside the cache: not empty,
// not "." or "..", no "/" or "\", no control characters, none of <>:"|?*, no
// trailing dot or space, and not a Windows device name such as "con" or
// "lpt1.jpg".
bool IsSafeName(std::string_view name);

}  // namespace wylo
