#include "session/PreviewPicture.h"

#include <cctype>
#include <string>

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"

namespace wylo {

void ThrowPreviewError(const std::filesystem::path& file, const std::string& reason) {
    throw Error("Unable to show the channel preview " + file.string() + ": " + reason);
}

PreviewKind PreviewKindOf(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ext == ".jpg" || ext == ".jpeg") {
        return PreviewKind::Jpeg;
    }
    if (ext == ".bmp") {
        return PreviewKind::Bitmap;
    }
    if (ext == ".ico") {
        return PreviewKind::Icon;
    }
    ThrowPreviewError(file, "pictures of this kind cannot be shown");
}

std::optional<Bitmap> DecodePreview(const std::filesystem::path& file) {
    switch (PreviewKindOf(file)) {
        case PreviewKind::Jpeg:
            return DecodeJpegFile(file);
        case PreviewKind::Bitmap:
            return ReadBmpFile(file);
        case PreviewKind::Icon:
            break;
    }
    return std::nullopt;
}

}  // namespace wylo
