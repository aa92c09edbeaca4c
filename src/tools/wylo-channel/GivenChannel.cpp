#include "tools/wylo-channel/GivenChannel.h"

#include <filesystem>
#include <system_error>

#include "base/ChannelIndex.h"
#include "base/Error.h"
#include "base/PathText.h"
#include "base/WebAddress.h"
#include "channels/ChannelDirectory.h"
#include "channels/ChannelSession.h"
#include "channels/Feed.h"
#include "session/PhotoFolder.h"

namespace wylo::tool {

namespace fs = std::filesystem;

std::string GivenChannelProblem(const std::string& text) {
    if (IsFetchableUrl(text)) {
        return {};
    }
    if (text.empty()) {
        return "must be an http or https address or the path of a folder";
    }
    // Any other scheme, file:// included: only the web is fetched, and a
    // folder is given by its path.
    if (text.find("://") != std::string::npos || text.rfind("file:", 0) == 0) {
        return "only http and https addresses are read, not " + text;
    }
    const fs::path path = PathFromText(text);
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return {};
    }
    if (fs::exists(path, ec)) {
        return text + " is not a folder of photos";
    }
    return "there is no folder " + text;
}

OwnChannel FolderChannel(const std::string& path) {
    std::error_code ec;
    fs::path folder = fs::absolute(PathFromText(path), ec);
    if (ec) {
        folder = PathFromText(path);
    }
    return {OwnChannel::Kind::Folder, PathText(folder), FolderChannelTitle(folder)};
}

GivenAddress FetchGivenAddress(ChannelSession& session) {
    const std::string& url = session.directoryUrl();
    if (!session.FetchChannelDirectory()) {
        const std::string why = session.LastDownloadError();
        throw Error("cannot download the channel directory or channel at " + url +
                    (why.empty() ? std::string() : ": " + why));
    }
    const fs::path fetched = session.DirectoryPath();
    bool listsChannels = false;
    try {
        ChannelDirectory directory;
        directory.Open(fetched);
        listsChannels = directory.ListsChannels();
    } catch (const Error&) {
        // Not well-formed: the directory's reading reports it.
    }
    const ChannelDocumentKind kind = ChannelDocumentKindOfFile(fetched);
    if (listsChannels || kind == ChannelDocumentKind::Unknown) {
        return {};
    }
    // As when the user adds the address: its title comes once it is read.
    return {false,
            {OwnChannel::Kind::Address, url, ""},
            kind == ChannelDocumentKind::Feed ? "a photo feed" : "a control file"};
}

bool MakeOwnChannel(ChannelSession& session, const OwnChannel& own) {
    session.SetOwnChannels({own});
    session.SetFolderReader([](const OwnChannel& channel, const fs::path& cacheFolder) {
        return ReadFolderChannel(channel, cacheFolder);
    });
    return session.DownloadControlFile(kOwnChannelBase);
}

}  // namespace wylo::tool
