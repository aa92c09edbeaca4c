#include "settings/SettingsFile.h"

#include <algorithm>
#include <limits>
#include <type_traits>

#include "base/Error.h"
#include "base/WebAddress.h"
#include "platform/AppFolder.h"
#include "settings/AtomicFile.h"
#include "settings/DateTimeText.h"
#include "settings/IniFile.h"

namespace wylo {
namespace {

constexpr std::string_view kSection = "Settings";

template <typename>
constexpr bool kUnsupported = false;

// Reads one key as the type of its default; the default stands in for a
// missing key and for a text that is not of that type.
template <typename T>
T ReadSetting(const IniFile& ini, const Platform& platform, std::string_view key, T def) {
    const std::optional<std::string> text = ini.Read(kSection, key);
    if (!text) {
        return def;
    }
    if constexpr (std::is_same_v<T, bool>) {
        return ParseBooleanSetting(*text).value_or(def);
    } else if constexpr (std::is_same_v<T, std::int32_t>) {
        return ParseIntegerSetting(*text).value_or(def);
    } else if constexpr (std::is_same_v<T, Colour>) {
        return ParseColourSetting(*text).value_or(def);
    } else if constexpr (std::is_same_v<T, DateTime>) {
        return ParseDateTimeText(platform, *text).value_or(def);
    } else {
        static_assert(kUnsupported<T>, "no text form for this type");
    }
}

template <typename T>
void WriteSetting(IniFile& ini, const Platform& platform, T value, std::string_view key) {
    if constexpr (std::is_same_v<T, bool>) {
        ini.Write(kSection, key, value ? "1" : "0");
    } else if constexpr (std::is_same_v<T, std::int32_t> || std::is_same_v<T, Colour>) {
        ini.Write(kSection, key, std::to_string(value));
    } else if constexpr (std::is_same_v<T, DateTime>) {
        ini.Write(kSection, key, FormatDateTimeText(platform, value));
    } else {
        static_assert(kUnsupported<T>, "no text form for this type");
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<std::int32_t> ParseIntegerSetting(std::string_view text) {
    if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        for (const char c : text.substr(2)) {
            const int digit = HexDigit(c);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<std::uint64_t>(digit);
            // 0x80000000 and above would wrap to a negative number: -1 for
            // "no choice" in a list, or a unit that is never due.
            if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
                return std::nullopt;
            }
        }
        return static_cast<std::int32_t>(value);
    }

    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > limit) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<bool> ParseBooleanSetting(std::string_view text) {
    const auto value = ParseIntegerSetting(text);
    if (!value) {
        return std::nullopt;
    }
    return *value != 0;
}

std::optional<Colour> ParseColourSetting(std::string_view text) {
    const auto value = ParseIntegerSetting(text);
    // Negative numbers and values with a top byte are no colour of this program.
    if (!value || *value < 0 || *value > 0xFFFFFF) {
        return std::nullopt;
    }
    return static_cast<Colour>(*value);
}

std::int32_t ListIndexOrNone(std::int32_t index, int count) {
    return index >= 0 && index < count ? index : -1;
}

std::filesystem::path SettingsFilePath(const Platform& platform) {
    return AppFolder(platform) / "Wylo.ini";
}

void LoadSettings(const std::filesystem::path& file, Settings& settings, const Platform& platform,
                  const Clock& clock, int singleMonitorEntries) {
    IniFile ini;
    try {
        ini.Load(file);
    } catch (const Error&) {
        // A file that cannot be read counts as missing; the next save reports it.
    }
    const auto read = [&](std::string_view key, auto def) {
        return ReadSetting(ini, platform, key, def);
    };

    settings.currentChannel = read("CurrentChannel", std::int32_t{-1});
    settings.currentImage = read("CurrentImage", std::int32_t{0});
    settings.multiScreenOpt =
        MultiScreenChoice(std::clamp<std::int32_t>(read("MultiScreenOpt", std::int32_t{0}), -1, 2));
    settings.iconTransparency = read("IconTransparancy", true);
    settings.randomOrder = read("RandomOrder", true);
    settings.activeSingleMonitor =
        ListIndexOrNone(read("ActiveSingleMonitor", std::int32_t{0}), singleMonitorEntries);
    settings.lastChange = read("LastChange", DateTime{clock.Now()});
    settings.enableScheduler = read("EnableScheduler", true);
    // The unit list's own default is hours, but a file without the key means
    // minutes.
    settings.scheduleType = ScheduleUnitAt(read("ScheduleType", std::int32_t{0}));
    const std::int32_t frequency = read("ScheduleFrequency", std::int32_t{1});
    settings.scheduleFrequency =
        std::max(settings.frequencyMin, std::min(frequency, settings.frequencyMax));
    settings.bgColour = read("BGColour", Colour{kBlack});
    settings.fgColour = read("FGColour", Colour{kWhite});
    // Added after the twelve keys of old files; their defaults give the old
    // fit-and-centre desktop.
    const auto readPlacement = [&](std::string_view placementKey, std::string_view zoomKey) {
        ImagePlacement placement;
        placement.mode =
            PlacementModeAt(read(placementKey, std::int32_t{0})).value_or(PlacementMode::Center);
        const std::int32_t zoom = read(zoomKey, kDefaultZoom);
        placement.zoom = IsZoomPercentage(zoom) ? zoom : kDefaultZoom;
        return placement;
    };
    settings.placementSame = readPlacement("PlacementSame", "ZoomSame");
    settings.placementDifferent = readPlacement("PlacementDifferent", "ZoomDifferent");
    settings.placementSingle = readPlacement("PlacementSingle", "ZoomSingle");
    settings.smoothScaling = read("SmoothScaling", false);
}

void SaveSettings(const std::filesystem::path& file, const Settings& settings,
                  const Platform& platform) {
    IniFile ini;
    try {
        ini.Load(file);
    } catch (const Error&) {
        // Saving over a file that could not be read would lose what it holds.
        throw Error("Unable to write to " + FullPathText(file));
    }
    const auto write = [&](auto value, std::string_view key) {
        WriteSetting(ini, platform, value, key);
    };

    write(settings.currentChannel, "CurrentChannel");
    write(settings.currentImage, "CurrentImage");
    write(MultiScreenChoicePosition(settings.multiScreenOpt), "MultiScreenOpt");
    write(settings.iconTransparency, "IconTransparancy");
    write(settings.randomOrder, "RandomOrder");
    write(settings.activeSingleMonitor, "ActiveSingleMonitor");
    write(settings.enableScheduler, "EnableScheduler");
    write(settings.lastChange, "LastChange");
    write(ScheduleUnitPosition(settings.scheduleType), "ScheduleType");
    write(settings.scheduleFrequency, "ScheduleFrequency");
    write(settings.bgColour, "BGColour");
    write(settings.fgColour, "FGColour");
    const auto writePlacement = [&](const ImagePlacement& placement, std::string_view placementKey,
                                    std::string_view zoomKey) {
        write(PlacementModePosition(placement.mode), placementKey);
        write(placement.zoom, zoomKey);
    };
    writePlacement(settings.placementSame, "PlacementSame", "ZoomSame");
    writePlacement(settings.placementDifferent, "PlacementDifferent", "ZoomDifferent");
    writePlacement(settings.placementSingle, "PlacementSingle", "ZoomSingle");
    write(settings.smoothScaling, "SmoothScaling");

    ini.Save(file);
}

std::optional<std::string> ReadDirectoryUrl(const std::filesystem::path& file) {
    IniFile ini;
    try {
        ini.Load(file);
    } catch (const Error&) {
        return std::nullopt;
    }
    std::optional<std::string> url = ini.Read("Channels", "DirectoryUrl");
    if (!url || !IsWebAddressWithoutBlanks(*url)) {
        return std::nullopt;
    }
    return url;
}

}  // namespace wylo
