#include "session/PhotoFolder.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>
#include <vector>

#include "base/Error.h"
#include "base/PathText.h"
#include "base/Utf8.h"
#include "channels/ChannelDirectory.h"
#include "channels/ControlFile.h"
#include "channels/Download.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "compose/PhotoPicture.h"

namespace wylo {
namespace fs = std::filesystem;

namespace {

// Metadata files are a few hundred bytes; more is not read.
constexpr std::size_t kMaxMetadataBytes = 64 * 1024;

bool IsJpegName(const fs::path& path) {
    const std::string extension = UpperAscii(PathText(path.extension()));
    return extension == ".JPG" || extension == ".JPEG";
}

// "mountain_lake-2" reads "mountain lake 2".
std::string TitleFromFileName(const fs::path& path) {
    std::string title;
    for (const char c : PathText(path.stem())) {
        const char shown = (c == '_' || c == '-') ? ' ' : c;
        if (shown == ' ' && (title.empty() || title.back() == ' ')) {
            continue;
        }
        title += shown;
    }
    while (!title.empty() && title.back() == ' ') {
        title.pop_back();
    }
    return title.empty() ? PathText(path.filename()) : title;
}

std::string ReadSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string text(kMaxMetadataBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// Just enough JSON to find a string member of an object, refusing anything
// malformed rather than guessing.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    // The string at path (member names from the outermost object in), or
    // nothing.
    std::optional<std::string> StringAt(const std::vector<std::string_view>& path) {
        pos_ = 0;
        for (const std::string_view key : path) {
            if (!FindMember(key)) {
                return std::nullopt;
            }
        }
        SkipSpace();
        if (pos_ >= text_.size() || text_[pos_] != '"') {
            return std::nullopt;
        }
        return ReadString();
    }

private:
    static constexpr int kMaxDepth = 64;

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }

    bool Expect(char c) {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::optional<std::uint32_t> ReadHex4() {
        if (pos_ + 4 > text_.size()) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        const auto [end, ec] =
            std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value, 16);
        if (ec != std::errc() || end != text_.data() + pos_ + 4) {
            return std::nullopt;
        }
        pos_ += 4;
        return value;
    }

    // At a '"': the string, its escapes undone.
    std::optional<std::string> ReadString() {
        ++pos_;
        std::string out;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                return std::nullopt;
            }
            const char e = text_[pos_++];
            switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    auto code = ReadHex4();
                    if (!code) {
                        return std::nullopt;
                    }
                    if (*code >= 0xD800 && *code < 0xDC00 && pos_ + 1 < text_.size() &&
                        text_[pos_] == '\\' && text_[pos_ + 1] == 'u') {
                        pos_ += 2;
                        const auto low = ReadHex4();
                        if (!low || *low < 0xDC00 || *low >= 0xE000) {
                            return std::nullopt;
                        }
                        *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
                    } else if (*code >= 0xD800 && *code < 0xE000) {
                        *code = 0xFFFD;
                    }
                    AppendUtf8(out, *code);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    bool SkipValue(int depth) {
        SkipSpace();
        if (pos_ >= text_.size() || depth > kMaxDepth) {
            return false;
        }
        const char c = text_[pos_];
        if (c == '"') {
            return ReadString().has_value();
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++pos_;
            if (Expect(close)) {
                return true;
            }
            do {
                if (c == '{') {
                    SkipSpace();
                    if (pos_ >= text_.size() || text_[pos_] != '"' || !ReadString() ||
                        !Expect(':')) {
                        return false;
                    }
                }
                if (!SkipValue(depth + 1)) {
                    return false;
                }
            } while (Expect(','));
            return Expect(close);
        }
        // Numbers and literals: a run of their characters.
        const std::size_t start = pos_;
        while (pos_ < text_.size() &&
               std::string_view("0123456789+-.eEtruefalsn").find(text_[pos_]) !=
                   std::string_view::npos) {
            ++pos_;
        }
        return pos_ > start;
    }

    // At an object: moves to the value of its member key.
    bool FindMember(std::string_view key) {
        if (!Expect('{')) {
            return false;
        }
        if (Expect('}')) {
            return false;
        }
        do {
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '"') {
                return false;
            }
            const auto name = ReadString();
            if (!name || !Expect(':')) {
                return false;
            }
            if (*name == key) {
                return true;
            }
            if (!SkipValue(1)) {
                return false;
            }
        } while (Expect(','));
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// The Name of the [Desktop Entry] group, unlocalised.
std::string DesktopEntryName(const std::string& text) {
    bool inEntry = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.starts_with("Name")) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ') {
            key.pop_back();
        }
        if (key != "Name") {
            continue;
        }
        std::size_t value = equals + 1;
        while (value < line.size() && line[value] == ' ') {
            ++value;
        }
        return line.substr(value);
    }
    return {};
}

// The pixels a Plasma picture's name promises: "1920x1080.jpg" gives
// 1920 * 1080; 0 for any other name.
std::int64_t NamedArea(const fs::path& path) {
    const std::string stem = PathText(path.stem());
    const std::size_t x = stem.find_first_of("xX");
    if (x == std::string::npos) {
        return 0;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    const char* begin = stem.data();
    const auto w = std::from_chars(begin, begin + x, width);
    const auto h = std::from_chars(begin + x + 1, begin + stem.size(), height);
    if (w.ec != std::errc() || w.ptr != begin + x || h.ec != std::errc() ||
        h.ptr != begin + stem.size() || width <= 0 || height <= 0 || width > 1'000'000 ||
        height > 1'000'000) {
        return 0;
    }
    return width * height;
}

struct FoundPhoto {
    fs::path path;
    std::string sortKey;  // the path in the folder, upper-case
    std::string relative;
    std::string title;
};

class FolderWalk {
public:
    explicit FolderWalk(const std::function<bool()>& cancelled) : cancelled_(cancelled) {}

    // The folder itself may be a single wallpaper package.
    void Start(const fs::path& folder) {
        if (IsWallpaperPackage(folder)) {
            AddPackage(folder, folder.filename());
        } else {
            Walk(folder, {}, 0);
        }
    }

    void Walk(const fs::path& dir, const fs::path& relative, int depth) {
        if (stopped_ || !Enter(dir)) {
            return;
        }
        std::error_code ec;
        fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
        std::vector<fs::path> entries;
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            entries.push_back(it->path());
        }
        // The same order every time, whatever the file system lists first.
        std::sort(entries.begin(), entries.end());
        for (const fs::path& entry : entries) {
            if (stopped_ || (cancelled_ && cancelled_())) {
                stopped_ = true;
                return;
            }
            const fs::path name = entry.filename();
            // Hidden files and folders: other programs' caches and thumbnails,
            // or photos the user chose to keep out of sight.
            if (PathText(name).starts_with('.')) {
                continue;
            }
            std::error_code statError;
            const fs::file_status status = fs::status(entry, statError);  // through links
            if (statError) {
                continue;
            }
            if (fs::is_directory(status)) {
                if (depth + 1 > kMaxPhotoFolderDepth) {
                    truncated = true;
                } else if (IsWallpaperPackage(entry)) {
                    AddPackage(entry, relative / name);
                } else {
                    Walk(entry, relative / name, depth + 1);
                }
            } else if (fs::is_regular_file(status) && IsJpegName(name)) {
                Add(entry, relative / name, TitleFromFileName(name));
            }
        }
    }

    std::vector<FoundPhoto> photos;
    bool truncated = false;

private:
    // False for a folder already walked (through another link, or a link
    // back up the tree).
    bool Enter(const fs::path& dir) {
        std::error_code ec;
        fs::path real = fs::canonical(dir, ec);
        if (ec) {
            // Loops are then cut off by the depth limit alone.
            real = fs::absolute(dir, ec).lexically_normal();
        }
        return visited_.insert(real).second;
    }

    static bool IsWallpaperPackage(const fs::path& dir) {
        std::error_code ec;
        return fs::is_directory(dir / "contents" / "images", ec) ||
               fs::is_directory(dir / "contents" / "images_dark", ec);
    }

    void Add(const fs::path& path, const fs::path& relative, std::string title) {
        if (photos.size() >= static_cast<std::size_t>(kMaxPhotoFolderPhotos)) {
            truncated = true;
            stopped_ = true;
            return;
        }
        std::string text = PathText(relative.generic_u8string());
        photos.push_back({path, UpperAscii(text), std::move(text), std::move(title)});
    }

    // The package's largest picture, light or dark.
    void AddPackage(const fs::path& dir, const fs::path& relative) {
        if (!Enter(dir)) {
            return;
        }
        std::optional<fs::path> best;
        std::int64_t bestArea = -1;
        std::uintmax_t bestBytes = 0;
        for (const char* images : {"images", "images_dark"}) {
            std::error_code ec;
            fs::directory_iterator it(dir / "contents" / images,
                                      fs::directory_options::skip_permission_denied, ec);
            std::vector<fs::path> files;
            for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
                files.push_back(it->path());
            }
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files) {
                std::error_code fileError;
                if (!IsJpegName(file) || !fs::is_regular_file(file, fileError)) {
                    continue;
                }
                const std::int64_t area = NamedArea(file);
                const std::uintmax_t bytes = fs::file_size(file, fileError);
                if (area > bestArea || (area == bestArea && !fileError && bytes > bestBytes)) {
                    best = file;
                    bestArea = area;
                    bestBytes = fileError ? 0 : bytes;
                }
            }
        }
        if (best) {
            Add(*best, relative, WallpaperPackageTitle(dir));
        }
    }

    const std::function<bool()>& cancelled_;
    std::set<fs::path> visited_;
    bool stopped_ = false;
};

std::string Stamp(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        return {};
    }
    const fs::file_time_type time = fs::last_write_time(path, ec);
    if (ec) {
        return {};
    }
    return std::to_string(size) + "-" + std::to_string(time.time_since_epoch().count());
}

// What the thumbnail and the border colour need: twice the thumbnail's size,
// so the box filter still has pixels to average, or the whole picture when it
// is that small already.
Size DecodeSizeFor(Size full) {
    const Size thumb = ThumbnailSize(full);
    return {std::min(full.width, thumb.width * 2), std::min(full.height, thumb.height * 2)};
}

}  // namespace

void MakePictureThumbnail(const fs::path& picture, const fs::path& thumbnail) {
    WriteBmpFile(thumbnail, MakeThumbnail(DecodeJpegFileCovering(picture, DecodeSizeFor).bitmap));
}

fs::path PhotoThumbnailPath(const fs::path& cacheFolder, const std::string& file) {
    return ReplaceExtension(cacheFolder / "thumbs" / PathFromText(file), ".bmp");
}

std::string WallpaperPackageTitle(const fs::path& folder) {
    const std::string json = ReadSmallFile(folder / "metadata.json");
    if (!json.empty()) {
        if (auto name = JsonReader(json).StringAt({"KPlugin", "Name"}); name && !name->empty()) {
            return *name;
        }
    }
    const std::string desktop = ReadSmallFile(folder / "metadata.desktop");
    if (std::string name = DesktopEntryName(desktop); !name.empty()) {
        return name;
    }
    return PathText(folder.filename());
}

PhotoFolderScan ListPhotoFolder(const fs::path& folder, const fs::path& cacheFolder,
                                const ChannelDescription& previous,
                                const std::function<bool()>& cancelled) {
    PhotoFolderScan scan;
    scan.channel.title =
        PathText(folder.filename().empty() ? folder.parent_path().filename() : folder.filename());
    scan.channel.description = PathText(folder);

    FolderWalk walk(cancelled);
    walk.Start(folder);
    if (cancelled && cancelled()) {
        scan.cancelled = true;
        return scan;
    }
    scan.truncated = walk.truncated;
    std::vector<FoundPhoto>& photos = walk.photos;
    std::sort(photos.begin(), photos.end(), [](const FoundPhoto& a, const FoundPhoto& b) {
        return a.sortKey != b.sortKey ? a.sortKey < b.sortKey : a.relative < b.relative;
    });

    // A photo keeps the cache name it had, so its conversion and its place in
    // the history stay its own when photos are added beside it.
    std::map<std::string, const ChannelPicture*> before;
    for (const ChannelPicture& image : previous.images) {
        before.emplace(PathText(image.path), &image);
    }
    std::set<std::string> taken;
    std::vector<std::string> names(photos.size());
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const auto it = before.find(PathText(photos[i].path));
        if (it != before.end() && IsSafeName(it->second->file) &&
            taken.insert(UpperAscii(it->second->file)).second) {
            names[i] = it->second->file;
        }
    }
    for (std::size_t i = 0; i < photos.size(); ++i) {
        if (names[i].empty()) {
            names[i] = UniqueCacheName(PathText(photos[i].path.filename()),
                                       PathText(photos[i].path), taken);
        }
    }

    for (std::size_t i = 0; i < photos.size(); ++i) {
        const FoundPhoto& photo = photos[i];
        ChannelPicture image;
        image.title = photo.title;
        image.path = photo.path;
        image.file = names[i];
        const auto it = before.find(PathText(photo.path));
        const ChannelPicture* old = it == before.end() ? nullptr : it->second;
        std::error_code ec;
        if (old && !old->stamp.empty() && old->stamp == Stamp(photo.path) &&
            old->file == image.file && old->width > 0 && old->height > 0 &&
            fs::is_regular_file(PhotoThumbnailPath(cacheFolder, image.file), ec)) {
            image.stamp = old->stamp;
            image.width = old->width;
            image.height = old->height;
            image.background = old->background;
            image.font = old->font;
        }
        scan.channel.images.push_back(std::move(image));
    }
    return scan;
}

void ReadListedPhotos(PhotoFolderScan& scan, const fs::path& cacheFolder,
                      const std::function<bool()>& cancelled,
                      const std::function<void(int, int)>& progress) {
    std::vector<ChannelPicture>& images = scan.channel.images;
    const int total = static_cast<int>(
        std::count_if(images.begin(), images.end(),
                      [](const ChannelPicture& image) { return image.stamp.empty(); }));
    int done = 0;
    std::error_code ec;
    if (total > 0) {
        fs::create_directories(cacheFolder / "thumbs", ec);
    }
    std::vector<ChannelPicture> kept;
    kept.reserve(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        ChannelPicture& image = images[i];
        if (!image.stamp.empty()) {
            kept.push_back(std::move(image));
            continue;
        }
        if (cancelled && cancelled()) {
            scan.cancelled = true;
            // The rest stay listed, to be read next time.
            std::move(images.begin() + static_cast<std::ptrdiff_t>(i), images.end(),
                      std::back_inserter(kept));
            images = std::move(kept);
            return;
        }
        // Taken before reading, so a photo changed meanwhile is read again
        // next time.
        const std::string stamp = Stamp(image.path);
        try {
            const ReducedPicture picture = DecodeJpegFileCovering(image.path, DecodeSizeFor);
            image.stamp = stamp;
            image.width = picture.fullSize.width;
            image.height = picture.fullSize.height;
            const Colour background = BorderColour(picture.bitmap);
            image.background = ColourText(background);
            image.font = ColourText(ContrastingFont(background));
            try {
                WriteBmpFile(PhotoThumbnailPath(cacheFolder, image.file),
                             MakeThumbnail(picture.bitmap));
            } catch (const Error&) {
                // The photo is still shown; its row waits for a thumbnail
                // until a scan can write one.
            }
            kept.push_back(std::move(image));
        } catch (const Error&) {
            ++scan.undecodable;
        }
        if (progress) {
            progress(++done, total);
        }
    }
    images = std::move(kept);

    // Thumbnails of photos no longer in the folder.
    std::set<fs::path> current;
    for (const ChannelPicture& image : images) {
        current.insert(PhotoThumbnailPath(cacheFolder, image.file));
    }
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(cacheFolder / "thumbs", ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (UpperAscii(PathText(it->path().extension())) == ".BMP" &&
            !current.contains(it->path())) {
            stale.push_back(it->path());
        }
    }
    for (const fs::path& file : stale) {
        fs::remove(file, ec);
    }
}

PhotoFolderScan ScanPhotoFolder(const fs::path& folder, const fs::path& cacheFolder,
                                const ChannelDescription& previous,
                                const std::function<bool()>& cancelled,
                                const std::function<void(int, int)>& progress) {
    PhotoFolderScan scan = ListPhotoFolder(folder, cacheFolder, previous, cancelled);
    if (!scan.cancelled) {
        ReadListedPhotos(scan, cacheFolder, cancelled, progress);
    }
    return scan;
}

ChannelDescription ReadFolderChannel(const OwnChannel& channel, const fs::path& cacheFolder,
                                     const std::function<bool()>& enough,
                                     const std::function<void(int, int)>& progress) {
    ChannelDescription previous;
    if (ControlFile before; before.Load(cacheFolder / "Channel.xml")) {
        previous = before.channel();
    }
    const fs::path folder = PathFromText(channel.source);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        throw Error("The folder " + channel.source + " cannot be found.");
    }
    PhotoFolderScan scan = ListPhotoFolder(folder, cacheFolder, previous, enough);
    if (scan.cancelled) {
        // A list cut short is no list: read as one, it would lose every
        // thumbnail the cache holds and say the folder has no photos.
        throw Error("The reading of the folder " + channel.source + " was cut short.");
    }
    ReadListedPhotos(scan, cacheFolder, enough, progress);
    if (scan.channel.images.empty()) {
        throw Error("The folder " + channel.source + " holds no JPEG photos.");
    }
    scan.channel.title = channel.title;
    return std::move(scan.channel);
}

std::string FolderChannelTitle(const fs::path& folder) {
    return PathText(folder.filename().empty() ? folder.parent_path().filename()
                                              : folder.filename());
}

}  // namespace wylo
