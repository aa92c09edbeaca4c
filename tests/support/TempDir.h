#pragma once

#include <filesystem>
#include <string>

namespace wylo::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return path_ / p; }

private:
    std::filesystem::path path_;
};

// Whole-file helpers.
void WriteFile(const std::filesystem::path& path, const std::string& content);
std::string ReadFile(const std::filesystem::path& path);

// text with every "\n" made the line end that new files get on this system
// ("\r\n" on Windows).
std::string NativeLines(const std::string& text);

}  // namespace wylo::test
