#include "compose/BmpFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <cstdio>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

#include "base/Error.h"
#include "compose/StdioFile.h"

namespace wylo {

namespace fs = std::filesystem;
using detail::ErrnoText;
using detail::PathText;

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
// 2835 pixels per metre is 72 dots per inch.
constexpr std::int32_t kPixelsPerMetre = 2835;
#ifdef _WIN32
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;
#endif

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(GetU32(p));
}

[[noreturn]] void WriteFailed(const fs::path& path, const std::string& reason) {
    throw Error("Unable to write " + PathText(path) + ": " + reason);
}

[[noreturn]] void ReadFailed(const fs::path& path, const std::string& reason) {
    throw Error("Unable to read " + PathText(path) + ": " + reason);
}

// Removes the temporary file unless the write got as far as renaming it.
class TempFileGuard {
public:
    explicit TempFileGuard(fs::path path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

private:
    fs::path path_;
};

#ifndef _WIN32
// Writes the bitmap's rows last to first; false with errno set on failure.
bool WriteRowsBottomUp(int fd, const Bitmap& bitmap) {
    constexpr int kRowsPerCall = 512;  // well below any system's IOV_MAX
    const std::size_t stride = bitmap.stride();
    std::vector<iovec> rows(static_cast<std::size_t>(std::min(kRowsPerCall, bitmap.height())));
    for (std::int32_t next = bitmap.height() - 1; next >= 0;) {
        int count = 0;
        for (; count < kRowsPerCall && next - count >= 0; ++count) {
            rows[static_cast<std::size_t>(count)] = {
                const_cast<std::uint8_t*>(bitmap.Row(next - count)), stride};
        }
        next -= count;
        // A short write leaves the rest of a row, or of the batch, to send.
        iovec* pending = rows.data();
        int left = count;
        while (left > 0) {
            const ssize_t written = writev(fd, pending, left);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            auto done = static_cast<std::size_t>(written);
            while (left > 0 && done >= pending->iov_len) {
                done -= pending->iov_len;
                ++pending;
                --left;
            }
            if (left > 0) {
                pending->iov_base = static_cast<char*>(pending->iov_base) + done;
                pending->iov_len -= done;
            }
        }
    }
    return true;
}
#endif

// True when path is a plain file that already holds exactly these bytes: the
// header, then the bitmap's rows last to first. Reading and comparing costs a
// fraction of writing and replacing a picture of many megabytes, and a change
// that shows an image again finds its conversion as it left it.
bool FileHoldsBmp(const fs::path& path, const std::array<std::uint8_t, kBmpHeaderSize>& header,
                  const Bitmap& bitmap, std::uint64_t fileBytes) {
    const std::size_t stride = bitmap.stride();
#ifndef _WIN32
    // Compared where the system keeps the file, without copying it out. (The
    // program only ever replaces these files by renaming, so none shrinks
    // under the mapping.)
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const auto bytes = static_cast<std::size_t>(fileBytes);
    void* mapped = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                           static_cast<std::uint64_t>(info.st_size) == fileBytes
                       ? ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fd, 0)
                       : MAP_FAILED;
    ::close(fd);
    if (mapped == MAP_FAILED) {
        return false;
    }
    const auto* stored = static_cast<const std::uint8_t*>(mapped);
    bool same = std::memcmp(stored, header.data(), header.size()) == 0;
    stored += header.size();
    for (std::int32_t y = bitmap.height() - 1; same && y >= 0; --y, stored += stride) {
        same = std::memcmp(stored, bitmap.Row(y), stride) == 0;
    }
    ::munmap(mapped, bytes);
    return same;
#else
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() != fs::file_type::regular ||
        fs::file_size(path, ec) != fileBytes || ec) {
        return false;
    }
    detail::StdioFile file = detail::OpenStdioFile(path, false);
    if (!file) {
        return false;
    }
    std::array<std::uint8_t, kBmpHeaderSize> stored{};
    if (std::fread(stored.data(), 1, stored.size(), file.get()) != stored.size() ||
        stored != header) {
        return false;
    }
    // Many rows per read, so the comparison costs few calls.
    const std::size_t rowsPerRead = std::max<std::size_t>(1, (std::size_t{1} << 20) / stride);
    std::vector<std::uint8_t> buffer(rowsPerRead * stride);
    for (std::int32_t next = bitmap.height() - 1; next >= 0;) {
        const std::size_t rows = std::min(rowsPerRead, static_cast<std::size_t>(next) + 1);
        if (std::fread(buffer.data(), 1, rows * stride, file.get()) != rows * stride) {
            return false;
        }
        for (std::size_t r = 0; r < rows; ++r, --next) {
            if (std::memcmp(buffer.data() + r * stride, bitmap.Row(next), stride) != 0) {
                return false;
            }
        }
    }
    return true;
#endif
}

// Marks a file that already held the picture as written now, as a rewrite
// would, so whatever compares its time with its source's sees it current.
void TouchFile(const fs::path& path) {
    std::error_code ignored;
    fs::last_write_time(path, fs::file_time_type::clock::now(), ignored);
}

// The file and info headers of a 24-bit bottom-up BMP of width x height;
// throws when the picture is empty or too large for the format.
std::array<std::uint8_t, kBmpHeaderSize> BmpHeader(const fs::path& path, std::int32_t width,
                                                   std::int32_t height) {
    if (width <= 0 || height <= 0) {
        WriteFailed(path, "the picture is empty");
    }
    const std::size_t stride = Bitmap::StrideFor(width);
    const std::uint64_t imageBytes =
        static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
    const std::uint64_t fileBytes = kBmpHeaderSize + imageBytes;
    if (fileBytes > std::numeric_limits<std::uint32_t>::max()) {
        WriteFailed(path, "the picture is too large for a BMP file");
    }
    std::array<std::uint8_t, kBmpHeaderSize> header{};
    std::uint8_t* h = header.data();
    h[0] = 'B';
    h[1] = 'M';
    PutU32(h + 2, static_cast<std::uint32_t>(fileBytes));
    PutU32(h + 10, static_cast<std::uint32_t>(kBmpHeaderSize));
    std::uint8_t* info = h + kFileHeaderSize;
    PutU32(info + 0, static_cast<std::uint32_t>(kInfoHeaderSize));
    PutU32(info + 4, static_cast<std::uint32_t>(width));
    PutU32(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
    PutU16(info + 12, 1);                                  // planes
    PutU16(info + 14, 24);                                 // bits per pixel
    PutU32(info + 16, 0);                                  // BI_RGB
    PutU32(info + 20, static_cast<std::uint32_t>(imageBytes));
    PutU32(info + 24, static_cast<std::uint32_t>(kPixelsPerMetre));
    PutU32(info + 28, static_cast<std::uint32_t>(kPixelsPerMetre));
    return header;
}

// Moves a finished temporary file over path.
void MoveIntoPlace(const fs::path& temp, const fs::path& path) {
#ifndef _WIN32
    // Renaming over an existing file makes ext4 start writing the new one
    // out and wait for it (its guard for programs that do not sync), which
    // costs a change tens of milliseconds. The earlier file steps aside
    // first, comes back if the new one cannot take its name, and goes after.
    fs::path aside = path;
    aside += ".old";
    struct stat existing {};
    const bool moved = ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
                       ::rename(path.c_str(), aside.c_str()) == 0;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int why = errno;
        if (moved) {
            ::rename(aside.c_str(), path.c_str());
        }
        WriteFailed(path, ErrnoText(why));
    }
    if (moved) {
        ::unlink(aside.c_str());
    }
#else
    std::error_code error;
    fs::rename(temp, path, error);
    if (error) {
        WriteFailed(path, error.message());
    }
#endif
}

}  // namespace

void WriteBmpFile(const fs::path& path, const Bitmap& bitmap) {
    const std::array<std::uint8_t, kBmpHeaderSize> header =
        BmpHeader(path, bitmap.width(), bitmap.height());
    const std::size_t stride = bitmap.stride();
    const std::uint64_t fileBytes =
        kBmpHeaderSize +
        static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(bitmap.height());

    if (FileHoldsBmp(path, header, bitmap, fileBytes)) {
        TouchFile(path);
        return;
    }

    fs::path temp = path;
    temp += ".tmp";
    TempFileGuard guard(temp);
    {
#ifdef _WIN32
        // Few large writes: each write call costs far more than copying a
        // row. Declared before the file, which may flush into it on closing.
        std::vector<char> buffer(kWriteBufferSize);
#endif
        errno = 0;
        detail::StdioFile file = detail::OpenStdioFile(temp, true);
        if (!file) {
            WriteFailed(path, ErrnoText(errno));
        }
#ifdef _WIN32
        std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());
#endif
        const auto fail = [&] { WriteFailed(path, ErrnoText(errno)); };
        if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size()) {
            fail();
        }
        // The bitmap's rows are top-down and already padded like a BMP's.
#ifdef _WIN32
        for (std::int32_t y = bitmap.height() - 1; y >= 0; --y) {
            if (std::fwrite(bitmap.Row(y), 1, stride, file.get()) != stride) {
                fail();
            }
        }
#else
        // Handed to the system straight from the bitmap, many rows per call,
        // rather than copied through the stream's buffer first.
        if (std::fflush(file.get()) != 0 || !WriteRowsBottomUp(fileno(file.get()), bitmap)) {
            fail();
        }
#endif
        // A full disk may only show when the buffer is flushed or closed.
        if (std::fflush(file.get()) != 0) {
            fail();
        }
        if (std::fclose(file.release()) != 0) {
            fail();
        }
    }
    MoveIntoPlace(temp, path);
    guard.Release();
}

BmpRowsWriter::BmpRowsWriter(const fs::path& path, Size size)
    : path_(path), temp_(path), height_(size.height) {
    temp_ += ".tmp";
    try {
        const std::array<std::uint8_t, kBmpHeaderSize> header =
            BmpHeader(path, size.width, size.height);
        rowBytes_ = Bitmap::StrideFor(size.width);
        errno = 0;
        file_ = detail::OpenStdioFile(temp_, true);
        if (!file_) {
            error_ = ErrnoText(errno);
        } else if (std::fwrite(header.data(), 1, header.size(), file_.get()) != header.size()) {
            error_ = ErrnoText(errno);
        }
    } catch (const Error& e) {
        error_ = e.what();
        failed_ = true;
    }
}

BmpRowsWriter::~BmpRowsWriter() {
    if (!committed_) {
        file_.reset();
        std::error_code ignored;
        fs::remove(temp_, ignored);
    }
}

void BmpRowsWriter::Write(std::int32_t first, std::int32_t count, const std::uint8_t* rows,
                          std::size_t stride) {
    const std::lock_guard lock(mutex_);
    if (!file_ || !error_.empty() || first < 0 || count < 0 || first + count > height_) {
        return;
    }
    for (std::int32_t k = 0; k < count; ++k) {
        // Bottom-up: the picture's last row comes first in the file.
        const auto at = static_cast<long>(
            kBmpHeaderSize + static_cast<std::uint64_t>(height_ - 1 - (first + k)) * rowBytes_);
        if (std::fseek(file_.get(), at, SEEK_SET) != 0 ||
            std::fwrite(rows + static_cast<std::size_t>(k) * stride, 1, rowBytes_, file_.get()) !=
                rowBytes_) {
            error_ = ErrnoText(errno);
            return;
        }
    }
}

void BmpRowsWriter::Commit() {
    const std::lock_guard lock(mutex_);
    if (error_.empty() && file_ &&
        (std::fflush(file_.get()) != 0 || std::fclose(file_.release()) != 0)) {
        error_ = ErrnoText(errno);
    }
    if (!error_.empty()) {
        if (failed_) {
            throw Error(error_);
        }
        WriteFailed(path_, error_);
    }
    MoveIntoPlace(temp_, path_);
    committed_ = true;
}

bool IsBmpWriteLeftover(std::string_view name) {
    for (const std::string_view suffix :
         {std::string_view(".bmp.tmp"), std::string_view(".bmp.old")}) {
        if (name.size() > suffix.size() && name.ends_with(suffix)) {
            return true;
        }
    }
    return false;
}

Bitmap ReadBmpFile(const fs::path& path) {
    errno = 0;
    detail::StdioFile file = detail::OpenStdioFile(path, false);
    if (!file) {
        ReadFailed(path, ErrnoText(errno));
    }
    std::error_code sizeError;
    const std::uintmax_t fileSize = fs::file_size(path, sizeError);
    if (sizeError) {
        ReadFailed(path, sizeError.message());
    }

    std::array<std::uint8_t, kBmpHeaderSize> header{};
    const std::size_t got = std::fread(header.data(), 1, header.size(), file.get());
    if (got < 2 || header[0] != 'B' || header[1] != 'M') {
        ReadFailed(path, "it is not a BMP file");
    }
    if (got < header.size()) {
        ReadFailed(path, "the file is cut off");
    }
    const std::uint8_t* info = header.data() + kFileHeaderSize;
    const std::uint32_t pixelOffset = GetU32(header.data() + 10);
    const std::uint32_t infoSize = GetU32(info);
    // BITMAPINFOHEADER and its later extensions (V2, V3, V4, V5) start alike.
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124) {
        ReadFailed(path, "its header is not one this program can read");
    }
    const std::int32_t width = GetI32(info + 4);
    const std::int32_t rawHeight = GetI32(info + 8);
    const std::uint16_t planes = GetU16(info + 12);
    const std::uint16_t bitsPerPixel = GetU16(info + 14);
    const std::uint32_t compression = GetU32(info + 16);
    if (planes != 1) {
        ReadFailed(path, "its header is damaged");
    }
    if (bitsPerPixel != 24) {
        ReadFailed(path, "it has " + std::to_string(bitsPerPixel) +
                             " bits per pixel; only 24-bit BMP files can be read");
    }
    if (compression != 0) {
        ReadFailed(path, "it is compressed; only uncompressed BMP files can be read");
    }
    // A negative height means top-down rows. The smallest int32 has no
    // positive counterpart and is no valid height.
    const std::int64_t height = rawHeight < 0 ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
    const bool topDown = rawHeight < 0;
    if (width <= 0 || height <= 0 || height > std::numeric_limits<std::int32_t>::max()) {
        ReadFailed(path, "the picture size " + std::to_string(width) + " x " +
                             std::to_string(rawHeight) + " is not valid");
    }
    if (static_cast<std::int64_t>(width) * height > Bitmap::kMaxPixels) {
        ReadFailed(path, "the picture of " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels is too large");
    }
    const std::uint64_t stride = Bitmap::StrideFor(width);
    const std::uint64_t dataBytes = stride * static_cast<std::uint64_t>(height);
    if (pixelOffset < kFileHeaderSize + infoSize || pixelOffset > fileSize ||
        dataBytes > fileSize - pixelOffset) {
        ReadFailed(path, "the file is cut off or damaged");
    }

    Bitmap bitmap(width, static_cast<std::int32_t>(height));
    if (!detail::SeekStdioFile(file.get(), pixelOffset)) {
        ReadFailed(path, ErrnoText(errno));
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (std::int32_t i = 0; i < bitmap.height(); ++i) {
        const std::int32_t y = topDown ? i : bitmap.height() - 1 - i;
        std::uint8_t* row = bitmap.Row(y);
        if (std::fread(row, 1, bitmap.stride(), file.get()) != bitmap.stride()) {
            ReadFailed(path, std::ferror(file.get()) ? ErrnoText(errno) : "the file is cut off");
        }
        // Whatever the file kept in the padding stays out of the bitmap.
        std::memset(row + rowBytes, 0, bitmap.stride() - rowBytes);
    }
    return bitmap;
}

}  // namespace wylo
