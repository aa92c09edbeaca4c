#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "channels/ChannelDirectory.h"
#include "channels/ControlFile.h"
#include "channels/Download.h"
#include "channels/MadeChannel.h"
#include "channels/OwnChannels.h"

namespace wylo {

class Clock;
class HttpClient;

// Where the channel directory is published unless the settings file names
// another address.
inline constexpr std::string_view kDefaultChannelDirectoryUrl =
    "http://localhost:8086/wylo/wylo.xml";

// The largest files the cache takes of each kind, refused as soon as a
// transfer passes them: the directory and control files, the photographs,
// and the thumbnails and previews.
inline constexpr auto kMaxDocumentDownloadBytes =
    static_cast<std::int64_t>(kMaxChannelDocumentBytes);
inline constexpr std::int64_t kMaxImageDownloadBytes = std::int64_t{128} * 1024 * 1024;
inline constexpr std::int64_t kMaxThumbnailDownloadBytes = std::int64_t{8} * 1024 * 1024;

// The address to fetch the channel directory from: configured when it is an
// http or https address, the built-in one otherwise (missing or unusable).
std::string ChannelDirectoryUrl(const std::optional<std::string>& configured);

// The channel state the program works on: the loaded channel directory, the
// loaded control file, the identifier of the channel fetched last, and the
// cache under the application folder. Every file it writes lies under the
// application folder; identifiers and file names from the network that are
// not safe as one path element are never used in a path.
class ChannelSession {
public:
    // client and clock must outlive the session.
    ChannelSession(HttpClient& client, const Clock& clock, std::filesystem::path appFolder,
                   std::string directoryUrl);

    const std::filesystem::path& appFolder() const { return appFolder_; }
    const std::string& directoryUrl() const { return directoryUrl_; }
    // The local copy of the directory, whatever address it comes from.
    std::filesystem::path DirectoryPath() const { return appFolder_ / "wylo.xml"; }

    // The user's own channels, listed after the directory's at indexes
    // kOwnChannelBase and on.
    void SetOwnChannels(std::vector<OwnChannel> channels) { own_ = std::move(channels); }
    const std::vector<OwnChannel>& ownChannels() const { return own_; }
    // The own channel at index; null for the directory's channels and
    // indexes that name none.
    const OwnChannel* OwnChannelAt(int index) const;
    // The own channel whose cache folder is channelId; null when none is.
    const OwnChannel* OwnChannelWithId(std::string_view channelId) const;
    // True when index names a channel: of the open directory, or an own one.
    bool HasChannel(int index) const;
    // The channel's id (its cache folder's name); empty when index names none.
    std::string ChannelId(int index) const;
    // The index of a channel of the open directory by its id, or of an own
    // one by its address or folder (or its id); nothing when none is.
    std::optional<int> IndexOfChannel(std::string_view channel) const;

    // Reads an own folder channel's photos. Given by the program, which
    // decodes pictures; throws Error when the folder cannot be read.
    using FolderReader = std::function<ChannelDescription(
        const OwnChannel& channel, const std::filesystem::path& cacheFolder)>;
    void SetFolderReader(FolderReader reader) { folderReader_ = std::move(reader); }
    // Reads a fetched document that is no control file as a photo feed, from
    // the address it was fetched from; throws Error when it is none. Feeds
    // are read as RSS, Media RSS, Atom and image archives unless another
    // reader is given.
    using FeedReader = std::function<ChannelDescription(const std::filesystem::path& file,
                                                        std::string_view address)>;
    void SetFeedReader(FeedReader reader) { feedReader_ = std::move(reader); }

    ChannelDirectory& directory() { return directory_; }
    const ChannelDirectory& directory() const { return directory_; }
    ControlFile& controlFile() { return controlFile_; }
    const ControlFile& controlFile() const { return controlFile_; }

    // The identifier of the channel whose control file was fetched last; it
    // names the cache folder of previews, images and thumbnails.
    const std::string& selectedChannelId() const { return selectedChannelId_; }
    void setSelectedChannelId(std::string id) { selectedChannelId_ = std::move(id); }

    // Why the last fetch of the directory, a control file, an image, a
    // thumbnail or a preview failed or was refused, in words a user can read;
    // empty when it worked.
    const std::string& LastDownloadError() const { return downloadError_; }
    // The largest photograph a download may bring: a share of the cache's
    // limit, so that a single picture cannot push every other one out of the
    // cache. Never less than 1 MB, nor more than kMaxImageDownloadBytes.
    void SetLargestPicture(std::uint64_t bytes);

    // A pass over the channels, such as the start or a refresh: while one
    // lasts, the directory and each control file are checked over the network
    // at most once, and asking again gives the answer of that check. Outside
    // a pass every fetch asks the host.
    void BeginCheckPass();
    void EndCheckPass();

    // Fetches the directory into DirectoryPath(). True when a usable copy is
    // there afterwards (fresh, or cached and kept).
    bool FetchChannelDirectory();
    // Opens the local copy of the directory. False, changing nothing, when
    // there is none; throws Error when it is not well-formed (the directory
    // is closed then).
    bool OpenChannelDirectory();

    struct ChannelListEntry {
        std::string title;  // the channel's title from its control file
        int index = 0;      // its position in the directory
        friend bool operator==(const ChannelListEntry&, const ChannelListEntry&) = default;
    };
    // Fetches (or confirms) every channel's control file at once, loads them
    // in directory order and lists the channels for which both worked; the
    // others are left out. Afterwards the control file holds the last
    // channel loaded and the selection names the last channel fetched.
    // The own channels follow, listed by their titles without any fetch.
    std::vector<ChannelListEntry> BuildChannelList();
    // The own channels' entries alone, for when no directory could be had.
    std::vector<ChannelListEntry> OwnChannelList() const;
    // Why the first channel the last list left out was left out ("channel
    // alpha: The file is larger than 16 MB."); empty when none was.
    const std::string& ChannelListProblem() const { return listProblem_; }

    // Fetches (or confirms) every channel's control file at once, in one
    // batch, and tells for each channel, in directory order, how it went; a
    // channel whose identifier is unsafe as a folder name fails without a
    // request. Afterwards the selection names the last channel, as if each
    // had been fetched in turn with DownloadControlFile.
    std::vector<DownloadOutcome> DownloadControlFiles();

    // Fetches the control file of the channel at index (already resolved by
    // the caller) into its cache folder and makes that channel the selected
    // one. An identifier unsafe as a folder name clears the selection and
    // fails without any request. Throws Error when index is not in the
    // directory. An own channel's control file is made: from its feed,
    // fetched beside it, or from its folder's photos; a failure keeps the
    // one made before.
    bool DownloadControlFile(int index);
    // Loads the cached control file of the channel at index. False, with the
    // control file closed, for an index outside the directory, an unsafe
    // identifier, or a missing or malformed file.
    bool LoadControlFile(int index);

    // Fetches image index of the loaded control file into the images folder
    // of channelId and returns its path; empty when index is -1, the image
    // has no address, its file name or channelId is unsafe, or the download
    // fails.
    std::filesystem::path ImageFilePath(const std::string& channelId, int index);

    // The cache folder of a channel; empty for an unsafe identifier.
    std::filesystem::path CacheFolder(std::string_view channelId) const;
    // Where a channel's control file is kept; empty for an unsafe identifier.
    std::filesystem::path ControlFilePath(std::string_view channelId) const;

    // Where the thumbnail of image index of the selected channel is kept;
    // empty when it has no usable thumbnail address or no safe channel.
    std::filesystem::path ThumbnailPath(int index) const;
    // Fetches that thumbnail; its path, or empty when there is none or the
    // download fails.
    std::filesystem::path FetchThumbnail(int index);

    // Fetches (or confirms) at once the thumbnails of the images of the
    // loaded control file from first to before last (clipped to the file's
    // images); for every image of the file, the path of its thumbnail, or
    // empty when it has none, its download failed, or it lies outside the
    // range and the cache does not hold it.
    std::vector<std::filesystem::path> FetchThumbnails(int first, int last);

    // Where the selected channel's preview picture from url is kept: directly
    // in the channel's cache folder. Empty when url gives no safe file name
    // or one the cache uses itself.
    std::filesystem::path PreviewPath(std::string_view url) const;
    // Fetches the preview; its path, or empty when there is none or the
    // download fails.
    std::filesystem::path FetchPreview(const std::string& url);

private:
    bool MakeOwnControlFile(const OwnChannel& channel);
    // A photo of an own folder channel, when it is still in that folder.
    std::filesystem::path FolderPhoto(const OwnChannel& channel, int index);
    // Fetches url to path when path is not empty; path on success. An empty
    // path fails with refusal as the reason.
    std::filesystem::path Fetch(const std::string& url, const std::filesystem::path& path,
                                const std::string& refusal, std::int64_t maxBytes);
    bool Download(const std::string& url, const std::filesystem::path& path, std::int64_t maxBytes);
    // Fetches the directory or a control file, once per pass.
    bool DownloadDocument(const std::string& url, const std::filesystem::path& path);
    const DownloadOutcome* CheckedThisPass(const std::string& url,
                                           const std::filesystem::path& path) const;
    void RememberCheck(const std::string& url, const std::filesystem::path& path,
                       const DownloadOutcome& outcome);

    HttpClient& client_;
    const Clock& clock_;
    std::filesystem::path appFolder_;
    std::string directoryUrl_;
    ChannelDirectory directory_;
    ControlFile controlFile_;
    std::vector<OwnChannel> own_;
    FolderReader folderReader_;
    FeedReader feedReader_;
    std::string selectedChannelId_;
    std::string downloadError_;
    std::int64_t largestPicture_ = kMaxImageDownloadBytes;
    std::string listProblem_;
    // The documents checked in the pass that runs, by address and cache path.
    std::optional<std::map<std::pair<std::string, std::filesystem::path>, DownloadOutcome>>
        passChecks_;
};

}  // namespace wylo
