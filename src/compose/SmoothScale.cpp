#include "compose/SmoothScale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
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

struct SmoothedRows::Axes {
    std::vector<Taps> columns;
    std::vector<Taps> rows;
};

SmoothedRows::SmoothedRows(Bitmap& dst, Size source, const Rect& dest) : dst_(dst) {
    const std::int64_t dw = std::int64_t{dest.right} - dest.left;
    const std::int64_t dh = std::int64_t{dest.bottom} - dest.top;
    if (dw <= 0 || dh <= 0 || source.width <= 0 || source.height <= 0) {
        return;
    }
    x0_ = std::max<std::int64_t>(dest.left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(dest.right, dst.width());
    y0_ = std::max<std::int64_t>(dest.top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(dest.bottom, dst.height());
    if (x0_ >= x1 || y0_ >= y1) {
        return;
    }
    axes_ = std::make_unique<Axes>();
    axes_->columns = AxisTaps(source.width, dw, x0_ - dest.left, x1 - dest.left);
    axes_->rows = AxisTaps(source.height, dh, y0_ - dest.top, y1 - dest.top);
    // Each visible row is summed from source rows scaled across, kept only
    // while a later row still draws on them: the first source row a
    // destination row needs never goes back, so a ring as deep as the most
    // rows one destination row takes is enough (a 5120 x 2880 picture shrunk
    // to 1080 rows keeps four, not all 2880).
    for (const Taps& t : axes_->rows) {
        depth_ = std::max(depth_, t.weights.size());
    }
    width_ = static_cast<std::size_t>(x1 - x0_);
    ring_.resize(width_ * 3 * depth_);
    sum_.resize(width_ * 3);
}

SmoothedRows::~SmoothedRows() = default;

void SmoothedRows::Feed(std::int32_t first, std::int32_t count, const std::uint8_t* rows,
                        std::size_t stride) {
    if (!axes_) {
        return;
    }
    const std::vector<Taps>& wanted = axes_->rows;
    const std::int64_t from = wanted.front().first;
    for (std::int32_t k = 0; k < count && next_ < wanted.size(); ++k) {
        const std::int64_t sy = std::int64_t{first} + k;
        if (sy < from) {
            continue;  // above every visible row
        }
        const std::uint8_t* in = rows + static_cast<std::size_t>(k) * stride;
        float* out = RingRow(sy);
        for (std::size_t x = 0; x < width_; ++x) {
            const Taps& c = axes_->columns[x];
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
        // The destination rows whose source rows are all in.
        while (next_ < wanted.size() &&
               wanted[next_].first + static_cast<std::int64_t>(wanted[next_].weights.size()) <=
                   sy + 1) {
            EmitRow(next_);
            ++next_;
        }
    }
}

float* SmoothedRows::RingRow(std::int64_t sy) {
    return ring_.data() + static_cast<std::size_t>(sy) % depth_ * width_ * 3;
}

void SmoothedRows::EmitRow(std::size_t k) {
    const Taps& t = axes_->rows[k];
    std::fill(sum_.begin(), sum_.end(), 0.0f);
    for (std::size_t j = 0; j < t.weights.size(); ++j) {
        const float w = t.weights[j];
        const float* in = RingRow(t.first + static_cast<std::int64_t>(j));
        for (std::size_t i = 0; i < width_ * 3; ++i) {
            sum_[i] += w * in[i];
        }
    }
    std::uint8_t* out = dst_.Row(static_cast<std::int32_t>(y0_ + static_cast<std::int64_t>(k))) +
                        static_cast<std::size_t>(x0_) * 3;
    for (std::size_t i = 0; i < width_ * 3; ++i) {
        out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sum_[i]), 0L, 255L));
    }
}

void DrawSmoothScaled(Bitmap& dst, const Bitmap& src, const Rect& dest) {
    if (src.empty() || &src == &dst) {
        return;
    }
    SmoothedRows rows(dst, {src.width(), src.height()}, dest);
    rows.Feed(0, src.height(), src.Row(0), src.stride());
}

}  // namespace wylo
