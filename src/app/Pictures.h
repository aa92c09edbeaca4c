#pragma once

#include <QImage>
#include <filesystem>

namespace wylo {
class Bitmap;
struct ThumbnailPicture;
}  // namespace wylo

namespace wylo::app {

// A 24-bit bitmap as an image the window can paint.
QImage ToQImage(const Bitmap& bitmap);
// A thumbnail with its transparent pixels.
QImage ToQImage(const ThumbnailPicture& picture);

// Loads a channel's preview picture, choosing the decoder by the file's
// extension: JPEG for "jpg" and "jpeg", bitmaps for "bmp", icons for "ico".
// Throws Error for any other extension or a file that does not decode.
QImage LoadPreviewPicture(const std::filesystem::path& file);

}  // namespace wylo::app
