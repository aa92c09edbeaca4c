#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "channels/MadeChannel.h"
#include "channels/OwnChannels.h"

namespace wylo {

class ControlFile;

// A folder of photos on the computer as a channel: the JPEG files in it and
// its subfolders, read where they are. Only the channel's cache folder is
// written (a thumbnail per photo in its "thumbs" folder); the photos are never
// changed, moved or copied.

// How far a scan goes, so a folder that links back into itself or holds a
// whole archive cannot keep it busy without end.
inline constexpr int kMaxPhotoFolderDepth = 20;
inline constexpr int kMaxPhotoFolderPhotos = 20'000;

// Where a photo's thumbnail lies in the channel's cache: the "thumbs" folder,
// under the photo's cache name with the extension ".bmp".
std::filesystem::path PhotoThumbnailPath(const std::filesystem::path& cacheFolder,
                                         const std::string& file);

// Makes the thumbnail of the JPEG picture at picture, a 24-bit BMP at
// thumbnail, from one decoding at a reduced size. Throws Error when the
// picture cannot be read or the thumbnail written.
void MakePictureThumbnail(const std::filesystem::path& picture,
                          const std::filesystem::path& thumbnail);

struct PhotoFolderScan {
    ChannelDescription channel;
    // JPEG files left out because they do not decode.
    int undecodable = 0;
    // The scan stopped at kMaxPhotoFolderPhotos or skipped folders deeper
    // than kMaxPhotoFolderDepth.
    bool truncated = false;
    // cancelled said stop: channel is incomplete (while listing) or holds
    // photos not read yet.
    bool cancelled = false;
};

// The photos of folder, listed without reading any, in the order of their
// path in the folder regardless of case; hidden files and folders (their
// names begin with ".") are passed over. Each gets its title from its file
// name (a wallpaper package, "NAME/contents/images/WxH.jpg", gives its
// largest picture, titled from its metadata) and its cache name, stable from
// one scan to the next. A photo whose path, size and time are those previous
// has for it, and whose thumbnail is in the cache, keeps its size and
// colours; the others have no stamp yet. Cheap enough to show a large folder
// at once. cancelled is asked as the folder is walked.
PhotoFolderScan ListPhotoFolder(const std::filesystem::path& folder,
                                const std::filesystem::path& cacheFolder,
                                const ChannelDescription& previous,
                                const std::function<bool()>& cancelled = {});

// Reads the photos of scan that have no stamp, each decoded once at a reduced
// size: its size, the two colours from its border and its thumbnail. Photos
// that do not decode are left out and counted. Then drops the thumbnails of
// photos no longer listed. cancelled is asked between photos (the unread
// ones stay listed); progress is told (done, total) of the photos to read.
void ReadListedPhotos(PhotoFolderScan& scan, const std::filesystem::path& cacheFolder,
                      const std::function<bool()>& cancelled = {},
                      const std::function<void(int done, int total)>& progress = {});

// ListPhotoFolder, then ReadListedPhotos.
PhotoFolderScan ScanPhotoFolder(const std::filesystem::path& folder,
                                const std::filesystem::path& cacheFolder,
                                const ChannelDescription& previous,
                                const std::function<bool()>& cancelled = {},
                                const std::function<void(int done, int total)>& progress = {});

// A folder channel's photos as Wylo reads them at each visit: the folder
// channel.source names, scanned from what the channel's control file in
// cacheFolder held after the last reading (photos unchanged since are not
// read again), titled channel.title. enough is asked as the folder is walked
// and between photos: the photos not read by then stay listed, to be read
// at the next visit. Throws Error when the folder cannot be found or holds
// no JPEG photos.
ChannelDescription ReadFolderChannel(const OwnChannel& channel,
                                     const std::filesystem::path& cacheFolder,
                                     const std::function<bool()>& enough = {},
                                     const std::function<void(int done, int total)>& progress = {});

// The title a folder channel gets when the user adds it: the folder's name.
std::string FolderChannelTitle(const std::filesystem::path& folder);

// The title of the wallpaper package in folder (the Plasma layout): its
// metadata.json's KPlugin.Name or its metadata.desktop's Name, else the
// folder's name.
std::string WallpaperPackageTitle(const std::filesystem::path& folder);

}  // namespace wylo
