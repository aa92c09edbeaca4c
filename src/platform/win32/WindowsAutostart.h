#pragma once

#include <string>

#include <windows.h>

namespace wylo {

// Start at login on Windows: the value "Wylo" in the Run key of root
// (HKEY_CURRENT_USER for the program), which Windows runs at login, and the
// switch Task Manager keeps for it under Explorer\StartupApproved\Run. The
// installer writes and removes the same value.
inline constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const wchar_t* kStartupApprovedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr const wchar_t* kRunValueName = L"Wylo";

// True when the value holds a command and Task Manager has not switched it
// off.
bool RunEntryActive(HKEY root);
// Writes the value to start program, switched on; removes it. Both throw
// Error with the system's reason.
void WriteRunEntry(HKEY root, const std::wstring& program);
void RemoveRunEntry(HKEY root);

// The path of the program that runs now.
std::wstring RunningProgramPath();

}  // namespace wylo
