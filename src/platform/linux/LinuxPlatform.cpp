#include "platform/linux/LinuxPlatform.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include <langinfo.h>
#include <spawn.h>
#include <sys/wait.h>

#include "base/Error.h"
#include "base/WebAddress.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxPictureFolders.h"
#include "platform/linux/LinuxWallpaper.h"
#include "platform/linux/X11Desktop.h"

extern char** environ;

namespace wylo {
namespace {

std::tm ToTm(const CivilDateTime& v) {
    std::tm t{};
    t.tm_year = v.year - 1900;
    t.tm_mon = v.month - 1;
    t.tm_mday = v.day;
    t.tm_hour = v.hour;
    t.tm_min = v.minute;
    t.tm_sec = v.second;
    t.tm_isdst = -1;
    return t;
}

std::string Format(const char* format, const CivilDateTime& v) {
    const std::tm t = ToTm(v);
    char text[128];
    const size_t n = std::strftime(text, sizeof text, format, &t);
    return std::string(text, n);
}

}  // namespace

std::filesystem::path LinuxPlatform::SharedDataFolder() const {
    // XDG: $XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        return xdg;
    }
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        return std::filesystem::path(home) / ".local" / "share";
    }
    return {};
}

std::vector<Monitor> LinuxPlatform::Monitors() const {
    return LinuxMonitors(SessionEnvironment::FromProcess());
}

Size LinuxPlatform::VirtualDesktopSize() const {
    return BoundingSize(Monitors());
}

void LinuxPlatform::SetWallpaper(const std::filesystem::path& path, bool tile) {
    preparedRoot_.reset();
    Report([&] { SetLinuxWallpaper(path, tile, SessionEnvironment::FromProcess()); });
}

void LinuxPlatform::SetWallpaperWritten(const std::filesystem::path& path, const Bitmap& picture,
                                        bool tile) {
    SetWallpaperWhileWritten(path, picture, tile, [] {});
}

void LinuxPlatform::SetWallpaperWhileWritten(const std::filesystem::path& path,
                                             const Bitmap& picture, bool tile,
                                             const std::function<void()>& written) {
    const std::unique_ptr<X11RootPreparation> prepared = std::move(preparedRoot_);
    // A failed write is the caller's error every time, never one of the
    // installation failures that are told only once.
    std::exception_ptr writeFailure;
    const auto wait = [&] {
        try {
            written();
        } catch (...) {
            writeFailure = std::current_exception();
            throw;
        }
    };
    try {
        Report([&] {
            SetLinuxWallpaper(path, picture, tile, SessionEnvironment::FromProcess(),
                              prepared.get(), wait);
        });
    } catch (...) {
        if (!writeFailure) {
            throw;
        }
    }
    if (writeFailure) {
        std::rethrow_exception(writeFailure);
    }
}

void LinuxPlatform::PrepareWallpaper() {
    // Only where the root shows the wallpaper: a desktop that takes the
    // picture itself would leave the pixmap unused.
    preparedRoot_.reset();
    if (RootShowsTheWallpaper(SessionEnvironment::FromProcess())) {
        preparedRoot_ = std::make_unique<X11RootPreparation>();
    }
}

void LinuxPlatform::ForgetPreparedWallpaper() {
    preparedRoot_.reset();
}

template <typename Install>
void LinuxPlatform::Report(const Install& install) {
    try {
        install();
        lastFailure_.clear();
    } catch (const Error& e) {
        // Told once: the same failure at every later change would only
        // repeat what the user already knows.
        if (e.what() == lastFailure_) {
            return;
        }
        lastFailure_ = e.what();
        throw;
    }
}

void LinuxPlatform::SetDesktopIconColours(Colour, Colour, bool) {
    // Linux desktops draw their icon captions themselves; there is no shared
    // icon list whose colours a program could set.
}

void LinuxPlatform::OpenUrl(const std::string& url) {
    if (!IsWebAddress(url)) {
        return;
    }
    // Started directly, never through a shell, so the address cannot run commands.
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0) {
        // xdg-open hands over to the browser and returns quickly.
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

void LinuxPlatform::Beep() {
    X11Bell();
}

bool LinuxPlatform::StartsAtLogin() const {
    return AutostartEntryActive(AutostartEntryPath());
}

void LinuxPlatform::SetStartAtLogin(bool start) {
    if (!start) {
        RemoveAutostartEntry(AutostartEntryPath());
        return;
    }
    // The program that runs now, so a copy started from a build folder
    // starts itself, and an installed one its installed path.
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        throw Error("Could not tell where Wylo is installed: " + ec.message());
    }
    WriteAutostartEntry(AutostartEntryPath(), program);
}

std::string LinuxPlatform::FormatShortDate(const CivilDateTime& value) const {
    return Format(nl_langinfo(D_FMT), value);
}

std::string LinuxPlatform::FormatLongTime(const CivilDateTime& value) const {
    return Format(nl_langinfo(T_FMT), value);
}

std::optional<CivilDateTime> LinuxPlatform::ParseDateTime(std::string_view text) const {
    const std::string s(text);
    std::tm t{};
    const char* rest = strptime(s.c_str(), nl_langinfo(D_FMT), &t);
    if (!rest) {
        return std::nullopt;
    }
    while (*rest == ' ') {
        ++rest;
    }
    if (*rest) {
        rest = strptime(rest, nl_langinfo(T_FMT), &t);
        if (!rest || *rest) {
            return std::nullopt;
        }
    }
    CivilDateTime v{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, 0};
    if (!IsValidCivil(v)) {
        return std::nullopt;
    }
    return v;
}

std::unique_ptr<Platform> CreateSystemPlatform() {
    return std::make_unique<LinuxPlatform>();
}

std::vector<PictureFolder> LinuxPlatform::PictureFolders() const {
    // Only absolute settings count, as the XDG rules have it.
    const auto absolute = [](const char* name) {
        const char* value = std::getenv(name);
        return value && value[0] == '/' ? std::filesystem::path(value) : std::filesystem::path();
    };
    return LinuxPictureFolders("/", absolute("HOME"), absolute("XDG_CONFIG_HOME"));
}

}  // namespace wylo
