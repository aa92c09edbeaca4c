// The channel control file: any file loads or is refused with a reason, and
// what it describes holds together: one entry per image, an empty entry off
// either end, sizes never negative.

#include "channels/ControlFile.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".xml");
    ControlFile control;
    if (!control.Load(file)) {
        fuzz::Require(!control.LoadError().empty());
        fuzz::Require(control.ImageCount() == 0);
        fuzz::Require(control.channel().title.empty());
        return 0;
    }
    const int count = control.ImageCount();
    fuzz::Require(count >= 0 && static_cast<std::size_t>(count) == control.channel().images.size());
    fuzz::Require(control.Image(-1).loc.empty() && control.Image(count).loc.empty());
    for (int i = 0; i < count && i < 64; ++i) {
        const ChannelPicture& picture = control.Image(i);
        fuzz::Require(picture.width >= 0 && picture.height >= 0);
    }
    return 0;
}
