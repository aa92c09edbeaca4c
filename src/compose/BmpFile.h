#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "base/Geometry.h"
#include "compose/Bitmap.h"
#include "compose/StdioFile.h"

namespace wylo {

// Saves bitmap as a Windows BMP file: 24 bits per pixel, uncompressed,
// bottom-up rows. The file is written beside path under a temporary name and
// then renamed over path, so a reader never sees a half-written file and a
// failed write leaves any earlier file at path as it was. A plain file at
// path that already holds exactly this picture is kept as it is (only its
// time is set to now), which spares rewriting many megabytes when an image
// comes round again. Throws Error
// ("Unable to write <path>: <reason>") when the bitmap is empty or the file
// cannot be written.
void WriteBmpFile(const std::filesystem::path& path, const Bitmap& bitmap);

// A BMP file as WriteBmpFile writes it, of a picture of size that is
// decoded a band of rows at a time: rows come in any order, from two threads
// at once, into the temporary file, and Commit moves it into place. A file
// that cannot be made or written is reported by Commit, which throws Error
// as WriteBmpFile does; without a Commit the temporary file goes.
class BmpRowsWriter {
public:
    BmpRowsWriter(const std::filesystem::path& path, Size size);
    ~BmpRowsWriter();
    BmpRowsWriter(const BmpRowsWriter&) = delete;
    BmpRowsWriter& operator=(const BmpRowsWriter&) = delete;

    // Rows first to first + count of the picture (top-down), stride bytes
    // apart, each already padded as the file's rows are.
    void Write(std::int32_t first, std::int32_t count, const std::uint8_t* rows,
               std::size_t stride);
    void Commit();

private:
    std::mutex mutex_;
    std::filesystem::path path_;
    std::filesystem::path temp_;
    std::int32_t height_ = 0;
    std::size_t rowBytes_ = 0;
    detail::StdioFile file_;
    std::string error_;
    bool failed_ = false;  // error_ is a whole message already
    bool committed_ = false;
};

// True when name is that of WriteBmpFile's temporary file for a ".bmp"
// target ("desktop.bmp.tmp", "photo.bmp.tmp"), or of the earlier file it
// moves aside for a moment ("desktop.bmp.old"). They outlive the write only
// when the program was killed mid-way.
bool IsBmpWriteLeftover(std::string_view name);

// Loads a 24-bit uncompressed BMP file (bottom-up or top-down rows). Anything
// else, or anything malformed, cut off or larger than Bitmap::kMaxPixels,
// throws Error ("Unable to read <path>: <reason>").
Bitmap ReadBmpFile(const std::filesystem::path& path);

// The bytes of the file header and info header that WriteBmpFile writes.
inline constexpr std::size_t kBmpHeaderSize = 54;

}  // namespace wylo
