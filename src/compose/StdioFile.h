#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace wylo::detail {

// A C stream closed when it goes; the JPEG library reads through one.
struct StdioCloser {
    void operator()(std::FILE* file) const {
        if (file) {
            std::fclose(file);
        }
    }
};
using StdioFile = std::unique_ptr<std::FILE, StdioCloser>;

// Opens path in binary mode for reading ("rb") or writing ("wb"); null with
// errno set on failure. Wide names on Windows, so any path opens.
inline StdioFile OpenStdioFile(const std::filesystem::path& path, bool forWriting) {
#ifdef _WIN32
    return StdioFile(_wfopen(path.c_str(), forWriting ? L"wb" : L"rb"));
#else
    return StdioFile(std::fopen(path.c_str(), forWriting ? "wb" : "rb"));
#endif
}

// Moves to an absolute 64-bit offset.
inline bool SeekStdioFile(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// The system's text for an errno value.
inline std::string ErrnoText(int error) {
    return error ? std::generic_category().message(error) : std::string("unknown error");
}

// A path as UTF-8 text for messages.
inline std::string PathText(const std::filesystem::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace wylo::detail
