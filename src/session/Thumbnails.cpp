#include "session/Thumbnails.h"

#include <cctype>
#include <string>
#include <system_error>

#include "compose/Bitmap.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"

namespace wylo {
namespace {

std::string LowerExtension(const std::filesystem::path& p) {
    std::string ext = p.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext;
}

ThumbnailPicture ToPicture(const Bitmap& bitmap) {
    ThumbnailPicture picture{bitmap.width(), bitmap.height(), {}};
    picture.pixels.reserve(static_cast<std::size_t>(bitmap.width()) *
                           static_cast<std::size_t>(bitmap.height()));
    for (std::int32_t y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* row = bitmap.Row(y);
        for (std::int32_t x = 0; x < bitmap.width(); ++x) {
            const std::uint32_t b = row[3 * x];
            const std::uint32_t g = row[3 * x + 1];
            const std::uint32_t r = row[3 * x + 2];
            // Pure red is the thumbnails' transparent colour.
            const bool clear = r == 255 && g == 0 && b == 0;
            picture.pixels.push_back(clear ? 0u : 0xFF000000u | r << 16 | g << 8 | b);
        }
    }
    return picture;
}

}  // namespace

Size MeasureThumbnail(const std::filesystem::path& file) {
    try {
        const std::string ext = LowerExtension(file);
        if (ext == ".jpg" || ext == ".jpeg") {
            const Bitmap b = DecodeJpegFile(file);
            return {b.width(), b.height()};
        }
        if (ext == ".bmp") {
            const Bitmap b = ReadBmpFile(file);
            return {b.width(), b.height()};
        }
    } catch (const std::exception&) {
        // An unreadable thumbnail measures as nothing.
    }
    return {0, 0};
}

std::optional<ThumbnailPicture> ThumbnailCache::Picture(const std::filesystem::path& thumbnail) {
    std::error_code ec;
    const auto thumbTime = std::filesystem::last_write_time(thumbnail, ec);
    if (ec) {
        return std::nullopt;
    }
    if (auto it = pictures_.find(thumbnail);
        it != pictures_.end() && it->second.thumbTime == thumbTime) {
        return it->second.picture;
    }
    Entry entry{thumbTime, std::nullopt};
    try {
        // A thumbnail Wylo made itself is a BMP already.
        const std::filesystem::path bmp = ReplaceExtension(thumbnail, ".bmp");
        const auto bmpTime = std::filesystem::last_write_time(bmp, ec);
        if (bmp != thumbnail && (ec || bmpTime < thumbTime)) {
            JpegFileToBmpFile(bmp, thumbnail);
        }
        entry.picture = ToPicture(ReadBmpFile(bmp));
    } catch (const std::exception&) {
        // A thumbnail that does not decode leaves its row unpainted.
    }
    return pictures_.insert_or_assign(thumbnail, std::move(entry)).first->second.picture;
}

}  // namespace wylo
