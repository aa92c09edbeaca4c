#include "compose/PhotoPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/Error.h"

namespace wylo {
namespace {

// The band along the edges that BorderColour reads: a fiftieth of the
// shorter side, so a thin frame line does not decide alone, at least 1 pixel.
std::int32_t BorderBand(const Bitmap& photo) {
    return std::max<std::int32_t>(1, std::min(photo.width(), photo.height()) / 50);
}

// [first, last) of the source pixels that target pixel i of count covers in a
// source span of length span starting at start; never empty.
void Footprint(std::int32_t start, std::int32_t span, std::int32_t count, std::int32_t i,
               std::int32_t& first, std::int32_t& last) {
    first = start + static_cast<std::int32_t>(static_cast<std::int64_t>(i) * span / count);
    last = start + static_cast<std::int32_t>(static_cast<std::int64_t>(i + 1) * span / count);
    if (last <= first) {
        last = first + 1;
    }
}

double Linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Colour colour) {
    return 0.2126 * Linear(RedOf(colour)) + 0.7152 * Linear(GreenOf(colour)) +
           0.0722 * Linear(BlueOf(colour));
}

}  // namespace

Size ThumbnailSize(Size picture) {
    if (picture.width <= 0 || picture.height <= 0) {
        return {1, 1};
    }
    const std::int64_t w = picture.width;
    const std::int64_t h = picture.height;
    std::int64_t width = std::min<std::int64_t>(kThumbnailWidth, w);
    std::int64_t height = (h * width + w / 2) / w;
    if (height > kMaxThumbnailHeight) {
        height = kMaxThumbnailHeight;
        width = (w * height + h / 2) / h;
    }
    return {static_cast<std::int32_t>(std::max<std::int64_t>(1, width)),
            static_cast<std::int32_t>(std::max<std::int64_t>(1, height))};
}

Bitmap ScaleBox(const Bitmap& src, const Rect& source, std::int32_t width, std::int32_t height) {
    const Rect clipped{std::max(source.left, 0), std::max(source.top, 0),
                       std::min(source.right, src.width()), std::min(source.bottom, src.height())};
    if (clipped.Width() <= 0 || clipped.Height() <= 0 || width <= 0 || height <= 0) {
        throw Error("Cannot scale a picture without pixels");
    }
    Bitmap result(width, height);

    std::vector<std::int32_t> firstColumn(static_cast<std::size_t>(width));
    std::vector<std::int32_t> lastColumn(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x) {
        Footprint(clipped.left, clipped.Width(), width, x, firstColumn[x], lastColumn[x]);
    }
    // 64-bit sums: one target pixel may cover a whole 100-megapixel photo.
    std::vector<std::uint64_t> sums(static_cast<std::size_t>(width) * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        std::int32_t firstRow = 0;
        std::int32_t lastRow = 0;
        Footprint(clipped.top, clipped.Height(), height, y, firstRow, lastRow);
        std::fill(sums.begin(), sums.end(), 0);
        for (std::int32_t sy = firstRow; sy < lastRow; ++sy) {
            const std::uint8_t* row = src.Row(sy);
            for (std::int32_t x = 0; x < width; ++x) {
                std::uint64_t* sum = &sums[static_cast<std::size_t>(x) * 3];
                const std::uint8_t* p = row + static_cast<std::size_t>(firstColumn[x]) * 3;
                for (std::int32_t sx = firstColumn[x]; sx < lastColumn[x]; ++sx, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
        }
        std::uint8_t* out = result.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint64_t count = static_cast<std::uint64_t>(lastColumn[x] - firstColumn[x]) *
                                        static_cast<std::uint64_t>(lastRow - firstRow);
            for (int c = 0; c < 3; ++c) {
                out[x * 3 + c] = static_cast<std::uint8_t>(
                    (sums[static_cast<std::size_t>(x) * 3 + c] + count / 2) / count);
            }
        }
    }
    return result;
}

Bitmap ScaleBox(const Bitmap& src, std::int32_t width, std::int32_t height) {
    return ScaleBox(src, {0, 0, src.width(), src.height()}, width, height);
}

Bitmap ScaleToCover(const Bitmap& src, std::int32_t width, std::int32_t height) {
    if (src.empty() || width <= 0 || height <= 0) {
        throw Error("Cannot scale a picture without pixels");
    }
    const std::int64_t sw = src.width();
    const std::int64_t sh = src.height();
    std::int64_t cropWidth = sw;
    std::int64_t cropHeight = sh;
    if (sw * height > sh * width) {
        cropWidth = std::max<std::int64_t>(1, (sh * width + height / 2) / height);
    } else {
        cropHeight = std::max<std::int64_t>(1, (sw * height + width / 2) / width);
    }
    const auto left = static_cast<std::int32_t>((sw - cropWidth) / 2);
    const auto top = static_cast<std::int32_t>((sh - cropHeight) / 2);
    return ScaleBox(src,
                    {left, top, left + static_cast<std::int32_t>(cropWidth),
                     top + static_cast<std::int32_t>(cropHeight)},
                    width, height);
}

Bitmap MakeThumbnail(const Bitmap& photo) {
    const Size size = ThumbnailSize({photo.width(), photo.height()});
    return ScaleBox(photo, size.width, size.height);
}

Colour BorderColour(const Bitmap& photo) {
    if (photo.empty()) {
        return kBlack;
    }
    const std::int32_t band = BorderBand(photo);
    std::array<std::array<std::uint64_t, 256>, 3> histogram{};
    std::uint64_t total = 0;
    const auto count = [&](const std::uint8_t* p) {
        ++histogram[0][p[0]];
        ++histogram[1][p[1]];
        ++histogram[2][p[2]];
        ++total;
    };
    for (std::int32_t y = 0; y < photo.height(); ++y) {
        const std::uint8_t* row = photo.Row(y);
        if (y < band || y >= photo.height() - band) {
            for (std::int32_t x = 0; x < photo.width(); ++x) {
                count(row + static_cast<std::size_t>(x) * 3);
            }
            continue;
        }
        for (std::int32_t x = 0; x < photo.width(); ++x) {
            if (x == band && photo.width() - band > band) {
                x = photo.width() - band;  // skip the inside
            }
            count(row + static_cast<std::size_t>(x) * 3);
        }
    }
    std::array<std::uint8_t, 3> median{};  // blue, green, red
    for (int c = 0; c < 3; ++c) {
        std::uint64_t seen = 0;
        for (int value = 0; value < 256; ++value) {
            seen += histogram[c][value];
            if (seen * 2 >= total) {
                median[c] = static_cast<std::uint8_t>(value);
                break;
            }
        }
    }
    return MakeColour(median[2], median[1], median[0]);
}

Colour ContrastingFont(Colour background) {
    const double luminance = RelativeLuminance(background);
    const double againstWhite = 1.05 / (luminance + 0.05);
    const double againstBlack = (luminance + 0.05) / 0.05;
    return againstWhite >= againstBlack ? kWhite : kBlack;
}

std::string ColourText(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(colour), GreenOf(colour),
                  BlueOf(colour));
    return text;
}

}  // namespace wylo
