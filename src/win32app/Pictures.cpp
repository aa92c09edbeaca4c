#include "win32app/Pictures.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "compose/Bitmap.h"
#include "session/PreviewPicture.h"
#include "session/Thumbnails.h"

namespace wylo::win {

GdiBitmap& GdiBitmap::operator=(GdiBitmap&& other) noexcept {
    if (this != &other) {
        Reset();
        bitmap_ = std::exchange(other.bitmap_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

void GdiBitmap::Reset() {
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
    }
    width_ = height_ = 0;
}

GdiBitmap ToGdiBitmap(const Bitmap& bitmap) {
    if (bitmap.empty()) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.width();
    info.bmiHeader.biHeight = -bitmap.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (handle == nullptr) {
        return {};
    }
    // GDI rows are padded to four bytes, like the core's.
    const std::size_t stride = (static_cast<std::size_t>(bitmap.width()) * 3 + 3) & ~std::size_t{3};
    auto* out = static_cast<std::uint8_t*>(bits);
    for (std::int32_t y = 0; y < bitmap.height(); ++y) {
        std::copy_n(bitmap.Row(y), static_cast<std::size_t>(bitmap.width()) * 3,
                    out + static_cast<std::size_t>(y) * stride);
    }
    return GdiBitmap(handle, bitmap.width(), bitmap.height());
}

void DrawThumbnail(HDC dc, const ThumbnailPicture& picture, int x, int y, int width, int height,
                   COLORREF fill) {
    if (picture.width <= 0 || picture.height <= 0) {
        return;
    }
    const std::uint32_t background = (static_cast<std::uint32_t>(GetRValue(fill)) << 16) |
                                     (static_cast<std::uint32_t>(GetGValue(fill)) << 8) |
                                     GetBValue(fill);
    std::vector<std::uint32_t> pixels(picture.pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t p = picture.pixels[i];
        // Transparent pixels (the thumbnails' pure red) show the row's fill.
        pixels[i] = (p >> 24) == 0 ? background : (p & 0xFFFFFF);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (width == picture.width && height == picture.height) {
        SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                          static_cast<UINT>(picture.height), pixels.data(), &info, DIB_RGB_COLORS);
        return;
    }
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, x, y, width, height, 0, 0, picture.width, picture.height, pixels.data(),
                  &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

PreviewPicture::PreviewPicture(PreviewPicture&& other) noexcept {
    *this = std::move(other);
}

PreviewPicture& PreviewPicture::operator=(PreviewPicture&& other) noexcept {
    if (this != &other) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
        bitmap = std::move(other.bitmap);
        icon = std::exchange(other.icon, nullptr);
        width = other.width;
        height = other.height;
    }
    return *this;
}

PreviewPicture::~PreviewPicture() {
    if (icon != nullptr) {
        DestroyIcon(icon);
    }
}

PreviewPicture LoadPreviewPicture(const std::filesystem::path& file) {
    PreviewPicture picture;
    if (std::optional<Bitmap> decoded = DecodePreview(file)) {
        picture.width = decoded->width();
        picture.height = decoded->height();
        picture.bitmap = ToGdiBitmap(*decoded);
        return picture;
    }
    // An icon file: its largest picture.
    picture.icon = static_cast<HICON>(
        LoadImageW(nullptr, file.wstring().c_str(), IMAGE_ICON, 256, 256, LR_LOADFROMFILE));
    if (picture.icon == nullptr) {
        ThrowPreviewError(file, "the icon file cannot be read");
    }
    picture.width = picture.height = 256;
    return picture;
}

}  // namespace wylo::win
