#include "support/ExifSegment.h"

namespace wylo::test {

namespace {

class Writer {
public:
    explicit Writer(ByteOrder order) : big_(order == ByteOrder::Motorola) {}

    void U16(std::uint16_t v) {
        Put(big_ ? v >> 8 : v & 0xFF);
        Put(big_ ? v & 0xFF : v >> 8);
    }
    void U32(std::uint32_t v) {
        const auto high = static_cast<std::uint16_t>(v >> 16);
        const auto low = static_cast<std::uint16_t>(v & 0xFFFF);
        U16(big_ ? high : low);
        U16(big_ ? low : high);
    }
    void Bytes(const std::string& s) { bytes_ += s; }
    std::size_t Size() const { return bytes_.size(); }
    const std::string& Text() const { return bytes_; }

private:
    void Put(unsigned v) { bytes_ += static_cast<char>(v); }

    bool big_;
    std::string bytes_;
};

}  // namespace

std::string ExifSegment(const std::vector<ExifEntry>& entries, ByteOrder order) {
    Writer tiff(order);
    tiff.Bytes(order == ByteOrder::Motorola ? "MM" : "II");
    tiff.U16(42);
    tiff.U32(8);
    tiff.U16(static_cast<std::uint16_t>(entries.size()));
    // Pointed-to data follows the entries and the next-IFD offset.
    auto dataAt = static_cast<std::uint32_t>(8 + 2 + 12 * entries.size() + 4);
    std::string data;
    for (const ExifEntry& e : entries) {
        tiff.U16(e.tag);
        tiff.U16(e.type);
        tiff.U32(e.count);
        if (!e.data.empty()) {
            tiff.U32(dataAt + static_cast<std::uint32_t>(data.size()));
            data += e.data;
        } else if (e.type == 3 && e.count == 1) {
            tiff.U16(static_cast<std::uint16_t>(e.value));
            tiff.U16(0);
        } else {
            tiff.U32(e.value);
        }
    }
    tiff.U32(0);  // no IFD1
    tiff.Bytes(data);
    return std::string("Exif\0\0", 6) + tiff.Text();
}

std::string PhoneExifSegment(std::uint16_t orientation, ByteOrder order) {
    // 72/1 dots per inch, in the segment's byte order.
    Writer rational(order);
    rational.U32(72);
    rational.U32(1);
    const std::vector<ExifEntry> entries = {
        {0x010F, 2, 6, 0, std::string("Phone\0", 6)},
        {0x0110, 2, 8, 0, std::string("Model 7\0", 8)},
        {0x0112, 3, 1, orientation, {}},
        {0x011A, 5, 1, 0, rational.Text()},
        // The Exif IFD, after the data: no entries and no next IFD.
        {0x8769, 4, 1, 8 + 2 + 12 * 5 + 4 + 6 + 8 + 8, {}},
    };
    std::string segment = ExifSegment(entries, order);
    segment += std::string(6, '\0');
    return segment;
}

}  // namespace wylo::test
