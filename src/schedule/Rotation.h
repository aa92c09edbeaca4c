#pragma once

#include <cstdint>
#include <random>

namespace wylo {

using RandomEngine = std::mt19937_64;

// The program's one generator for the random order, seeded once from the
// system's entropy source, so monitors prepared within the same second do not
// repeat one sequence.
RandomEngine& ImageRandomEngine();

// The image after currentImage among imageCount images. In sequence it is the
// next index, wrapping to 0 past the last one and for any index outside the
// list: an index below -1 (a hand-edited settings file) starts again at the
// first image rather than counting up through indexes that show nothing. At random it is drawn
// uniformly from the indexes other than currentImage; with no other index to draw (one image or
// none) it is 0.
std::int32_t NextImageIndex(std::int32_t currentImage, std::int32_t imageCount, bool randomOrder,
                            RandomEngine& engine);

}  // namespace wylo
