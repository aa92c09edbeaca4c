#include "app/Pictures.h"

#include <QImageReader>
#include <algorithm>
#include <optional>

#include "compose/Bitmap.h"
#include "session/PreviewPicture.h"
#include "session/Thumbnails.h"

namespace wylo::app {

QImage ToQImage(const Bitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (std::int32_t y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* src = bitmap.Row(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < bitmap.width(); ++x) {
            dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        }
    }
    return image;
}

QImage ToQImage(const ThumbnailPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const std::uint32_t* src =
            picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
        std::copy(src, src + picture.width, reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
}

QImage LoadPreviewPicture(const std::filesystem::path& file) {
    if (const std::optional<Bitmap> picture = DecodePreview(file)) {
        return ToQImage(*picture);
    }
    // An icon, which Qt reads itself.
    QImageReader reader(QString::fromStdString(file.string()), "ico");
    const QImage image = reader.read();
    if (image.isNull()) {
        ThrowPreviewError(file, reader.errorString().toStdString());
    }
    return image;
}

}  // namespace wylo::app
