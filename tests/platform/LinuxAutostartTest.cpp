// Start at login on Linux: the user's XDG autostart entry.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "base/Error.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;
using test::WriteFile;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(LinuxAutostart, TickingWritesAValidEntryForThisProgramAndUntickingRemovesIt) {
    TempDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
    LinuxPlatform platform;
    const fs::path entry = config / "autostart" / "wylo.desktop";
    EXPECT_FALSE(platform.StartsAtLogin());

    platform.SetStartAtLogin(true);
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_TRUE(platform.StartsAtLogin());
    const std::string text = ReadFile(entry);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    EXPECT_TRUE(Has(text, "\nExec=" + self + "\n")) << text;
    EXPECT_TRUE(Has(text, "\nTryExec=" + self + "\n")) << text;
    EXPECT_FALSE(fs::exists(entry.string() + ".new"));
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        const std::string check = "desktop-file-validate '" + entry.string() + "'";
        EXPECT_EQ(std::system(check.c_str()), 0) << text;
    }

    platform.SetStartAtLogin(true);  // again: one entry, the same
    EXPECT_EQ(ReadFile(entry), text);
    platform.SetStartAtLogin(false);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(platform.StartsAtLogin());
    platform.SetStartAtLogin(false);  // nothing to remove is no error
}

TEST(LinuxAutostart, WithoutXdgConfigHomeTheEntryGoesIntoTheHomeConfigFolder) {
    TempDir home;
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv homeVariable("HOME", home.path().c_str());
    EXPECT_EQ(AutostartEntryPath(), home / ".config" / "autostart" / "wylo.desktop");
    // A relative XDG_CONFIG_HOME is to be ignored, as the XDG rules say.
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(AutostartEntryPath(), home / ".config" / "autostart" / "wylo.desktop");
}

TEST(LinuxAutostart, AnEntryHiddenOrSwitchedOffByTheDesktopDoesNotCount) {
    TempDir dir;
    const fs::path entry = dir / "wylo.desktop";
    const std::string head = "[Desktop Entry]\nType=Application\nName=Wylo\nExec=wylo\n";
    WriteFile(entry, head);
    EXPECT_TRUE(AutostartEntryActive(entry));
    WriteFile(entry, head + "Hidden=true\n");
    EXPECT_FALSE(AutostartEntryActive(entry));
    WriteFile(entry, head + "X-GNOME-Autostart-enabled = false\r\n");
    EXPECT_FALSE(AutostartEntryActive(entry));
    // Keys of another group are not the entry's.
    WriteFile(entry, head + "[Desktop Action Other]\nHidden=true\n");
    EXPECT_TRUE(AutostartEntryActive(entry));
    // A folder of that name, or nothing, is no entry.
    fs::remove(entry);
    EXPECT_FALSE(AutostartEntryActive(entry));
    fs::create_directory(entry);
    EXPECT_FALSE(AutostartEntryActive(entry));
}

TEST(LinuxAutostart, ExecQuotesAProgramPathWithReservedCharacters) {
    EXPECT_TRUE(Has(AutostartEntryText("/usr/bin/wylo"), "\nExec=/usr/bin/wylo\n"));
    // Blanks quoted, % doubled (field codes), and the characters special
    // inside quotes escaped, then every backslash doubled for the file.
    EXPECT_TRUE(
        Has(AutostartEntryText("/home/a b/100%/wylo"), "\nExec=\"/home/a b/100%%/wylo\"\n"));
    EXPECT_TRUE(Has(AutostartEntryText("/opt/$x\"y/wylo"), "\nExec=\"/opt/\\\\$x\\\\\"y/wylo\"\n"));
    EXPECT_TRUE(Has(AutostartEntryText("/opt/$x\"y/wylo"), "\nTryExec=/opt/$x\"y/wylo\n"));
    // A line break would end the value and start a key of its own.
    EXPECT_THROW(AutostartEntryText("/opt/a\nHidden=true/wylo"), Error);
}

TEST(LinuxAutostart, AnEntryThatCannotBeWrittenIsAnErrorAndLeavesNothing) {
    TempDir config;
    ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
    // A file where the autostart folder should be.
    WriteFile(config / "autostart", "not a folder");
    LinuxPlatform platform;
    EXPECT_THROW(platform.SetStartAtLogin(true), Error);
    EXPECT_FALSE(platform.StartsAtLogin());
    EXPECT_EQ(ReadFile(config / "autostart"), "not a folder");
}

}  // namespace
}  // namespace wylo
