#include "support/JpegWriter.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

namespace wylo::test {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

struct Encoder {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    Encoder() {
        info.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = OnError;
    }
    ~Encoder() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

// Adobe's inverted CMYK of one blue, green, red pixel: K' = max, inks scaled.
void BgrToInvertedCmyk(const std::uint8_t* bgr, std::uint8_t* out) {
    const unsigned r = bgr[2], g = bgr[1], b = bgr[0];
    const unsigned k = std::max({r, g, b});
    const auto ink = [k](unsigned v) {
        return static_cast<std::uint8_t>(k == 0 ? 255 : (v * 255 + k / 2) / k);
    };
    out[0] = ink(r);
    out[1] = ink(g);
    out[2] = ink(b);
    out[3] = static_cast<std::uint8_t>(k);
}

// One scan per spectral band of one coefficient and per bit of precision.
std::vector<jpeg_scan_info> ThousandsOfScans(int components) {
    std::vector<jpeg_scan_info> scans;
    for (int c = 0; c < components; ++c) {
        jpeg_scan_info dc{};
        dc.comps_in_scan = 1;
        dc.component_index[0] = c;
        scans.push_back(dc);
    }
    constexpr int kBits = 8;
    for (int c = 0; c < components; ++c) {
        for (int k = 1; k <= 63; ++k) {
            for (int bit = kBits; bit >= 0; --bit) {
                jpeg_scan_info ac{};
                ac.comps_in_scan = 1;
                ac.component_index[0] = c;
                ac.Ss = k;
                ac.Se = k;
                ac.Ah = bit == kBits ? 0 : bit + 1;
                ac.Al = bit;
                scans.push_back(ac);
            }
        }
    }
    return scans;
}

bool Compress(Encoder& e, const Bitmap& bitmap, const JpegOptions& options,
              const jpeg_scan_info* scans, int scanCount, std::uint8_t* cmykRow) {
    if (setjmp(e.errors.jump)) {
        return false;
    }
    jpeg_create_compress(&e.info);
    jpeg_mem_dest(&e.info, &e.buffer, &e.size);
    e.info.image_width = static_cast<JDIMENSION>(bitmap.width());
    e.info.image_height = static_cast<JDIMENSION>(bitmap.height());
    const bool cmyk = options.colour == JpegColour::AdobeCmyk || options.colour == JpegColour::Ycck;
    e.info.input_components = cmyk ? 4 : 3;
    e.info.in_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, options.quality, TRUE);
    if (options.colour == JpegColour::Greyscale) {
        jpeg_set_colorspace(&e.info, JCS_GRAYSCALE);
    } else if (options.colour == JpegColour::Ycck) {
        jpeg_set_colorspace(&e.info, JCS_YCCK);
    }
    if (options.progressive) {
        jpeg_simple_progression(&e.info);
    }
    if (scans) {
        e.info.scan_info = scans;
        e.info.num_scans = scanCount;
    }
    jpeg_start_compress(&e.info, TRUE);
    if (!options.app1.empty()) {
        jpeg_write_marker(&e.info, JPEG_APP0 + 1,
                          reinterpret_cast<const JOCTET*>(options.app1.data()),
                          static_cast<unsigned>(options.app1.size()));
    }
    while (e.info.next_scanline < e.info.image_height) {
        const auto y = static_cast<std::int32_t>(e.info.next_scanline);
        JSAMPROW row[1];
        if (cmyk) {
            for (std::int32_t x = 0; x < bitmap.width(); ++x) {
                BgrToInvertedCmyk(bitmap.Row(y) + x * 3, cmykRow + x * 4);
            }
            row[0] = cmykRow;
        } else {
            row[0] = const_cast<JSAMPROW>(bitmap.Row(y));
        }
        jpeg_write_scanlines(&e.info, row, 1);
    }
    jpeg_finish_compress(&e.info);
    return true;
}

}  // namespace

std::string EncodeJpeg(const Bitmap& bitmap, const JpegOptions& options) {
    if (bitmap.empty()) {
        throw std::runtime_error("cannot encode an empty bitmap");
    }
    std::vector<jpeg_scan_info> scans;
    if (options.thousandsOfScans) {
        scans = ThousandsOfScans(options.colour == JpegColour::Greyscale ? 1 : 3);
    }
    std::vector<std::uint8_t> cmykRow(static_cast<std::size_t>(bitmap.width()) * 4);
    Encoder encoder;
    if (!Compress(encoder, bitmap, options, scans.empty() ? nullptr : scans.data(),
                  static_cast<int>(scans.size()), cmykRow.data())) {
        throw std::runtime_error(std::string("JPEG compression failed: ") + encoder.errors.message);
    }
    return std::string(reinterpret_cast<const char*>(encoder.buffer), encoder.size);
}

void WriteJpeg(const std::filesystem::path& path, const Bitmap& bitmap,
               const JpegOptions& options) {
    const std::string bytes = EncodeJpeg(bitmap, options);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

Bitmap PhotoPattern(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    Bitmap bitmap(width, height);
    std::uint32_t state = seed * 2654435761u + 12345u;
    const double phase = (seed % 97) * 0.1;
    const double w = std::max(width, 1);
    const double h = std::max(height, 1);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.Row(y);
        const double fy = y / h;
        for (std::int32_t x = 0; x < width; ++x) {
            const double fx = x / w;
            // A sky-to-ground gradient with soft hills and ripples.
            const double hills = std::sin(fx * 9.0 + phase) * 0.08 + std::sin(fx * 23.0) * 0.03;
            const double ground = fy > 0.55 + hills ? 1.0 : 0.0;
            const double ripple = std::sin((fx + fy) * 40.0 + phase) * 12.0;
            // Fine foliage-like texture on the ground, as photographs have.
            const double texture = ground ? std::sin(x * 0.9 + std::sin(y * 0.7) * 3.0) *
                                                std::sin(y * 1.3 + x * 0.05) * 14.0
                                          : 0.0;
            state = state * 1664525u + 1013904223u;
            const double noise = static_cast<double>(state >> 28) - 7.5;  // -7.5 .. 7.5
            const double r = ground ? 90 + 60 * fx + ripple + texture : 120 + 100 * fy + 20 * fx;
            const double g = ground ? 110 + 50 * (1 - fy) + ripple + texture : 160 + 70 * fy;
            const double b = ground ? 50 + 30 * fx : 235 - 60 * fy + ripple * 0.5;
            const auto clamp = [noise](double v) {
                return static_cast<std::uint8_t>(std::clamp(v + noise, 0.0, 255.0));
            };
            row[x * 3 + 0] = clamp(b);
            row[x * 3 + 1] = clamp(g);
            row[x * 3 + 2] = clamp(r);
        }
    }
    return bitmap;
}

Bitmap QuadrantPattern(std::int32_t width, std::int32_t height) {
    return QuadrantPattern(width, height,
                           {MakeColour(255, 0, 0), MakeColour(0, 255, 0), MakeColour(0, 0, 255),
                            MakeColour(255, 255, 255)});
}

Bitmap QuadrantPattern(std::int32_t width, std::int32_t height, const Colour (&corners)[4]) {
    Bitmap bitmap(width, height);
    const std::int32_t midX = width / 2;
    const std::int32_t midY = height / 2;
    bitmap.Fill({0, 0, midX, midY}, corners[0]);
    bitmap.Fill({midX, 0, width, midY}, corners[1]);
    bitmap.Fill({0, midY, midX, height}, corners[2]);
    bitmap.Fill({midX, midY, width, height}, corners[3]);
    return bitmap;
}

}  // namespace wylo::test
