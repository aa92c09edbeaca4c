// The GNOME-family wallpaper setting, against schemas of the tests' own with
// settings kept in memory.
#include <memory>
#include <string>

#include <gio/gio.h>
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/linux/DesktopEnvironment.h"

namespace wylo {
namespace {

using test::ReadGSetting;

class GSettingsWallpaper : public ::testing::Test {
protected:
    void SetUp() override { test::UseTestGSettingsSchemas(); }
};

std::string UriOf(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string text(uri);
    g_free(uri);
    return text;
}

TEST_F(GSettingsWallpaper, GnomeGetsBothPicturesAsUriAndTheTiledStyle) {
    const std::string path = "/data/my pictures/Wylo/d\xC3\xA9sktop-de.bmp";
    ASSERT_TRUE(SetGSettingsWallpaper(kGnomeBackground, path, true));
    const std::string uri = ReadGSetting("org.gnome.desktop.background", "picture-uri");
    EXPECT_EQ(uri, UriOf(path));
    EXPECT_EQ(uri.rfind("file:///data/my%20pictures/", 0), 0u) << uri;
    EXPECT_EQ(ReadGSetting("org.gnome.desktop.background", "picture-uri-dark"), uri);
    EXPECT_EQ(ReadGSetting("org.gnome.desktop.background", "picture-options"), "wallpaper");
}

TEST_F(GSettingsWallpaper, UntiledIsCentred) {
    ASSERT_TRUE(SetGSettingsWallpaper(kGnomeBackground, "/data/Wylo/desktop.bmp", false));
    EXPECT_EQ(ReadGSetting("org.gnome.desktop.background", "picture-options"), "centered");
}

TEST_F(GSettingsWallpaper, SpanLaysThePictureOverAllMonitors) {
    ASSERT_TRUE(SetGSettingsWallpaper(kGnomeBackground, "/data/Wylo/desktop.bmp", true, true));
    EXPECT_EQ(ReadGSetting("org.gnome.desktop.background", "picture-options"), "spanned");
}

TEST_F(GSettingsWallpaper, SchemaWithoutDarkKeyStillTakesThePicture) {
    const GSettingsWallpaperKeys keys = {"wylo.test.nodark", "picture-uri", "picture-uri-dark",
                                         nullptr, "picture-options"};
    ASSERT_TRUE(SetGSettingsWallpaper(keys, "/data/Wylo/desktop.bmp", true));
    EXPECT_EQ(ReadGSetting("wylo.test.nodark", "picture-uri"), "file:///data/Wylo/desktop.bmp");
    EXPECT_EQ(ReadGSetting("wylo.test.nodark", "picture-options"), "wallpaper");
}

TEST_F(GSettingsWallpaper, PlainPathKeyGetsTheAbsolutePath) {
    const GSettingsWallpaperKeys keys = {"wylo.test.filekey", "picture-uri", nullptr,
                                         "picture-filename", "picture-options"};
    ASSERT_TRUE(SetGSettingsWallpaper(keys, "/data/Wylo/desktop.bmp", true));
    EXPECT_EQ(ReadGSetting("wylo.test.filekey", "picture-filename"), "/data/Wylo/desktop.bmp");
}

TEST_F(GSettingsWallpaper, MissingSchemaIsSkippedWithoutEndingTheProgram) {
    const GSettingsWallpaperKeys keys = {"wylo.test.absent", "picture-uri", nullptr, nullptr,
                                         "picture-options"};
    EXPECT_FALSE(SetGSettingsWallpaper(keys, "/data/Wylo/desktop.bmp", true));
}

TEST_F(GSettingsWallpaper, SchemaWithoutPictureKeyIsNotCountedAsDone) {
    const GSettingsWallpaperKeys keys = {"wylo.test.filekey", "picture-uri", nullptr, nullptr,
                                         "picture-options"};
    EXPECT_FALSE(SetGSettingsWallpaper(keys, "/data/Wylo/desktop.bmp", true));
    // Nothing half-done: the style stays as it was.
    EXPECT_EQ(ReadGSetting("wylo.test.filekey", "picture-options"), "zoom");
}

}  // namespace
}  // namespace wylo
