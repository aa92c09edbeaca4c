#include <algorithm>
#include <random>
#include <string>

#include <windows.h>

#include "base/Error.h"
#include "settings/AtomicFile.h"

namespace wylo {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return true;
        }
        const BOOL ok = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE handle_;
};

class TempFileGuard {
public:
    explicit TempFileGuard(std::wstring path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) {
            DeleteFileW(path_.c_str());
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

private:
    std::wstring path_;
};

std::wstring RandomSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    wchar_t text[17];
    swprintf(text, 17, L"%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    const auto fail = [&path]() { return Error("Unable to write to " + FullPathText(path)); };

    std::wstring tempPath;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = path.wstring() + L".tmp-" + RandomSuffix();
        created = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    Handle file(created);
    if (!file.valid()) {
        throw fail();
    }
    TempFileGuard guard(tempPath);

    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            throw fail();
        }
        bytes.remove_prefix(written);
    }
    if (!FlushFileBuffers(file.get()) || !file.Close()) {
        throw fail();
    }
    // A read-only target is not replaced, as a write in place would fail.
    // Windows refuses the move by itself; Wine run as root does not, so ask.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        throw fail();
    }
    // Another program that has the file open for a moment (a virus
    // scanner, an indexer, an editor reading it) makes the move fail with a
    // sharing error; it is tried again for a little while before giving up.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(tempPath.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            break;
        }
        const DWORD error = GetLastError();
        if (attempt >= 20 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
                              error != ERROR_LOCK_VIOLATION)) {
            throw fail();
        }
        Sleep(25);
    }
    guard.Release();
}

}  // namespace wylo
