#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "base/Geometry.h"
#include "compose/Bitmap.h"

namespace wylo {

// Pictures with more pixels than this are refused before any large
// allocation, so a hostile channel cannot exhaust the memory.
inline constexpr std::int64_t kMaxJpegPixels = 100'000'000;

// Decodes a JPEG file at full size and best quality into a 24-bit bitmap.
// Greyscale pictures come out grey; CMYK and YCCK pictures are converted to
// colour (Adobe's inverted CMYK included). A picture whose Exif data says it
// is stored turned or mirrored (as phones and cameras store portraits) comes
// out upright; unreadable Exif data counts as upright. Throws Error naming the file and
// the decoder's reason when the file cannot be read, is not a JPEG, is
// damaged or cut off, or is larger than kMaxJpegPixels.
Bitmap DecodeJpegFile(const std::filesystem::path& path);

// The size of the picture in a JPEG file, upright, read from its header
// alone; nothing when the file cannot be read as a JPEG.
std::optional<Size> JpegFileSize(const std::filesystem::path& path);

// A picture decoded at a reduced size, and the size it has in full (upright).
struct ReducedPicture {
    Bitmap bitmap;
    Size fullSize;
};
// DecodeJpegFile, but when wanted (given the picture's full upright size)
// asks for less, the decoder itself reduces the picture to a half, a quarter
// or an eighth of each side, the smallest that still covers wanted in both
// directions: a picture that will be shown at a fraction of its size costs a
// fraction of the work and the memory. An empty wanted, or an empty size
// from it, decodes in full.
ReducedPicture DecodeJpegFileCovering(const std::filesystem::path& path,
                                      const std::function<Size(Size)>& wanted);

// Decodes source completely, then saves it as a 24-bit BMP file at
// destination, replacing any file there. Destination first, source second.
// When decoding fails nothing is written and an earlier file at destination
// stays as it was.
void JpegFileToBmpFile(const std::filesystem::path& destination,
                       const std::filesystem::path& source);

// Converts a JPEG file to the BMP file beside it (its extension replaced by
// ".bmp") and returns the BMP file's path.
std::filesystem::path ConvertToBmp(const std::filesystem::path& jpegPath);

// The BMP file a conversion of jpegPath writes: beside it, with the
// extension replaced by ".bmp" (or ".bmp" added to a name that has it).
std::filesystem::path ConvertedBmpPath(const std::filesystem::path& jpegPath);

// Takes the rows of a picture as they are decoded: count rows from row
// first (of the upright picture), each stride bytes apart. The two halves of
// a large picture are decoded at once, so it is called from two threads at
// a time, for rows far apart.
using RowSink = std::function<void(std::int32_t first, std::int32_t count, const std::uint8_t* rows,
                                   std::size_t stride)>;
// Decodes a picture a few rows at a time into the sink that sinkFor gives
// for its full size, without holding the whole picture: for a caller that
// needs only some of its rows. Nothing is decoded, and nothing returned, when
// sinkFor declines (an empty sink), or the picture is stored turned or in
// CMYK; otherwise the picture's size. Throws as DecodeJpegFile; rows already
// handed on are then of no use.
// TopDown hands the rows on from the first down, on one thread, for a sink
// that needs them in order (a large picture then takes longer).
enum class RowOrder { Any, TopDown };
std::optional<Size> DecodeJpegFileRows(const std::filesystem::path& path,
                                       const std::function<RowSink(Size)>& sinkFor,
                                       RowOrder order = RowOrder::Any);

// The conversion beside jpegPath holds a picture of size and was written
// after the JPEG was: drawing the picture needs no new conversion.
bool ConversionIsCurrent(const std::filesystem::path& jpegPath, Size size);
// The same for a conversion kept elsewhere (a photo read where it lies has
// its conversion in the cache).
bool ConversionIsCurrent(const std::filesystem::path& jpegPath,
                         const std::filesystem::path& bmpPath, Size size);

// Sets the time of the conversion beside jpegPath to now, as writing it
// again would: the cache tells the pictures shown lately by it.
void TouchConversion(const std::filesystem::path& jpegPath);
// Sets the time of the conversion at bmpPath to now.
void TouchConversionFile(const std::filesystem::path& bmpPath);

// A conversion with the picture it wrote, so a caller draws from the decoded
// bitmap instead of reading back the file just written.
struct ConvertedImage {
    std::filesystem::path bmpPath;
    Bitmap bitmap;
};
ConvertedImage ConvertToBmpKeepingBitmap(const std::filesystem::path& jpegPath);

// The path cut before its last "." followed by extension, e.g.
// ".../images/a.b.jpg" gives ".../images/a.b.bmp". When the file name itself
// has no ".", extension is appended to it instead, so the result always
// stays in the same folder ("/" and "\" both count as separators).
std::filesystem::path ReplaceExtension(const std::filesystem::path& path,
                                       std::string_view extension);

}  // namespace wylo
