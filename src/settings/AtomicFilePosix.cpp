#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Error.h"
#include "settings/AtomicFile.h"

namespace wylo {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and tells whether the close succeeded: on some file systems
    // a failed write only shows up here.
    bool Close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

// Removes the temporary file unless the rename has taken it.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

private:
    std::string path_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string RandomSuffix() {
    static std::mt19937_64 generator{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

// Creates a new file beside target that nobody else has opened.
FileDescriptor CreateTempFile(const std::filesystem::path& target, std::string& tempPath) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = target.string() + ".tmp-" + RandomSuffix();
        FileDescriptor fd(::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.valid() || errno != EEXIST) {
            return fd;
        }
    }
    return FileDescriptor();
}

// Makes the rename itself durable; a failure here loses nothing already
// written, so it is not reported.
void SyncFolder(const std::filesystem::path& folder) {
    FileDescriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    const auto fail = [&path]() { return Error("Unable to write to " + FullPathText(path)); };

    // A file made read-only is refused, as the system would refuse writing
    // into it in place.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        throw fail();
    }

    std::string tempPath;
    FileDescriptor fd = CreateTempFile(path, tempPath);
    if (!fd.valid()) {
        throw fail();
    }
    TempFileGuard guard(tempPath);

    // A file shared with other users keeps its owner and permissions.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd.get(), old.st_mode & 0777);
        if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
            // Only the owner or root may hand the file over; the new file then
            // belongs to whoever saves it, which still leaves it readable to them.
        }
    }

    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || !fd.Close()) {
        throw fail();
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        throw fail();
    }
    guard.Release();
    SyncFolder(path.parent_path());
}

}  // namespace wylo
