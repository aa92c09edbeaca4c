#include <array>
#include <string>
#include <string_view>

#include "channels/Download.h"

namespace wylo {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// Windows opens a device, not a file, for these names, with or without an
// extension ("nul.jpg" is the null device too).
bool IsDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') {
        stem.remove_suffix(1);
    }
    static constexpr std::array<std::string_view, 6> kFixed = {"con", "prn",    "aux",
                                                               "nul", "conin$", "conout$"};
    for (const std::string_view device : kFixed) {
        if (EqualNoCase(stem, device)) {
            return true;
        }
    }
    if (stem.size() == 4 &&
        (EqualNoCase(stem.substr(0, 3), "com") || EqualNoCase(stem.substr(0, 3), "lpt"))) {
        return stem[3] >= '1' && stem[3] <= '9';
    }
    return false;
}

}  // namespace

std::string ShortenedText(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t end = maxBytes;
    // Back off UTF-8 continuation bytes so no character is cut in two.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(text.substr(0, end)) + "...";
}

bool IsNameTooLong(std::string_view name) {
    return name.size() > kMaxSafeNameBytes;
}

std::string UnsafeNameReason(std::string_view name) {
    if (IsSafeName(name)) {
        return {};
    }
    if (IsNameTooLong(name)) {
        return "too long (" + std::to_string(name.size()) + " bytes; at most " +
               std::to_string(kMaxSafeNameBytes) + ")";
    }
    return name.empty() ? "empty" : "not usable as a file name";
}

bool IsSafeName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || IsNameTooLong(name)) {
        return false;
    }
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f) {
            return false;
        }
        switch (ch) {
            case '/':
            case '\\':
            case '<':
            case '>':
            case ':':
            case '"':
            case '|':
            case '?':
            case '*':
                return false;
            default:
                break;
        }
    }
    // Windows drops trailing dots and spaces, so ".. " would name the parent.
    if (name.back() == '.' || name.back() == ' ') {
        return false;
    }
    return !IsDeviceName(name);
}

}  // namespace wylo
