#include "platform/linux/LinuxAutostart.h"

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

#include "base/Error.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;

// An entry is a few hundred bytes; only this much of one is read.
constexpr std::streamsize kMaxEntryBytes = 64 * 1024;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// A value of type string in a desktop entry: the backslash is its escape.
std::string EscapeString(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

// The program as the one argument of Exec: quoted when it holds a reserved
// character, with the characters that stay special inside quotes escaped,
// and % doubled (field codes); then escaped as any string value.
std::string ExecArgument(const std::string& path) {
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    bool quote = false;
    for (const char c : path) {
        if (kReserved.find(c) != std::string_view::npos) {
            quote = true;
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            argument += '\\';
        }
        argument += c;
        if (c == '%') {
            argument += '%';
        }
    }
    if (quote) {
        argument = '"' + argument + '"';
    }
    return EscapeString(argument);
}

}  // namespace

fs::path AutostartEntryPath() {
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        config = fs::path(home) / ".config";
    } else {
        return {};
    }
    return config / "autostart" / "wylo.desktop";
}

bool AutostartEntryActive(const fs::path& entry) {
    std::error_code ec;
    if (entry.empty() || !fs::is_regular_file(entry, ec)) {
        return false;
    }
    std::ifstream in(entry, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string text(static_cast<std::size_t>(kMaxEntryBytes), '\0');
    in.read(text.data(), kMaxEntryBytes);
    text.resize(static_cast<std::size_t>(in.gcount()));

    // Only the keys of the [Desktop Entry] group count.
    bool inEntry = false;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inEntry || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

std::string AutostartEntryText(const fs::path& program) {
    const std::string path = program.string();
    if (path.find_first_of("\n\r") != std::string::npos) {
        throw Error("Wylo cannot start at login from " + path +
                    ": the name of its folder holds a line break.");
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Wylo\n"
           "Comment=Put photographs from online channels on your desktop on a schedule\n"
           "Exec=" +
           ExecArgument(path) +
           "\n"
           // Desktops pass over an entry whose program has been removed.
           "TryExec=" +
           EscapeString(path) +
           "\n"
           "Icon=wylo\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void WriteAutostartEntry(const fs::path& entry, const fs::path& program) {
    const std::string text = AutostartEntryText(program);
    const auto fail = [&entry](const std::string& reason) {
        return Error("Could not write " + entry.string() + ": " + reason);
    };
    if (entry.empty()) {
        throw Error("Could not find the folder for programs that start at login.");
    }
    std::error_code ec;
    fs::create_directories(entry.parent_path(), ec);
    if (ec) {
        throw fail(ec.message());
    }
    // Written beside it and renamed, so the desktop never reads half an entry.
    fs::path temp = entry;
    temp += ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            throw fail("the file could not be written.");
        }
    }
    fs::rename(temp, entry, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw fail(ec.message());
    }
}

void RemoveAutostartEntry(const fs::path& entry) {
    if (entry.empty()) {
        return;
    }
    std::error_code ec;
    fs::remove(entry, ec);
    if (ec) {
        throw Error("Could not remove " + entry.string() + ": " + ec.message());
    }
}

}  // namespace wylo
