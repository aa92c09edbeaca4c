#include "tools/wylo-channel/JpegEncoder.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstdlib>

#include "base/Error.h"

namespace wylo::tool {
namespace {

// libjpeg reports errors by calling error_exit, which must not return. It
// jumps back to the setjmp in Compress; C++ exceptions must not unwind
// through the library's C frames.
struct ErrorManager {
    jpeg_error_mgr pub;  // first, so the library's pointer converts back
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void OnOutput(j_common_ptr) {
    // Nothing goes to stderr; failures travel as exceptions.
}

// The compress object and the memory destination, released on every path.
struct Encoder {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    Encoder() {
        info.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = OnError;
        errors.pub.output_message = OnOutput;
    }
    ~Encoder() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

// Holds the setjmp; it keeps no local that needs a destructor, so jumping
// back into it skips nothing.
bool Compress(Encoder& e, const Bitmap& bitmap, int quality) {
    if (setjmp(e.errors.jump)) {
        return false;
    }
    jpeg_create_compress(&e.info);
    jpeg_mem_dest(&e.info, &e.buffer, &e.size);
    e.info.image_width = static_cast<JDIMENSION>(bitmap.width());
    e.info.image_height = static_cast<JDIMENSION>(bitmap.height());
    e.info.input_components = 3;
    // The bitmap's rows are blue, green, red: no copy needed.
    e.info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, quality, TRUE);
    e.info.optimize_coding = TRUE;
    jpeg_start_compress(&e.info, TRUE);
    while (e.info.next_scanline < e.info.image_height) {
        // The library only reads the rows it is given.
        JSAMPROW row =
            const_cast<JSAMPROW>(bitmap.Row(static_cast<std::int32_t>(e.info.next_scanline)));
        jpeg_write_scanlines(&e.info, &row, 1);
    }
    jpeg_finish_compress(&e.info);
    return true;
}

}  // namespace

std::string EncodeJpeg(const Bitmap& bitmap, int quality) {
    if (bitmap.empty()) {
        throw Error("Cannot write a JPEG picture without pixels");
    }
    if (quality < 1 || quality > 100) {
        throw Error("JPEG quality must lie between 1 and 100");
    }
    Encoder encoder;
    if (!Compress(encoder, bitmap, quality)) {
        throw Error(std::string("Unable to compress a JPEG picture: ") + encoder.errors.message);
    }
    return std::string(reinterpret_cast<const char*>(encoder.buffer), encoder.size);
}

}  // namespace wylo::tool
