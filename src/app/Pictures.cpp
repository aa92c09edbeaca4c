#include "app/Pictures.h"

#include <QImageReader>
#include <algorithm>
#include <cctype>
#include <string>

#include "base/Error.h"
#include "compose/Bitmap.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
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
    std::string ext = file.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ext == ".jpg" || ext == ".jpeg") {
        return ToQImage(DecodeJpegFile(file));
    }
    if (ext == ".bmp") {
        return ToQImage(ReadBmpFile(file));
    }
    if (ext == ".ico") {
        QImageReader reader(QString::fromStdString(file.string()), "ico");
        const QImage image = reader.read();
        if (image.isNull()) {
            throw Error("Unable to show the channel preview " + file.string() + ": " +
                        reader.errorString().toStdString());
        }
        return image;
    }
    throw Error("Unable to show the channel preview " + file.string() +
                ": pictures of this kind cannot be shown");
}

}  // namespace wylo::app
