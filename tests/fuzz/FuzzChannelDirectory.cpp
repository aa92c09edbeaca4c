// The channel directory: any file opens or throws Error, and what opened
// holds together (every listed entry can be asked for, nothing past them).

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
    fuzz::Require(count == 0 || directory.ListsChannels());
    for (int i = 0; i < count && i < 64; ++i) {
        (void)directory.Channel(i);
    }
    bool refused = false;
    try {
        (void)directory.Channel(count);
    } catch (const Error&) {
        refused = true;
    }
    fuzz::Require(refused);
    return 0;
}
