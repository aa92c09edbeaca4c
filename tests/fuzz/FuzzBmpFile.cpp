// The BMP reader: any file gives a bitmap or an Error, and a bitmap it
// gives writes back and reads back the same.

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".bmp");
    try {
        const Bitmap bitmap = ReadBmpFile(file);
        if (bitmap.empty() ||
            bitmap.width() * static_cast<std::int64_t>(bitmap.height()) > 1 << 20) {
            return 0;
        }
        const std::filesystem::path copy = file.parent_path() / "copy.bmp";
        WriteBmpFile(copy, bitmap);
        const Bitmap back = ReadBmpFile(copy);
        fuzz::Require(back.width() == bitmap.width() && back.height() == bitmap.height());
        for (std::int32_t y = 0; y < bitmap.height(); ++y) {
            fuzz::Require(
                std::equal(bitmap.Row(y), bitmap.Row(y) + bitmap.width() * 3, back.Row(y)));
        }
    } catch (const Error&) {
    }
    return 0;
}
