#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/Clock.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

namespace wylo {

// AppFolder + "Wylo.ini".
std::filesystem::path SettingsFilePath(const Platform& platform);

// Reads the twelve keys of section "Settings" into settings, each with its
// default when missing or unreadable, and brings each into the range its
// control allows: multiScreenOpt into -1..2 (3 is one picture across all screens),
// scheduleFrequency into frequencyMin..frequencyMax, and activeSingleMonitor (a list of
// singleMonitorEntries entries) and scheduleType (the unit list)
// to -1 when the list has no such entry. A missing or unreadable file gives
// every default; lastChange then is clock.Now(). Never throws.
void LoadSettings(const std::filesystem::path& file, Settings& settings, const Platform& platform,
                  const Clock& clock, int singleMonitorEntries);

// Writes the twelve keys into section "Settings", keeping everything else in
// the file, and replaces the file atomically; creates the file (not its
// folder) when missing. Throws Error("Unable to write to <full path>") and
// leaves the old file intact when the file cannot be read or written.
void SaveSettings(const std::filesystem::path& file, const Settings& settings,
                  const Platform& platform);

// Key "DirectoryUrl" of section "Channels": an address that replaces the
// built-in channel directory address. Only an http or https address without
// blanks or control characters counts. The program never writes it.
std::optional<std::string> ReadDirectoryUrl(const std::filesystem::path& file);

// An integer setting: "0x" or "0X" followed by hexadecimal digits when the text
// has at least three characters, a decimal number with an optional sign
// otherwise. Anything else, or a number outside the 32-bit signed range (in
// hexadecimal too: 0x80000000 and above), gives nothing, so the key takes its
// default.
std::optional<std::int32_t> ParseIntegerSetting(std::string_view text);

// A boolean setting: read as an integer, any number but 0 is true.
std::optional<bool> ParseBooleanSetting(std::string_view text);

// A colour setting: an integer from 0 to 0xFFFFFF (0x00BBGGRR).
std::optional<Colour> ParseColourSetting(std::string_view text);

// index when 0 <= index < count, otherwise -1: what a list shows as selected
// when asked to select index.
std::int32_t ListIndexOrNone(std::int32_t index, int count);

}  // namespace wylo
