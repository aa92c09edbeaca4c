#pragma once

#include <filesystem>
#include <string>

namespace wylo {

// The user's XDG autostart entry for Wylo: a desktop entry named wylo.desktop
// in $XDG_CONFIG_HOME/autostart (~/.config/autostart when that is unset),
// which the desktop runs at login.

// Where the entry lies; empty when neither XDG_CONFIG_HOME nor HOME is an
// absolute path.
std::filesystem::path AutostartEntryPath();

// True when the entry is there and the desktop will run it: not marked
// Hidden (the XDG way of removing it) nor switched off by a desktop's own
// autostart settings.
bool AutostartEntryActive(const std::filesystem::path& entry);

// Writes the entry, starting program, in place of any entry of that name;
// removes it. Both throw Error with the reason.
void WriteAutostartEntry(const std::filesystem::path& entry, const std::filesystem::path& program);
void RemoveAutostartEntry(const std::filesystem::path& entry);

// The entry's text for program. Throws Error for a path that a desktop
// entry cannot hold (a line break in it).
std::string AutostartEntryText(const std::filesystem::path& program);

}  // namespace wylo
