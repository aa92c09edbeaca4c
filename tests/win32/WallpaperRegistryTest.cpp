#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "base/Error.h"
#include "platform/AppFolder.h"
#include "platform/win32/WindowsDesktop.h"
#include "platform/win32/WindowsPlatform.h"

namespace wylo {
namespace {

constexpr const wchar_t* kTestKey = L"Software\\WyloTests";

struct ReadValue {
    DWORD type = 0;
    std::wstring text;
    DWORD bytes = 0;
};

std::optional<ReadValue> QueryValue(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    ReadValue value;
    wchar_t buffer[1024] = {};
    value.bytes = sizeof buffer;
    const LSTATUS status = RegQueryValueExW(key, name, nullptr, &value.type,
                                            reinterpret_cast<BYTE*>(buffer), &value.bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.text = buffer;
    return value;
}

void SetValue(HKEY root, const wchar_t* subKey, const wchar_t* name, const std::wstring& text) {
    ASSERT_EQ(RegSetKeyValueW(root, subKey, name, REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

class WallpaperRegistry : public testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

    WindowsPlatform platform_;
    std::filesystem::path wallpaper_ = AppFolder(platform_) / "desktop.bmp";
};

TEST_F(WallpaperRegistry, InstallLeavesThePathAndTileOneEvenWhenTileWasZero) {
    SetValue(HKEY_CURRENT_USER, kDesktopSettingsKey, L"TileWallpaper", L"0");

    platform_.SetWallpaper(wallpaper_, true);

    const auto path = QueryValue(HKEY_CURRENT_USER, kDesktopSettingsKey, L"Wallpaper");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(path->text, L"C:\\ProgramData\\Wylo\\desktop.bmp");
    // Stored with the terminating null.
    EXPECT_EQ(path->bytes, (path->text.size() + 1) * sizeof(wchar_t));

    const auto tile = QueryValue(HKEY_CURRENT_USER, kDesktopSettingsKey, L"TileWallpaper");
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(tile->text, L"1");
    EXPECT_EQ(tile->bytes, 2 * sizeof(wchar_t));
}

TEST_F(WallpaperRegistry, EveryInstallWritesTheValuesAndTellsTheSystemAgain) {
    const std::wstring subKey = std::wstring(kTestKey) + L"\\Desktop";
    int notified = 0;
    for (int change = 0; change < 2; ++change) {
        SetValue(HKEY_CURRENT_USER, subKey.c_str(), L"TileWallpaper", L"0");
        WriteWallpaperSetting(HKEY_CURRENT_USER, subKey.c_str(), wallpaper_, true,
                              [&notified] { ++notified; });
        EXPECT_EQ(notified, change + 1);
        EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, subKey.c_str(), L"Wallpaper")->text,
                  L"C:\\ProgramData\\Wylo\\desktop.bmp");
        EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, subKey.c_str(), L"TileWallpaper")->text, L"1");
    }
}

TEST_F(WallpaperRegistry, TilingOffWritesZero) {
    platform_.SetWallpaper(wallpaper_, false);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kDesktopSettingsKey, L"TileWallpaper")->text, L"0");
    platform_.SetWallpaper(wallpaper_, true);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kDesktopSettingsKey, L"TileWallpaper")->text, L"1");
}

TEST_F(WallpaperRegistry, CreatesAMissingKeyAndLeavesOtherValuesAlone) {
    const std::wstring subKey = std::wstring(kTestKey) + L"\\New\\Desktop";
    ASSERT_FALSE(QueryValue(HKEY_CURRENT_USER, subKey.c_str(), L"Wallpaper"));

    WriteWallpaperSetting(HKEY_CURRENT_USER, subKey.c_str(), wallpaper_, true, [] {});
    EXPECT_TRUE(QueryValue(HKEY_CURRENT_USER, subKey.c_str(), L"Wallpaper"));

    // No wallpaper style is written: the user's own stays.
    SetValue(HKEY_CURRENT_USER, subKey.c_str(), L"WallpaperStyle", L"10");
    WriteWallpaperSetting(HKEY_CURRENT_USER, subKey.c_str(), wallpaper_, true, [] {});
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, subKey.c_str(), L"WallpaperStyle")->text, L"10");
}

TEST_F(WallpaperRegistry, RelativePathIsStoredInFull) {
    const std::wstring subKey = std::wstring(kTestKey) + L"\\Desktop";
    WriteWallpaperSetting(HKEY_CURRENT_USER, subKey.c_str(), "desktop.bmp", true, [] {});
    const std::wstring stored = QueryValue(HKEY_CURRENT_USER, subKey.c_str(), L"Wallpaper")->text;
    EXPECT_TRUE(std::filesystem::path(stored).is_absolute())
        << std::string(stored.begin(), stored.end());
    EXPECT_EQ(std::filesystem::path(stored).filename(), "desktop.bmp");
}

TEST_F(WallpaperRegistry, KeyThatCannotBeOpenedNamesWallpaperAndSkipsTheSystemCall) {
    // A volatile key cannot hold a stored one, so the registry refuses to
    // create "Desktop" below it.
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    bool notified = false;
    try {
        WriteWallpaperSetting(parent, L"Desktop", wallpaper_, true,
                              [&notified] { notified = true; });
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("\"Wallpaper\""), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(notified);
    RegCloseKey(parent);
}

TEST_F(WallpaperRegistry, RefusedWriteNamesTheValue) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &readOnly), ERROR_SUCCESS);

    try {
        WriteWallpaperValues(readOnly, wallpaper_, true);
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("\"Wallpaper\""), std::string::npos) << message;
        EXPECT_EQ(message.find("TileWallpaper"), std::string::npos) << message;
    }
    RegCloseKey(readOnly);
    EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, kTestKey, L"Wallpaper"));
    EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, kTestKey, L"TileWallpaper"));
}

}  // namespace
}  // namespace wylo
