#include "channels/ChannelSession.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "base/Error.h"
#include "base/PathText.h"
#include "base/WebAddress.h"
#include "channels/ChannelText.h"
#include "channels/Download.h"
#include "channels/Feed.h"
#include "channels/HttpClient.h"

namespace wylo {

namespace {

constexpr std::string_view kControlFileName = "Channel.xml";
// An own channel's feed (or another host's control file), as fetched.
constexpr std::string_view kSourceFileName = "Source.xml";

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes text to path unless the file holds it already, through a file
// beside it moved into place, so a reader never sees half of it. Throws
// Error when it cannot.
void WriteIfChanged(const std::filesystem::path& path, const std::string& text) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == text.size() && !ec && FileText(path) == text) {
        return;
    }
    std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, ec);
            throw Error("Unable to write to " + path.string());
        }
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        throw Error("Unable to write to " + path.string());
    }
}

// True when path lies inside folder, after following links.
bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, ec);
    const std::filesystem::path root = std::filesystem::weakly_canonical(folder, ec);
    if (ec || root.empty()) {
        return false;
    }
    const std::filesystem::path relative = real.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

// A file name inside the cache; empty when it cannot be used as one.
std::string SafeFileName(std::string_view url) {
    std::string name = FileNameFromUrl(url);
    return IsSafeName(name) ? name : std::string();
}

// Why a channel id is no folder name, as words after "is".
std::string IdProblem(std::string_view id) {
    const std::string why = UnsafeNameReason(id);
    return why.empty() ? std::string("not usable") : why;
}

// Why the file name taken from url cannot be used in the cache.
std::string NameRefusal(std::string_view url) {
    const std::string name = FileNameFromUrl(url);
    if (name.empty()) {
        return "The address " + ShortenedText(url, 100) + " names no file.";
    }
    const std::string why = UnsafeNameReason(name);
    if (why.empty()) {
        // Safe, but one of the cache's own names, or no channel to keep it.
        return "The file name \"" + name + "\" cannot be used in the channel's cache.";
    }
    return "The file name in " + ShortenedText(url, 100) + " is " + why + ".";
}

// Names the cache keeps beside a channel's preview. A preview with one of
// them would replace the control file or clash with a folder.
bool IsReservedInCacheFolder(std::string_view name) {
    const std::string upper = UpperAscii(name);
    return upper == UpperAscii(kControlFileName) || upper == "IMAGES" || upper == "THUMBS";
}

}  // namespace

std::string ChannelDirectoryUrl(const std::optional<std::string>& configured) {
    if (configured && IsFetchableUrl(*configured)) {
        return *configured;
    }
    return std::string(kDefaultChannelDirectoryUrl);
}

ChannelSession::ChannelSession(HttpClient& client, const Clock& clock,
                               std::filesystem::path appFolder, std::string directoryUrl)
    : client_(client),
      clock_(clock),
      appFolder_(std::move(appFolder)),
      directoryUrl_(std::move(directoryUrl)),
      feedReader_(ReadFeed) {}

void ChannelSession::BeginCheckPass() {
    passChecks_.emplace();
}

void ChannelSession::EndCheckPass() {
    passChecks_.reset();
}

const OwnChannel* ChannelSession::OwnChannelAt(int index) const {
    const long position = static_cast<long>(index) - kOwnChannelBase;
    return position >= 0 && position < static_cast<long>(own_.size())
               ? &own_[static_cast<std::size_t>(position)]
               : nullptr;
}

const OwnChannel* ChannelSession::OwnChannelWithId(std::string_view channelId) const {
    for (const OwnChannel& channel : own_) {
        if (channel.Id() == channelId) {
            return &channel;
        }
    }
    return nullptr;
}

bool ChannelSession::HasChannel(int index) const {
    return OwnChannelAt(index) || (index >= 0 && index < directory_.ChannelCount());
}

std::string ChannelSession::ChannelId(int index) const {
    if (const OwnChannel* own = OwnChannelAt(index)) {
        return own->Id();
    }
    return index >= 0 && index < directory_.ChannelCount() ? directory_.Channel(index).id
                                                           : std::string();
}

std::optional<int> ChannelSession::IndexOfChannel(std::string_view channel) const {
    if (channel.empty()) {
        return std::nullopt;
    }
    for (int i = 0; i < directory_.ChannelCount(); ++i) {
        if (directory_.Channel(i).id == channel) {
            return i;
        }
    }
    for (std::size_t k = 0; k < own_.size(); ++k) {
        if (own_[k].source == channel || own_[k].Id() == channel) {
            return kOwnChannelBase + static_cast<int>(k);
        }
    }
    return std::nullopt;
}

const DownloadOutcome* ChannelSession::CheckedThisPass(const std::string& url,
                                                       const std::filesystem::path& path) const {
    if (!passChecks_) {
        return nullptr;
    }
    const auto found = passChecks_->find({url, path});
    return found == passChecks_->end() ? nullptr : &found->second;
}

void ChannelSession::RememberCheck(const std::string& url, const std::filesystem::path& path,
                                   const DownloadOutcome& outcome) {
    if (passChecks_) {
        passChecks_->insert_or_assign({url, path}, outcome);
    }
}

bool ChannelSession::FetchChannelDirectory() {
    return DownloadDocument(directoryUrl_, DirectoryPath());
}

bool ChannelSession::DownloadDocument(const std::string& url, const std::filesystem::path& path) {
    if (const DownloadOutcome* checked = CheckedThisPass(url, path)) {
        downloadError_ = checked->reason;
        return checked->ok;
    }
    DownloadOutcome outcome =
        DownloadFileWithReason(client_, url, path, clock_, kMaxDocumentDownloadBytes);
    RememberCheck(url, path, outcome);
    downloadError_ = std::move(outcome.reason);
    return outcome.ok;
}

bool ChannelSession::Download(const std::string& url, const std::filesystem::path& path,
                              std::int64_t maxBytes) {
    DownloadOutcome outcome = DownloadFileWithReason(client_, url, path, clock_, maxBytes);
    downloadError_ = std::move(outcome.reason);
    return outcome.ok;
}

bool ChannelSession::OpenChannelDirectory() {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(DirectoryPath(), ec)) {
        return false;
    }
    directory_.Open(DirectoryPath());
    return true;
}

std::vector<DownloadOutcome> ChannelSession::DownloadControlFiles() {
    const int count = directory_.ChannelCount();
    std::vector<DownloadOutcome> outcomes(static_cast<std::size_t>(count));
    std::vector<DownloadRequest> files;
    std::vector<std::size_t> fetched;
    for (int i = 0; i < count; ++i) {
        const std::string id = directory_.Channel(i).id;
        const std::filesystem::path path = ControlFilePath(id);
        if (path.empty()) {
            outcomes[i] = {false, "The channel's id is " + IdProblem(id) + "."};
            continue;
        }
        std::string url = directory_.Channel(i).url;
        if (const DownloadOutcome* checked = CheckedThisPass(url, path)) {
            outcomes[static_cast<std::size_t>(i)] = *checked;
            continue;
        }
        files.push_back({std::move(url), path, kMaxDocumentDownloadBytes});
        fetched.push_back(static_cast<std::size_t>(i));
    }
    std::vector<DownloadOutcome> results = DownloadFiles(client_, files, clock_);
    for (std::size_t k = 0; k < fetched.size(); ++k) {
        RememberCheck(files[k].url, files[k].fileName, results[k]);
        outcomes[fetched[k]] = std::move(results[k]);
    }
    if (count > 0) {
        // The last channel is the one fetched last.
        const std::string id = directory_.Channel(count - 1).id;
        selectedChannelId_ = ControlFilePath(id).empty() ? std::string() : id;
        downloadError_ = outcomes.back().reason;
    }
    return outcomes;
}

std::vector<ChannelSession::ChannelListEntry> ChannelSession::BuildChannelList() {
    std::vector<ChannelListEntry> entries;
    const std::vector<DownloadOutcome> fetched = DownloadControlFiles();
    listProblem_.clear();
    for (int i = 0; i < directory_.ChannelCount(); ++i) {
        const DownloadOutcome& outcome = fetched[static_cast<std::size_t>(i)];
        if (outcome.ok && LoadControlFile(i)) {
            entries.push_back({ShownTitle(controlFile_.channel().title), i});
        } else if (listProblem_.empty()) {
            listProblem_ = "channel " + ShortenedText(directory_.Channel(i).id, 40) + ": " +
                           (outcome.ok ? controlFile_.LoadError() : outcome.reason);
        }
    }
    const std::vector<ChannelListEntry> own = OwnChannelList();
    entries.insert(entries.end(), own.begin(), own.end());
    return entries;
}

std::vector<ChannelSession::ChannelListEntry> ChannelSession::OwnChannelList() const {
    std::vector<ChannelListEntry> entries;
    for (std::size_t i = 0; i < own_.size(); ++i) {
        const OwnChannel& channel = own_[i];
        entries.push_back({ShownTitle(channel.title.empty() ? channel.source : channel.title),
                           kOwnChannelBase + static_cast<int>(i)});
    }
    return entries;
}

bool ChannelSession::DownloadControlFile(int index) {
    if (const OwnChannel* own = OwnChannelAt(index)) {
        selectedChannelId_ = own->Id();
        return MakeOwnControlFile(*own);
    }
    const std::string url = directory_.Channel(index).url;
    std::string id = directory_.Channel(index).id;
    const std::filesystem::path path = ControlFilePath(id);
    if (path.empty()) {
        selectedChannelId_.clear();
        downloadError_ = "The channel's id is " + IdProblem(id) + ".";
        return false;
    }
    selectedChannelId_ = std::move(id);
    return DownloadDocument(url, path);
}

bool ChannelSession::LoadControlFile(int index) {
    controlFile_.Close();
    if (!HasChannel(index)) {
        return false;
    }
    const std::filesystem::path path = ControlFilePath(ChannelId(index));
    return !path.empty() && controlFile_.Load(path);
}

bool ChannelSession::MakeOwnControlFile(const OwnChannel& channel) {
    const std::filesystem::path folder = CacheFolder(channel.Id());
    const std::filesystem::path made = folder / kControlFileName;
    std::error_code ec;
    const bool madeBefore = std::filesystem::is_regular_file(made, ec);
    try {
        if (channel.kind == OwnChannel::Kind::Address) {
            const std::filesystem::path source = folder / kSourceFileName;
            if (!DownloadDocument(channel.source, source)) {
                return madeBefore;
            }
            if (ChannelDocumentKindOfFile(source) == ChannelDocumentKind::ControlFile) {
                WriteIfChanged(made, FileText(source));
            } else if (!feedReader_) {
                throw Error("The address is not a channel Wylo can read.");
            } else {
                WriteIfChanged(made, MadeControlFileText(feedReader_(source, channel.source)));
            }
        } else {
            if (!folderReader_) {
                throw Error("Folders cannot be read here.");
            }
            WriteIfChanged(made, MadeControlFileText(folderReader_(channel, folder)));
        }
        downloadError_.clear();
        return true;
    } catch (const std::exception& e) {
        downloadError_ = e.what();
        return madeBefore;
    }
}

std::filesystem::path ChannelSession::FolderPhoto(const OwnChannel& channel, int index) {
    const std::filesystem::path& photo = controlFile_.Image(index).path;
    std::error_code ec;
    if (photo.empty() || !std::filesystem::is_regular_file(photo, ec)) {
        downloadError_ = "The photo is no longer in its folder.";
        return {};
    }
    const std::filesystem::path root = PathFromText(channel.source);
    if (!IsInside(photo, root)) {
        downloadError_ = "The photo is not in the channel's folder.";
        return {};
    }
    downloadError_.clear();
    return photo;
}

std::filesystem::path ChannelSession::ImageFilePath(const std::string& channelId, int index) {
    if (index == -1) {
        return {};
    }
    if (const OwnChannel* own = OwnChannelWithId(channelId);
        own && own->kind != OwnChannel::Kind::Address) {
        return FolderPhoto(*own, index);
    }
    const std::string loc = controlFile_.Image(index).loc;
    const std::filesystem::path folder = CacheFolder(channelId);
    if (loc.empty()) {
        downloadError_ = "The image has no address.";
        return {};
    }
    if (folder.empty()) {
        downloadError_ = "The channel's id is " + IdProblem(channelId) + ".";
        return {};
    }
    std::string name = PictureCacheName(controlFile_.Image(index));
    if (!IsSafeName(name)) {
        name.clear();
    }
    return Fetch(loc, name.empty() ? std::filesystem::path() : folder / "images" / name,
                 NameRefusal(loc), largestPicture_);
}

void ChannelSession::SetLargestPicture(std::uint64_t bytes) {
    largestPicture_ = static_cast<std::int64_t>(std::clamp<std::uint64_t>(
        bytes, std::uint64_t{1024} * 1024, static_cast<std::uint64_t>(kMaxImageDownloadBytes)));
}

std::filesystem::path ChannelSession::CacheFolder(std::string_view channelId) const {
    if (!IsSafeName(channelId)) {
        return {};
    }
    return appFolder_ / "cache" / std::string(channelId);
}

std::filesystem::path ChannelSession::ControlFilePath(std::string_view channelId) const {
    const std::filesystem::path folder = CacheFolder(channelId);
    return folder.empty() ? folder : folder / kControlFileName;
}

std::filesystem::path ChannelSession::ThumbnailPath(int index) const {
    const std::filesystem::path folder = CacheFolder(selectedChannelId_);
    if (folder.empty()) {
        return {};
    }
    const std::string thumb = controlFile_.Image(index).thumb;
    if (thumb.empty()) {
        // A thumbnail Wylo made itself from the picture, when it has.
        const std::string file = controlFile_.Image(index).file;
        if (!IsSafeName(file)) {
            return {};
        }
        return folder / "thumbs" / std::filesystem::path(file).replace_extension(".bmp");
    }
    const std::string name = SafeFileName(thumb);
    return name.empty() ? std::filesystem::path() : folder / "thumbs" / name;
}

std::filesystem::path ChannelSession::FetchThumbnail(int index) {
    const std::string url = controlFile_.Image(index).thumb;
    return Fetch(url, ThumbnailPath(index),
                 url.empty() ? "The image has no thumbnail address." : NameRefusal(url),
                 kMaxThumbnailDownloadBytes);
}

std::vector<std::filesystem::path> ChannelSession::FetchThumbnails(int first, int last) {
    const int count = controlFile_.ImageCount();
    std::vector<std::filesystem::path> paths(static_cast<std::size_t>(count));
    std::vector<DownloadRequest> files;
    std::vector<std::size_t> fetched;
    for (int i = 0; i < count; ++i) {
        std::filesystem::path path = ThumbnailPath(i);
        if (path.empty()) {
            continue;
        }
        if (i < first || i >= last || controlFile_.Image(i).thumb.empty()) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(path, ec)) {
                paths[static_cast<std::size_t>(i)] = std::move(path);
            }
            continue;
        }
        {
            files.push_back({controlFile_.Image(i).thumb, path, kMaxThumbnailDownloadBytes});
            fetched.push_back(static_cast<std::size_t>(i));
            paths[static_cast<std::size_t>(i)] = std::move(path);
        }
    }
    const std::vector<DownloadOutcome> results = DownloadFiles(client_, files, clock_);
    for (std::size_t k = 0; k < fetched.size(); ++k) {
        if (!results[k].ok) {
            paths[fetched[k]].clear();
        }
    }
    if (!results.empty()) {
        // As after fetching them one by one: the last one's reason.
        downloadError_ = results.back().reason;
    }
    return paths;
}

std::filesystem::path ChannelSession::PreviewPath(std::string_view url) const {
    const std::filesystem::path folder = CacheFolder(selectedChannelId_);
    const std::string name = SafeFileName(url);
    if (folder.empty() || name.empty() || IsReservedInCacheFolder(name)) {
        return {};
    }
    return folder / name;
}

std::filesystem::path ChannelSession::FetchPreview(const std::string& url) {
    return Fetch(url, PreviewPath(url), NameRefusal(url), kMaxThumbnailDownloadBytes);
}

std::filesystem::path ChannelSession::Fetch(const std::string& url,
                                            const std::filesystem::path& path,
                                            const std::string& refusal, std::int64_t maxBytes) {
    if (path.empty()) {
        downloadError_ = refusal;
        return {};
    }
    return Download(url, path, maxBytes) ? path : std::filesystem::path();
}

}  // namespace wylo
