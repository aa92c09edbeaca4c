// The channel control file: any file loads or is refused with a reason, and
// every lookup answers without failing.

#include "channels/ControlFile.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".xml");
    ControlFile control;
    if (!control.Load(file)) {
        fuzz::Require(!control.LoadError().empty());
        fuzz::Require(control.ImageCount() == 0);
        return 0;
    }
    for (const char* name :
         {"title", "description", "subscription", "legal", "preview", "copyright", "news"}) {
        (void)control.ControlFileValue(name);
    }
    const int count = control.ImageCount();
    fuzz::Require(count >= 0);
    for (int i = -1; i <= count && i < 64; ++i) {
        for (const char* name : {"loc", "thumb", "title", "background", "font"}) {
            (void)control.ImageValue(name, i);
        }
    }
    return 0;
}
