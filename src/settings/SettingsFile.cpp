#include "settings/SettingsFile.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <type_traits>
#include <vector>

#include "base/ChannelIndex.h"
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
T ReadSetting(const std::optional<std::string>& text, const Platform& platform, T def) {
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

namespace {

// One key of the settings file: how its text becomes the setting (text is
// empty for a missing key) and how the setting becomes text.
struct SettingKey {
    std::string name;
    std::function<void(Settings&, const std::optional<std::string>& text)> read;
    std::function<void(IniFile&, std::string_view name, const Settings&)> write;
};

// What the keys need besides the settings: the user's date and time formats,
// the time a file without "LastChange" starts from, and how many entries the
// single-monitor list has.
struct KeyContext {
    const Platform& platform;
    DateTime now;
    int singleMonitorEntries;
};

// A key that holds a field of the settings as it is; fallback stands for a
// missing key and for a text that is not of the field's type.
template <typename T>
SettingKey Plain(std::string_view name, T Settings::*field, T fallback, const KeyContext& c) {
    const Platform* platform = &c.platform;
    return {std::string(name),
            [field, fallback, platform](Settings& s, const std::optional<std::string>& text) {
                s.*field = ReadSetting(text, *platform, fallback);
            },
            [field, platform](IniFile& ini, std::string_view key, const Settings& s) {
                WriteSetting(ini, *platform, s.*field, key);
            }};
}

// A key that holds a number the field is made from and written back as.
template <typename T>
SettingKey Converted(std::string_view name, T Settings::*field, std::int32_t fallback,
                     std::function<T(std::int32_t)> from, std::function<std::int32_t(T)> to,
                     const KeyContext& c) {
    const Platform* platform = &c.platform;
    return {std::string(name),
            [=](Settings& s, const std::optional<std::string>& text) {
                s.*field = from(ReadSetting(text, *platform, fallback));
            },
            [=](IniFile& ini, std::string_view key, const Settings& s) {
                WriteSetting(ini, *platform, to(s.*field), key);
            }};
}

// Every key of section "Settings", in the order they are written. A setting
// kept in the file is declared here once.
std::vector<SettingKey> SettingKeys(const KeyContext& c) {
    const auto unit = [](std::int32_t position) { return ScheduleUnitAt(position); };
    const auto unitPosition = [](ScheduleUnit u) { return ScheduleUnitPosition(u); };
    std::vector<SettingKey> keys = {
        // An own channel is kept by its address below; a program that knows
        // only the directory's channels reads no subscription.
        {"CurrentChannel",
         [platform = &c.platform](Settings& s, const std::optional<std::string>& text) {
             s.currentChannel = ReadSetting(text, *platform, std::int32_t{-1});
         },
         [platform = &c.platform](IniFile& ini, std::string_view key, const Settings& s) {
             WriteSetting(ini, *platform,
                          s.currentChannel >= kOwnChannelBase ? std::int32_t{-1} : s.currentChannel,
                          key);
         }},
        Plain("CurrentImage", &Settings::currentImage, std::int32_t{0}, c),
        Converted<MultiScreen>(
            "MultiScreenOpt", &Settings::multiScreenOpt, 0,
            [](std::int32_t p) {
                // 3, one picture across all screens, came after the other
                // three: a larger number still means the last of those.
                return MultiScreenChoice(p == 3 ? p : std::clamp<std::int32_t>(p, -1, 2));
            },
            [](MultiScreen m) { return MultiScreenChoicePosition(m); }, c),
        Plain("IconTransparancy", &Settings::iconTransparency, true, c),
        Plain("RandomOrder", &Settings::randomOrder, true, c),
        Converted<std::int32_t>(
            "ActiveSingleMonitor", &Settings::activeSingleMonitor, 0,
            [entries = c.singleMonitorEntries](std::int32_t i) {
                return ListIndexOrNone(i, entries);
            },
            [](std::int32_t i) { return i; }, c),
        Plain("EnableScheduler", &Settings::enableScheduler, true, c),
        Plain("LastChange", &Settings::lastChange, c.now, c),
        // The unit list's own default is hours, but a file without the key
        // means minutes.
        Converted<ScheduleUnit>("ScheduleType", &Settings::scheduleType, 0, unit, unitPosition, c),
        {"ScheduleFrequency",
         [platform = &c.platform](Settings& s, const std::optional<std::string>& text) {
             const std::int32_t f = ReadSetting(text, *platform, std::int32_t{1});
             s.scheduleFrequency = std::max(s.frequencyMin, std::min(f, s.frequencyMax));
         },
         [platform = &c.platform](IniFile& ini, std::string_view key, const Settings& s) {
             WriteSetting(ini, *platform, s.scheduleFrequency, key);
         }},
        Plain("BGColour", &Settings::bgColour, Colour{kBlack}, c),
        Plain("FGColour", &Settings::fgColour, Colour{kWhite}, c),
    };
    // Added after the twelve keys of old files; their defaults give the old
    // fit-and-centre desktop.
    // onlyOnceUsed: the keys are written once the user moves away from the
    // default, so a file stays as it was for a user who never does.
    const auto placement = [&](std::string_view placementKey, std::string_view zoomKey,
                               ImagePlacement Settings::*field, bool onlyOnceUsed = false) {
        const Platform* platform = &c.platform;
        const auto skip = [=](const IniFile& ini, std::string_view key, const Settings& s) {
            return onlyOnceUsed && s.*field == ImagePlacement{} &&
                   !ini.Read(kSection, std::string(key));
        };
        keys.push_back({std::string(placementKey),
                        [=](Settings& s, const std::optional<std::string>& text) {
                            (s.*field).mode = PlacementModeAt(ReadSetting(text, *platform, 0))
                                                  .value_or(PlacementMode::Center);
                        },
                        [=](IniFile& ini, std::string_view key, const Settings& s) {
                            if (!skip(ini, key, s)) {
                                WriteSetting(ini, *platform, PlacementModePosition((s.*field).mode),
                                             key);
                            }
                        }});
        keys.push_back({std::string(zoomKey),
                        [=](Settings& s, const std::optional<std::string>& text) {
                            const std::int32_t zoom = ReadSetting(text, *platform, kDefaultZoom);
                            (s.*field).zoom = IsZoomPercentage(zoom) ? zoom : kDefaultZoom;
                        },
                        [=](IniFile& ini, std::string_view key, const Settings& s) {
                            if (!skip(ini, key, s)) {
                                WriteSetting(ini, *platform, (s.*field).zoom, key);
                            }
                        }});
    };
    placement("PlacementSame", "ZoomSame", &Settings::placementSame);
    placement("PlacementDifferent", "ZoomDifferent", &Settings::placementDifferent);
    placement("PlacementSingle", "ZoomSingle", &Settings::placementSingle);
    placement("PlacementSpan", "ZoomSpan", &Settings::placementSpan, true);
    keys.push_back(Plain("SmoothScaling", &Settings::smoothScaling, false, c));
    // In megabytes, from 1 MB to 1 TB; written once the user moves away from
    // the default, so a file stays as it was for a user who never does.
    keys.push_back(
        {"CacheLimit",
         [platform = &c.platform](Settings& s, const std::optional<std::string>& text) {
             const std::int32_t mb = ReadSetting(text, *platform, std::int32_t{1024});
             s.cacheLimit = mb >= 1 && mb <= 1024 * 1024
                                ? static_cast<std::uint64_t>(mb) * Settings::kMegabyte
                                : Settings::kDefaultCacheLimit;
         },
         [platform = &c.platform](IniFile& ini, std::string_view key, const Settings& s) {
             if (s.cacheLimit == Settings::kDefaultCacheLimit && !ini.Read(kSection, key)) {
                 return;
             }
             WriteSetting(
                 ini, *platform,
                 static_cast<std::int32_t>(std::max<std::uint64_t>(
                     1, std::min<std::uint64_t>(s.cacheLimit / Settings::kMegabyte, 1024 * 1024))),
                 key);
         }});
    // Written only while an own channel is subscribed, or was.
    keys.push_back({"OwnChannel",
                    [](Settings& s, const std::optional<std::string>& text) {
                        s.ownChannel = text.value_or(std::string());
                    },
                    [](IniFile& ini, std::string_view key, const Settings& s) {
                        if (!s.ownChannel.empty() || ini.Read(kSection, key)) {
                            ini.Write(kSection, key, s.ownChannel);
                        }
                    }});
    // A channel of its own per monitor, "MonitorChannel1" and "MonitorImage1"
    // for the first: written only for the monitors given one, or given one
    // before, so the file stays as it was for a user who never does.
    for (std::size_t m = 0; m < Settings::kMaxMonitorChannels; ++m) {
        const std::string number = std::to_string(m + 1);
        keys.push_back({"MonitorChannel" + number,
                        [m](Settings& s, const std::optional<std::string>& text) {
                            // An id or an address, or a folder's full path;
                            // anything longer is none of these.
                            constexpr std::size_t kLongest = 4096;
                            if (text && !text->empty() && text->size() <= kLongest) {
                                s.MonitorChannelEntry(m).channel = *text;
                            }
                        },
                        [m](IniFile& ini, std::string_view key, const Settings& s) {
                            const std::string channel = s.MonitorChannelOf(m);
                            if (!channel.empty() || ini.Read(kSection, key)) {
                                ini.Write(kSection, key, channel);
                            }
                        }});
        keys.push_back(
            {"MonitorImage" + number,
             [m, platform = &c.platform](Settings& s, const std::optional<std::string>& text) {
                 if (m < s.monitorChannels.size()) {
                     s.monitorChannels[m].currentImage =
                         ReadSetting(text, *platform, std::int32_t{-1});
                 }
             },
             [m, platform = &c.platform](IniFile& ini, std::string_view key, const Settings& s) {
                 if (!s.MonitorChannelOf(m).empty() || ini.Read(kSection, key)) {
                     WriteSetting(ini, *platform,
                                  m < s.monitorChannels.size() ? s.monitorChannels[m].currentImage
                                                               : std::int32_t{-1},
                                  key);
                 }
             }});
    }
    return keys;
}

}  // namespace

void LoadSettings(const std::filesystem::path& file, Settings& settings, const Platform& platform,
                  const Clock& clock, int singleMonitorEntries) {
    IniFile ini;
    try {
        ini.Load(file);
    } catch (const Error&) {
        // A file that cannot be read counts as missing; the next save reports it.
    }
    // Only the monitors the file names get a channel of their own.
    settings.monitorChannels.clear();
    for (const SettingKey& key : SettingKeys({platform, clock.Now(), singleMonitorEntries})) {
        key.read(settings, ini.Read(kSection, key.name));
    }
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
    for (const SettingKey& key : SettingKeys({platform, 0, 0})) {
        key.write(ini, key.name, settings);
    }
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
