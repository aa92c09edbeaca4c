#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "base/Colour.h"
#include "base/Geometry.h"

namespace wylo {

// A 24-bit bitmap: blue, green, red per pixel, rows top-down, each row padded
// to a multiple of 4 bytes (the layout of a BMP file's rows).
class Bitmap {
public:
    Bitmap() = default;
    // Throws Error when the size is negative or too large to allocate safely.
    Bitmap(std::int32_t width, std::int32_t height);
    // A bitmap whose pixels are left as the memory had them, for a caller
    // that paints every pixel at once (a fill, a decoder); this saves
    // clearing many megabytes only to overwrite them. The padding at the end
    // of each row is cleared all the same, so a file written from the bitmap
    // never carries stale memory.
    static Bitmap Unpainted(std::int32_t width, std::int32_t height);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::size_t stride() const { return stride_; }
    bool empty() const { return width_ == 0 || height_ == 0; }

    std::uint8_t* Row(std::int32_t y) {
        return pixels_.data() + static_cast<std::size_t>(y) * stride_;
    }
    const std::uint8_t* Row(std::int32_t y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * stride_;
    }
    std::uint8_t* data() { return pixels_.data(); }
    const std::uint8_t* data() const { return pixels_.data(); }

    Colour Pixel(std::int32_t x, std::int32_t y) const;
    void SetPixel(std::int32_t x, std::int32_t y, Colour colour);

    // Paints rect (clipped to the bitmap) with colour.
    void Fill(const Rect& rect, Colour colour);
    void Fill(Colour colour) { Fill({0, 0, width_, height_}, colour); }

    // Copies the source rectangle of src pixel for pixel so that its top-left
    // lands on (x, y); whatever falls outside either bitmap is clipped. src may
    // be this bitmap, also with overlapping areas.
    void CopyFrom(const Bitmap& src, const Rect& source, std::int32_t x, std::int32_t y);

    // Draws all of src scaled into dest like StretchBlt in COLORONCOLOR mode:
    // every destination pixel takes the nearest source row and column, so whole
    // rows and columns are dropped or repeated and nothing is smoothed. dest
    // may lie partly outside the bitmap; that part is clipped.
    void StretchFrom(const Bitmap& src, const Rect& dest);

    // Bytes per row for a width: 3 per pixel, rounded up to 4.
    static std::size_t StrideFor(std::int32_t width);
    // The largest bitmap Wylo makes: a virtual desktop of 32768 x 16384.
    static constexpr std::int64_t kMaxPixels = 32768LL * 16384LL;

private:
    // Pixel memory: large blocks are asked for in huge pages where the
    // system offers them, which saves most of the page faults of touching
    // many fresh megabytes.
    static std::uint8_t* AllocatePixels(std::size_t bytes);
    static void FreePixels(std::uint8_t* pixels, std::size_t bytes) noexcept;

    // Makes the byte vector's growth leave bytes unset, like new[] does, and
    // takes its memory from AllocatePixels.
    template <typename T>
    struct UnsetAllocator : std::allocator<T> {
        static_assert(sizeof(T) == 1);
        using value_type = T;
        template <typename U>
        struct rebind {
            using other = UnsetAllocator<U>;
        };
        UnsetAllocator() = default;
        template <typename U>
        UnsetAllocator(const UnsetAllocator<U>&) {}
        T* allocate(std::size_t n) { return reinterpret_cast<T*>(AllocatePixels(n)); }
        void deallocate(T* p, std::size_t n) noexcept {
            FreePixels(reinterpret_cast<std::uint8_t*>(p), n);
        }
        friend bool operator==(const UnsetAllocator&, const UnsetAllocator&) { return true; }
        template <typename U>
        void construct(U* p) noexcept {
            ::new (static_cast<void*>(p)) U;
        }
        template <typename U, typename... Args>
        void construct(U* p, Args&&... args) {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    };

    Bitmap(std::int32_t width, std::int32_t height, bool clear);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>> pixels_;
};

}  // namespace wylo
