#include "platform/win32/WindowsAutostart.h"

#include <vector>

#include "base/Error.h"
#include "platform/win32/WideText.h"

namespace wylo {
namespace {

[[noreturn]] void Fail(const char* what, LSTATUS status) {
    throw Error(std::string(what) + ": " + SystemErrorText(static_cast<unsigned long>(status)));
}

// Removes a value; one that is not there is no error.
LSTATUS DeleteValue(HKEY root, const wchar_t* key) {
    const LSTATUS status = RegDeleteKeyValueW(root, key, kRunValueName);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

bool RunEntryActive(HKEY root) {
    DWORD bytes = 0;
    if (RegGetValueW(root, kRunKey, kRunValueName,
                     RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS ||
        bytes <= sizeof(wchar_t)) {
        return false;
    }
    // Task Manager's switch: twelve bytes whose first is odd while the entry
    // is switched off. Only the first byte is read.
    BYTE approved[12] = {};
    DWORD approvedBytes = sizeof approved;
    const LSTATUS status = RegGetValueW(root, kStartupApprovedKey, kRunValueName, RRF_RT_REG_BINARY,
                                        nullptr, approved, &approvedBytes);
    return !(status == ERROR_SUCCESS && approvedBytes >= 1 && (approved[0] & 1) != 0);
}

void WriteRunEntry(HKEY root, const std::wstring& program) {
    // Quoted, so a folder name with blanks is one program.
    const std::wstring command = L"\"" + program + L"\"";
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(root, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        Fail("Unable to open the list of programs that start at login", status);
    }
    status = RegSetValueExW(key, kRunValueName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(command.c_str()),
                            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        Fail("Unable to add Wylo to the programs that start at login", status);
    }
    // An entry switched off in Task Manager before is on again.
    DeleteValue(root, kStartupApprovedKey);
}

void RemoveRunEntry(HKEY root) {
    const LSTATUS status = DeleteValue(root, kRunKey);
    if (status != ERROR_SUCCESS) {
        Fail("Unable to remove Wylo from the programs that start at login", status);
    }
    DeleteValue(root, kStartupApprovedKey);
}

std::wstring RunningProgramPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            Fail("Unable to tell where Wylo is installed", static_cast<LSTATUS>(GetLastError()));
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace wylo
