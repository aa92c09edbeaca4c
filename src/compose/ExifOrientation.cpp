#include "compose/ExifOrientation.h"

#include <cstddef>
#include <cstring>

namespace wylo {

namespace {

constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

// Reads the TIFF data's integers in its own byte order. Every read is
// checked by the caller against size first.
struct TiffReader {
    const std::uint8_t* data;
    std::size_t size;
    bool bigEndian;

    std::uint16_t U16(std::size_t at) const {
        const unsigned a = data[at], b = data[at + 1];
        return static_cast<std::uint16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t high = U16(at), low = U16(at + 2);
        return bigEndian ? (high << 16 | low) : (low << 16 | high);
    }
};

}  // namespace

Orientation ReadExifOrientation(std::span<const std::uint8_t> app1) {
    if (app1.size() < sizeof kExifHeader + kTiffHeaderSize ||
        std::memcmp(app1.data(), kExifHeader, sizeof kExifHeader) != 0) {
        return Orientation::Normal;
    }
    // Offsets in the TIFF data count from its own header, just after "Exif\0\0".
    TiffReader tiff{app1.data() + sizeof kExifHeader, app1.size() - sizeof kExifHeader, false};
    if (tiff.data[0] == 'M' && tiff.data[1] == 'M') {
        tiff.bigEndian = true;
    } else if (!(tiff.data[0] == 'I' && tiff.data[1] == 'I')) {
        return Orientation::Normal;
    }
    if (tiff.U16(2) != 42) {
        return Orientation::Normal;
    }
    // Compared as 64-bit sizes, so no offset or count can wrap around. An
    // IFD inside the header itself is a loop, not a directory.
    const std::uint64_t ifd = tiff.U32(4);
    if (ifd < kTiffHeaderSize || ifd + 2 > tiff.size) {
        return Orientation::Normal;
    }
    const std::uint64_t count = tiff.U16(static_cast<std::size_t>(ifd));
    if (ifd + 2 + count * kEntrySize > tiff.size) {
        return Orientation::Normal;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto entry = static_cast<std::size_t>(ifd + 2 + i * kEntrySize);
        if (tiff.U16(entry) != kOrientationTag) {
            continue;
        }
        // One SHORT, held in the first two bytes of the value field.
        if (tiff.U16(entry + 2) != kShortType || tiff.U32(entry + 4) != 1) {
            return Orientation::Normal;
        }
        const std::uint16_t value = tiff.U16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Normal;
    }
    return Orientation::Normal;
}

}  // namespace wylo
