#include "session/WallpaperHistory.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <system_error>

#include "channels/Download.h"
#include "settings/AtomicFile.h"

namespace wylo {
namespace {

// The first line of every history file; a newer format gets a new number.
constexpr std::string_view kHeader = "Wylo wallpaper history 1";
// No honest file comes near this: 50 entries of 16 monitors of short lines.
constexpr std::uintmax_t kMaxFileBytes = 1024 * 1024;
// The last moment of the year 9999 as a day count.
constexpr double kLatestTime = 2958466.0;
constexpr std::int32_t kMaxIndex = 1'000'000;

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

bool ReadInt(std::string_view text, std::int32_t low, std::int32_t high, std::int32_t& value) {
    std::int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || v < low ||
        v > high) {
        return false;
    }
    value = v;
    return true;
}

bool ReadTime(std::string_view text, double& value) {
    // Written with a point whatever the locale, so std::from_chars reads it.
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(v) || v < -kLatestTime || v > kLatestTime) {
        return false;
    }
    value = v;
    return true;
}

bool IsColourText(std::string_view text) {
    if (text.empty()) {
        return true;
    }
    if (text.size() != 7 || text[0] != '#') {
        return false;
    }
    for (const char c : text.substr(1)) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) {
            return false;
        }
    }
    return true;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return true;
        }
    }
    return false;
}

// A title as one line of the file: control characters become blanks and it
// is cut at a character boundary.
std::string CleanTitle(std::string_view title) {
    std::string clean(title.substr(0, WallpaperHistory::kMaxTitleBytes));
    if (clean.size() < title.size()) {
        // Do not leave half a UTF-8 character at the end.
        std::size_t end = clean.size();
        while (end > 0 && (static_cast<unsigned char>(clean[end - 1]) & 0xC0) == 0x80) {
            --end;
        }
        if (end > 0 && static_cast<unsigned char>(clean[end - 1]) >= 0xC0) {
            --end;
        }
        clean.resize(end);
    }
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    return clean;
}

std::string TimeText(double time) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, time);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

std::optional<std::size_t> WallpaperHistory::position() const {
    if (entries_.empty()) {
        return std::nullopt;
    }
    return position_;
}

const PastWallpaper* WallpaperHistory::Current() const {
    return entries_.empty() ? nullptr : &entries_[position_];
}

void WallpaperHistory::Add(PastWallpaper wallpaper) {
    if (wallpaper.images.size() > kMaxMonitors) {
        wallpaper.images.resize(kMaxMonitors);
    }
    for (PastWallpaper::Image& image : wallpaper.images) {
        image.title = CleanTitle(image.title);
    }
    entries_.push_back(std::move(wallpaper));
    if (entries_.size() > kCapacity) {
        entries_.erase(entries_.begin(), entries_.end() - kCapacity);
    }
    position_ = entries_.size() - 1;
}

void WallpaperHistory::MoveTo(std::size_t index) {
    if (index < entries_.size()) {
        position_ = index;
    }
}

bool WallpaperHistory::CanGoBack() const {
    return !entries_.empty() && position_ > 0;
}

bool WallpaperHistory::CanGoForward() const {
    return !entries_.empty() && position_ + 1 < entries_.size();
}

// Layout, one record a line, fields separated by tabs:
//   Wylo wallpaper history 1
//   position <n>
//   wallpaper <time> <channel> <channel id>
//   image <monitor> <image> <file name> <background> <font> <title> [<channel id>]
// Every "image" line belongs to the "wallpaper" line above it; its channel
// is the wallpaper's unless it names one of its own.
std::string WallpaperHistory::Text() const {
    std::ostringstream out;
    out << kHeader << '\n';
    out << "position\t" << (entries_.empty() ? 0 : position_) << '\n';
    for (const PastWallpaper& w : entries_) {
        out << "wallpaper\t" << TimeText(w.time) << '\t' << w.channel << '\t' << w.channelId
            << '\n';
        for (const PastWallpaper::Image& i : w.images) {
            out << "image\t" << i.monitor << '\t' << i.image << '\t' << i.fileName << '\t'
                << i.background << '\t' << i.font << '\t' << i.title;
            if (!i.channelId.empty()) {
                out << '\t' << i.channelId;
            }
            out << '\n';
        }
    }
    return out.str();
}

std::optional<WallpaperHistory> WallpaperHistory::Parse(std::string_view text,
                                                        std::string* problem) {
    WallpaperHistory history;
    std::int32_t position = 0;
    int lineNumber = 0;
    const auto fail = [&](const std::string& why) -> std::optional<WallpaperHistory> {
        if (problem) {
            *problem = "line " + std::to_string(lineNumber) + ": " + why;
        }
        return std::nullopt;
    };
    bool positionSeen = false;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (lineNumber == 1) {
            if (line != kHeader) {
                return fail("not a wallpaper history");
            }
            continue;
        }
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string_view> f = SplitTabs(line);
        for (const std::string_view field : f) {
            if (HasControlCharacter(field)) {
                return fail("a control character");
            }
        }
        if (f[0] == "position" && f.size() == 2 && !positionSeen) {
            if (!ReadInt(f[1], 0, static_cast<std::int32_t>(kCapacity) - 1, position)) {
                return fail("a position outside the history");
            }
            positionSeen = true;
        } else if (f[0] == "wallpaper" && f.size() == 4) {
            if (history.entries_.size() == kCapacity) {
                return fail("more than " + std::to_string(kCapacity) + " wallpapers");
            }
            if (!history.entries_.empty() && history.entries_.back().images.empty()) {
                return fail("a wallpaper without images");
            }
            PastWallpaper w;
            if (!ReadTime(f[1], w.time) || !ReadInt(f[2], -1, kMaxIndex, w.channel) ||
                !IsSafeName(f[3])) {
                return fail("a wallpaper that cannot be read");
            }
            w.channelId = std::string(f[3]);
            history.entries_.push_back(std::move(w));
        } else if (f[0] == "image" && (f.size() == 7 || f.size() == 8)) {
            if (history.entries_.empty()) {
                return fail("an image before any wallpaper");
            }
            PastWallpaper& w = history.entries_.back();
            PastWallpaper::Image i;
            if (w.images.size() == kMaxMonitors ||
                !ReadInt(f[1], 0, static_cast<std::int32_t>(kMaxMonitors) - 1, i.monitor) ||
                !ReadInt(f[2], 0, kMaxIndex, i.image) || !IsSafeName(f[3]) || !IsColourText(f[4]) ||
                !IsColourText(f[5]) || f[6].size() > kMaxTitleBytes ||
                (f.size() == 8 && !IsSafeName(f[7]))) {
                return fail("an image that cannot be read");
            }
            if (f.size() == 8) {
                i.channelId = std::string(f[7]);
            }
            i.fileName = std::string(f[3]);
            i.background = std::string(f[4]);
            i.font = std::string(f[5]);
            i.title = std::string(f[6]);
            w.images.push_back(std::move(i));
        } else {
            return fail("an unknown line");
        }
    }
    if (lineNumber == 0) {
        return fail("an empty file");
    }
    if (!history.entries_.empty() && history.entries_.back().images.empty()) {
        return fail("a wallpaper without images");
    }
    if (history.entries_.empty() ? position != 0
                                 : static_cast<std::size_t>(position) >= history.entries_.size()) {
        return fail("a position outside the history");
    }
    history.position_ = static_cast<std::size_t>(position);
    return history;
}

std::filesystem::path WallpaperHistory::FilePath(const std::filesystem::path& appFolder) {
    return appFolder / "History.txt";
}

WallpaperHistoryLoad WallpaperHistory::Load(const std::filesystem::path& path) {
    WallpaperHistoryLoad result;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return result;
    }
    std::string problem;
    std::optional<WallpaperHistory> read;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        problem = "it cannot be read";
    } else if (size > kMaxFileBytes) {
        problem = "it is far too large";
    } else {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in && !in.eof()) {
            problem = "it cannot be read";
        } else {
            read = Parse(bytes.str(), &problem);
        }
    }
    if (read) {
        result.history = std::move(*read);
        return result;
    }
    // Moved aside rather than deleted, so what it held can still be looked at.
    std::filesystem::path aside = path;
    aside += ".damaged";
    // An older damaged copy makes way: not every system renames over a file.
    std::filesystem::remove(aside, ec);
    std::filesystem::rename(path, aside, ec);
    result.message =
        "The wallpaper history " + FullPathText(path) + " is damaged (" + problem +
        "); Wylo starts a new one" +
        (ec ? std::string(".") : " and keeps the old file as " + FullPathText(aside) + ".");
    return result;
}

void WallpaperHistory::Save(const std::filesystem::path& path) const {
    WriteFileAtomically(path, Text());
}

}  // namespace wylo
