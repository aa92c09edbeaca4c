// Photo feeds: any file is read as a channel or refused with a reason, and
// what is read keeps the promises the rest of Wylo relies on.

#include <set>

#include "base/Error.h"
#include "base/WebAddress.h"
#include "channels/ChannelDirectory.h"
#include "channels/ChannelText.h"
#include "channels/Download.h"
#include "channels/Feed.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::filesystem::path file = fuzz::InputFile(data, size, ".xml");
    (void)ChannelDocumentKindOfFile(file);
    ChannelDescription channel;
    try {
        channel = ReadFeed(file, "http://feeds.example/photos/feed.xml");
    } catch (const Error& error) {
        fuzz::Require(*error.what() != '\0');
        return 0;
    }
    fuzz::Require(!channel.images.empty() && channel.images.size() <= kMaxFeedItems);
    fuzz::Require(channel.title.size() <= kMaxShownTitleBytes + 3);
    fuzz::Require(channel.description.size() <= kMaxShownDescriptionBytes + 3);
    fuzz::Require(channel.news.empty() || IsFetchableUrl(channel.news));
    std::set<std::string> names;
    for (const ChannelPicture& image : channel.images) {
        fuzz::Require(IsFetchableUrl(image.loc));
        fuzz::Require(image.thumb.empty() || IsFetchableUrl(image.thumb));
        fuzz::Require(IsSafeName(image.file));
        fuzz::Require(names.insert(UpperAscii(image.file)).second);
        fuzz::Require(image.title.size() <= kMaxShownTitleBytes + 3);
        fuzz::Require(image.width >= 0 && image.height >= 0);
    }
    return 0;
}
