#pragma once

#include <cstdint>
#include <string>

#include "compose/Bitmap.h"

namespace wylo::test {

// A bitmap whose every pixel (up to 4096 x 4096) has its own colour, made
// from its coordinates, so a misplaced pixel can never match by chance.
Bitmap CoordinatePattern(std::int32_t width, std::int32_t height);
Colour CoordinateColour(std::int32_t x, std::int32_t y);

// Points GSettings at schemas of the tests' own, compiled into a temporary
// folder, with settings kept in memory. Call before anything touches GIO in
// the process; later calls do nothing. The schemas: a complete
// "org.gnome.desktop.background", "wylo.test.nodark" (no dark picture key)
// and "wylo.test.filekey" (a plain path key instead of a URI).
void UseTestGSettingsSchemas();

// The text key of a schema, read back through GSettings.
std::string ReadGSetting(const char* schema, const char* key);

// Sets or clears an environment variable for the rest of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

}  // namespace wylo::test
