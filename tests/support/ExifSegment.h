#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wylo::test {

enum class ByteOrder { Intel, Motorola };  // "II" little-endian, "MM" big-endian

// One entry of an IFD as a camera writes it.
struct ExifEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;  // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, ...
    std::uint32_t count = 0;
    // The value itself when data is empty: a single SHORT goes into the
    // field's first two bytes, anything else is written as a LONG.
    std::uint32_t value = 0;
    // Else the bytes the entry points to, placed after the directory.
    std::string data;
};

// The payload of an APP1 segment: "Exif\0\0", the TIFF header and IFD0 with
// these entries, IFD0 right after the header (at offset 8 of the TIFF data,
// 14 of the payload; entry i at 16 + 12 i).
std::string ExifSegment(const std::vector<ExifEntry>& entries, ByteOrder order);

// What a phone writes: make, model, the orientation tag with value, a
// resolution and a pointer to an (empty) Exif IFD, in tag order. The
// orientation is entry 2.
std::string PhoneExifSegment(std::uint16_t orientation, ByteOrder order = ByteOrder::Intel);

}  // namespace wylo::test
