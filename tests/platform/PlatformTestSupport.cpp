#include "PlatformTestSupport.h"

#include <memory>
#include <stdexcept>

#include <gio/gio.h>
#include <stdlib.h>

#include "platform/linux/DesktopEnvironment.h"
#include "support/TempDir.h"

namespace wylo::test {

Colour CoordinateColour(std::int32_t x, std::int32_t y) {
    return MakeColour(static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(y & 0xFF),
                      static_cast<std::uint8_t>((x >> 8 & 0x0F) | (y >> 8 & 0x0F) << 4));
}

Bitmap CoordinatePattern(std::int32_t width, std::int32_t height) {
    Bitmap bitmap(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            bitmap.SetPixel(x, y, CoordinateColour(x, y));
        }
    }
    return bitmap;
}

namespace {

constexpr const char* kSchemas = R"(<?xml version="1.0" encoding="UTF-8"?>
<schemalist>
  <enum id="wylo.test.PictureOptions">
    <value nick="none" value="0"/>
    <value nick="wallpaper" value="1"/>
    <value nick="centered" value="2"/>
    <value nick="scaled" value="3"/>
    <value nick="stretched" value="4"/>
    <value nick="zoom" value="5"/>
    <value nick="spanned" value="6"/>
  </enum>
  <schema id="org.gnome.desktop.background" path="/org/gnome/desktop/background/">
    <key name="picture-uri" type="s"><default>'file:///old.png'</default></key>
    <key name="picture-uri-dark" type="s"><default>'file:///old-dark.png'</default></key>
    <key name="picture-options" enum="wylo.test.PictureOptions"><default>'zoom'</default></key>
  </schema>
  <schema id="org.cinnamon.desktop.background" path="/org/cinnamon/desktop/background/">
    <key name="picture-uri" type="s"><default>'file:///old.png'</default></key>
    <key name="picture-options" enum="wylo.test.PictureOptions"><default>'zoom'</default></key>
  </schema>
  <schema id="wylo.test.nodark" path="/wylo/test/nodark/">
    <key name="picture-uri" type="s"><default>''</default></key>
    <key name="picture-options" enum="wylo.test.PictureOptions"><default>'zoom'</default></key>
  </schema>
  <schema id="wylo.test.filekey" path="/wylo/test/filekey/">
    <key name="picture-filename" type="s"><default>''</default></key>
    <key name="picture-options" enum="wylo.test.PictureOptions"><default>'zoom'</default></key>
  </schema>
</schemalist>
)";

}  // namespace

void UseTestGSettingsSchemas() {
    static const bool ready = [] {
        static TempDir folder;
        WriteFile(folder / "wylo-test.gschema.xml", kSchemas);
        if (RunProgram({"glib-compile-schemas", folder.path().string()}) != 0) {
            throw std::runtime_error("glib-compile-schemas failed");
        }
        setenv("GSETTINGS_SCHEMA_DIR", folder.path().c_str(), 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        return true;
    }();
    (void)ready;
}

std::string ReadGSetting(const char* schema, const char* key) {
    std::unique_ptr<GSettings, void (*)(gpointer)> settings(g_settings_new(schema), g_object_unref);
    gchar* value = g_settings_get_string(settings.get(), key);
    std::string text(value);
    g_free(value);
    return text;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) {
        had_ = true;
        old_ = old;
    }
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

}  // namespace wylo::test
