#include "schedule/Rotation.h"

#include <array>

namespace wylo {

RandomEngine& ImageRandomEngine() {
    static RandomEngine engine = [] {
        std::random_device device;
        std::array<std::uint32_t, 8> words{};
        for (auto& word : words) {
            word = device();
        }
        std::seed_seq seed(words.begin(), words.end());
        return RandomEngine(seed);
    }();
    return engine;
}

std::int32_t NextImageIndex(std::int32_t currentImage, std::int32_t imageCount, bool randomOrder,
                            RandomEngine& engine) {
    if (!randomOrder) {
        const std::int64_t next = static_cast<std::int64_t>(currentImage) + 1;
        return next >= imageCount || next < 0 ? 0 : static_cast<std::int32_t>(next);
    }
    if (imageCount <= 1) {
        return 0;
    }
    if (currentImage < 0 || currentImage >= imageCount) {
        // Any index differs from the current one, so the first draw is taken.
        return std::uniform_int_distribution<std::int32_t>(0, imageCount - 1)(engine);
    }
    // Draw among the other indexes directly: the same odds as drawing again
    // until the index differs, without the loop.
    const std::int32_t r = std::uniform_int_distribution<std::int32_t>(0, imageCount - 2)(engine);
    return r >= currentImage ? r + 1 : r;
}

}  // namespace wylo
