// The channel directory: any file opens or throws Error, and every lookup on
// what opened answers without failing.

#include "base/Error.h"
#include "channels/ChannelDirectory.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".xml");
    ChannelDirectory directory;
    try {
        directory.Open(file);
    } catch (const Error&) {
        return 0;
    }
    const int count = directory.ChannelCount();
    fuzz::Require(count >= 0);
    for (int i = 0; i < count && i < 64; ++i) {
        (void)directory.ChannelValue("id", i);
        (void)directory.ChannelValue("url", i);
    }
    (void)directory.DirectoryProperty("news");
    return 0;
}
