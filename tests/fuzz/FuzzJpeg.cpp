// The JPEG decoder: any file gives a bitmap or an Error.

#include "base/Error.h"
#include "compose/Jpeg.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".jpg");
    try {
        const Bitmap bitmap = DecodeJpegFile(file);
        fuzz::Require(bitmap.width() > 0 && bitmap.height() > 0);
    } catch (const Error&) {
    }
    return 0;
}
