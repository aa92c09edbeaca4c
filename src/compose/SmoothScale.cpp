#include "compose/SmoothScale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace wylo {
namespace {

// The source pixels one destination pixel draws on, with their weights
// (which add up to 1).
struct Taps {
    std::int64_t first = 0;
    std::vector<float> weights;
};

// Taps for destination positions [from, to) of an axis scaled from
// sourceLength to destLength (both positive).
std::vector<Taps> AxisTaps(std::int64_t sourceLength, std::int64_t destLength, std::int64_t from,
                           std::int64_t to) {
    std::vector<Taps> taps(static_cast<std::size_t>(to - from));
    const double scale = static_cast<double>(sourceLength) / static_cast<double>(destLength);
    for (std::int64_t o = from; o < to; ++o) {
        Taps& t = taps[static_cast<std::size_t>(o - from)];
        if (destLength < sourceLength) {
            // Area average over the source span [begin, end) this pixel covers.
            const double begin = static_cast<double>(o) * scale;
            const double end = begin + scale;
            const auto first = static_cast<std::int64_t>(std::floor(begin));
            const auto last =
                std::min<std::int64_t>(static_cast<std::int64_t>(std::ceil(end)), sourceLength);
            t.first = first;
            for (std::int64_t s = first; s < last; ++s) {
                const double covered = std::min(end, static_cast<double>(s + 1)) -
                                       std::max(begin, static_cast<double>(s));
                t.weights.push_back(static_cast<float>(covered / scale));
            }
        } else {
            // Bilinear between the pixel centres either side, clamped at the edges.
            double s = (static_cast<double>(o) + 0.5) * scale - 0.5;
            s = std::clamp(s, 0.0, static_cast<double>(sourceLength - 1));
            const auto i = static_cast<std::int64_t>(std::floor(s));
            const double f = s - static_cast<double>(i);
            t.first = i;
            t.weights.push_back(static_cast<float>(1.0 - f));
            if (f > 0 && i + 1 < sourceLength) {
                t.weights.push_back(static_cast<float>(f));
            }
        }
    }
    return taps;
}

}  // namespace

void DrawSmoothScaled(Bitmap& dst, const Bitmap& src, const Rect& dest) {
    const std::int64_t dw = std::int64_t{dest.right} - dest.left;
    const std::int64_t dh = std::int64_t{dest.bottom} - dest.top;
    if (dw <= 0 || dh <= 0 || src.empty() || &src == &dst) {
        return;
    }
    const std::int64_t x0 = std::max<std::int64_t>(dest.left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(dest.right, dst.width());
    const std::int64_t y0 = std::max<std::int64_t>(dest.top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(dest.bottom, dst.height());
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    const std::vector<Taps> columns = AxisTaps(src.width(), dw, x0 - dest.left, x1 - dest.left);
    const std::vector<Taps> rows = AxisTaps(src.height(), dh, y0 - dest.top, y1 - dest.top);

    // Each visible row is summed from source rows scaled across, computed as
    // the rows come down and kept only while a later row still draws on
    // them: the first source row a destination row needs never goes back,
    // so a ring as deep as the most rows one destination row takes is
    // enough (a 5120 x 2880 picture shrunk to 1080 rows keeps four, not all
    // 2880).
    std::size_t depth = 1;
    for (const Taps& t : rows) {
        depth = std::max(depth, t.weights.size());
    }
    const auto width = static_cast<std::size_t>(x1 - x0);
    std::vector<float> ring(width * 3 * depth);
    const auto across = [&](std::int64_t sy) {
        return ring.data() + static_cast<std::size_t>(sy) % depth * width * 3;
    };
    std::int64_t scaledTo = rows.front().first;  // source rows before it are in the ring
    std::vector<float> sum(width * 3);
    for (std::int64_t y = y0; y < y1; ++y) {
        const Taps& t = rows[static_cast<std::size_t>(y - y0)];
        const std::int64_t needed = t.first + static_cast<std::int64_t>(t.weights.size());
        for (std::int64_t sy = std::max(scaledTo, t.first); sy < needed; ++sy) {
            const std::uint8_t* in = src.Row(static_cast<std::int32_t>(sy));
            float* out = across(sy);
            for (std::size_t x = 0; x < width; ++x) {
                const Taps& c = columns[x];
                float b = 0, g = 0, r = 0;
                const std::uint8_t* p = in + static_cast<std::size_t>(c.first) * 3;
                for (const float w : c.weights) {
                    b += w * p[0];
                    g += w * p[1];
                    r += w * p[2];
                    p += 3;
                }
                out[x * 3] = b;
                out[x * 3 + 1] = g;
                out[x * 3 + 2] = r;
            }
        }
        scaledTo = std::max(scaledTo, needed);

        std::fill(sum.begin(), sum.end(), 0.0f);
        for (std::size_t k = 0; k < t.weights.size(); ++k) {
            const float w = t.weights[k];
            const float* in = across(t.first + static_cast<std::int64_t>(k));
            for (std::size_t i = 0; i < width * 3; ++i) {
                sum[i] += w * in[i];
            }
        }
        std::uint8_t* out =
            dst.Row(static_cast<std::int32_t>(y)) + static_cast<std::size_t>(x0) * 3;
        for (std::size_t i = 0; i < width * 3; ++i) {
            out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[i]), 0L, 255L));
        }
    }
}

}  // namespace wylo
