#pragma once

#include <cstdint>
#include <filesystem>

#include <windows.h>

#include "base/Colour.h"

namespace wylo {
class Bitmap;
struct ThumbnailPicture;
}  // namespace wylo

namespace wylo::win {

// A GDI bitmap owned for its lifetime.
class GdiBitmap {
public:
    GdiBitmap() = default;
    explicit GdiBitmap(HBITMAP bitmap, int width, int height)
        : bitmap_(bitmap), width_(width), height_(height) {}
    ~GdiBitmap() { Reset(); }
    GdiBitmap(GdiBitmap&& other) noexcept { *this = std::move(other); }
    GdiBitmap& operator=(GdiBitmap&& other) noexcept;
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;

    HBITMAP get() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return bitmap_ == nullptr; }
    void Reset();

private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// A 24-bit bitmap of the core as a GDI bitmap.
GdiBitmap ToGdiBitmap(const Bitmap& bitmap);

// Paints a thumbnail at (x, y) in width x height pixels, its transparent
// pixels showing fill.
void DrawThumbnail(HDC dc, const ThumbnailPicture& picture, int x, int y, int width, int height,
                   COLORREF fill);

// A channel preview: a bitmap, or an icon for .ico files. Throws Error for a
// picture that cannot be shown.
struct PreviewPicture {
    GdiBitmap bitmap;
    HICON icon = nullptr;
    int width = 0;
    int height = 0;
    PreviewPicture() = default;
    PreviewPicture(PreviewPicture&& other) noexcept;
    PreviewPicture& operator=(PreviewPicture&& other) noexcept;
    ~PreviewPicture();
};
PreviewPicture LoadPreviewPicture(const std::filesystem::path& file);

}  // namespace wylo::win
