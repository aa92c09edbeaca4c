#include "tools/wylo-channel/ChannelWriter.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <system_error>

#include <fmt/core.h>
#include <pugixml.hpp>

#include "base/Error.h"
#include "channels/ControlFile.h"
#include "channels/Download.h"
#include "compose/Jpeg.h"
#include "settings/AtomicFile.h"
#include "tools/wylo-channel/Command.h"
#include "tools/wylo-channel/JpegEncoder.h"
#include "tools/wylo-channel/PhotoPicture.h"
#include "tools/wylo-channel/PublishNames.h"

namespace wylo::tool {
namespace {

namespace fs = std::filesystem;

// Larger files are not photographs a desktop needs; they are skipped before
// they are read.
constexpr std::uintmax_t kMaxPhotoBytes = 256 * 1024 * 1024;
constexpr int kThumbnailQuality = 85;
constexpr int kPreviewQuality = 85;

// A path's text in UTF-8 whatever the system's own encoding of names.
std::string Utf8(const fs::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string PathText(const fs::path& path) {
    return Printable(Utf8(path));
}

std::string NameText(const fs::path& name) {
    return PathText(name);
}

void Warn(std::ostream& progress, const std::string& text) {
    progress << "warning: " << text << '\n';
}

// The whole file, or Error when it cannot be read.
std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error("Unable to read " + PathText(path));
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw Error("Unable to read " + PathText(path));
    }
    return bytes;
}

// True when path is a regular file holding exactly bytes.
bool Holds(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error || !fs::is_regular_file(status) || fs::file_size(path, error) != bytes.size() ||
        error) {
        return false;
    }
    try {
        return ReadWholeFile(path) == bytes;
    } catch (const Error&) {
        return false;
    }
}

// Writes bytes to path unless it already holds them; true when it wrote.
bool WriteIfChanged(const fs::path& path, const std::string& bytes) {
    if (Holds(path, bytes)) {
        return false;
    }
    WriteFileAtomically(path, bytes);
    return true;
}

// Makes folder when missing. A symbolic link or anything else in its place
// is refused: what is written there must stay inside the folder the user
// named.
void EnsureRealFolder(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (fs::is_symlink(status)) {
        throw Error(PathText(folder) + " is a symbolic link; refusing to write through it");
    }
    if (fs::exists(status)) {
        if (!fs::is_directory(status)) {
            throw Error(PathText(folder) + " exists and is not a folder");
        }
        return;
    }
    if (!fs::create_directory(folder, error) && error) {
        throw Error("Unable to create the folder " + PathText(folder) + ": " + error.message());
    }
}

void CheckRealFolderOrMissing(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (fs::is_symlink(status)) {
        throw Error(PathText(folder) + " is a symbolic link; refusing to write through it");
    }
    if (fs::exists(status) && !fs::is_directory(status)) {
        throw Error(PathText(folder) + " exists and is not a folder");
    }
}

// True when path is folder or lies inside it (both canonical).
bool IsWithin(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (p == path.end() || *p != *f) {
            return false;
        }
    }
    return true;
}

fs::path CanonicalFolder(const fs::path& folder, const std::string& role) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        throw Error(role + " " + PathText(folder) + " is not a folder");
    }
    fs::path canonical = fs::canonical(folder, error);
    if (error) {
        throw Error("Unable to open the folder " + PathText(folder) + ": " + error.message());
    }
    return canonical;
}

// The candidate photos: regular files directly in folder whose names do not
// start with ".", sorted by name. Anything else is reported and left out.
std::vector<fs::path> PhotoFiles(const fs::path& folder, std::ostream& progress) {
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        throw Error("Unable to list the folder " + PathText(folder) + ": " + error.message());
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        const fs::path name = it->path().filename();
        if (name.native().starts_with('.')) {
            continue;
        }
        std::error_code statusError;
        const fs::file_status status = it->status(statusError);
        if (fs::is_directory(status)) {
            Warn(progress, "skipped the folder " + NameText(name) + ": folders are not searched");
        } else if (!fs::is_regular_file(status)) {
            Warn(progress, "skipped " + NameText(name) + ": not a regular file");
        } else {
            files.push_back(name);
        }
    }
    if (error) {
        throw Error("Unable to list the folder " + PathText(folder) + ": " + error.message());
    }
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
    return files;
}

void AddText(pugi::xml_node parent, const char* name, const std::string& text) {
    parent.append_child(name).text().set(text.c_str());
}

std::string XmlText(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

pugi::xml_document NewDocument() {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    return doc;
}

std::string ControlFileText(const ChannelOptions& options, const std::string& base,
                            const std::vector<PublishedImage>& images) {
    pugi::xml_document doc = NewDocument();
    pugi::xml_node provider = doc.append_child("provider");
    AddText(provider, "title", CleanText(options.title.empty() ? options.id : options.title));
    if (!options.description.empty()) {
        AddText(provider, "description", CleanText(options.description, true));
    }
    AddText(provider, "subscription", options.subscription ? "1" : "0");
    if (!options.legal.empty()) {
        AddText(provider, "legal", options.legal);
    }
    AddText(provider, "preview", UrlUnder(base, "preview.jpg"));
    if (!options.copyright.empty()) {
        AddText(provider, "copyright", CleanText(options.copyright));
    }
    if (!options.news.empty()) {
        AddText(provider, "news", options.news);
    }
    pugi::xml_node list = provider.append_child("images");
    for (const PublishedImage& image : images) {
        pugi::xml_node entry = list.append_child("image");
        AddText(entry, "loc", image.loc);
        AddText(entry, "thumb", image.thumb);
        AddText(entry, "title", image.title);
        AddText(entry, "background", ColourText(image.background));
        AddText(entry, "font", ColourText(image.font));
    }
    return XmlText(doc);
}

}  // namespace

PublishedChannel BuildChannel(const ChannelOptions& options, std::ostream& progress) {
    if (!IsSafeName(options.id)) {
        throw Error("The channel id \"" + Printable(options.id) +
                    "\" cannot be used as a folder name");
    }
    const std::string base = BaseUrl(options.baseUrl, "--base-url");
    CheckPageUrl(options.news, "--news");
    CheckPageUrl(options.legal, "--legal");

    const fs::path photos = CanonicalFolder(options.photos, "The photo folder");
    std::error_code error;
    if (!fs::is_directory(options.out, error)) {
        if (fs::exists(fs::symlink_status(options.out, error))) {
            throw Error("The channel folder " + PathText(options.out) + " is not a folder");
        }
        fs::create_directories(options.out, error);
        if (error) {
            throw Error("Unable to create the folder " + PathText(options.out) + ": " +
                        error.message());
        }
    }
    const fs::path out = CanonicalFolder(options.out, "The channel folder");
    if (out == photos) {
        throw Error(
            "The channel folder must not be the photo folder: the published files would "
            "be read as photos the next time");
    }
    for (const char* sub : {"images", "thumbs"}) {
        if (IsWithin(photos, out / sub)) {
            throw Error("The photo folder must not lie in the channel's " + std::string(sub) +
                        " folder: the photos would be overwritten by their own copies");
        }
        CheckRealFolderOrMissing(out / sub);
    }
    if (Utf8(out.filename()) != options.id) {
        Warn(progress, "the channel folder is named " + NameText(out.filename()) +
                           ", but 'wylo-channel directory' lists channels under their folder "
                           "names, not under the id " +
                           Printable(options.id));
    }

    const std::vector<fs::path> files = PhotoFiles(photos, progress);
    PublishedChannel result;
    result.controlFile = out / "Channel.xml";
    std::set<std::string> taken;
    std::vector<Bitmap> previewPictures;
    int position = 0;
    for (const fs::path& name : files) {
        ++position;
        const fs::path source = photos / name;
        progress << fmt::format("[{}/{}] {}", position, files.size(), NameText(name)) << std::flush;
        const auto skip = [&](const std::string& why) {
            progress << '\n';
            Warn(progress, "skipped " + NameText(name) + ": " + why);
            ++result.skipped;
        };
        const std::uintmax_t size = fs::file_size(source, error);
        if (error) {
            skip("cannot read it: " + error.message());
            continue;
        }
        if (size > kMaxPhotoBytes) {
            skip("larger than " + std::to_string(kMaxPhotoBytes >> 20) + " MiB");
            continue;
        }
        Bitmap photo;
        std::string bytes;
        try {
            photo = DecodeJpegFile(source);
            bytes = ReadWholeFile(source);
        } catch (const Error& e) {
            skip(std::string("not a readable JPEG (") + e.what() + ")");
            continue;
        }

        PublishedImage image;
        image.source = Utf8(name);
        image.fileName = PublishedName(image.source, taken);
        image.title = TitleFromFileName(image.source);
        image.loc = UrlUnder(base, "images/" + image.fileName);
        image.thumb = UrlUnder(base, "thumbs/" + image.fileName);
        image.background = BorderColour(photo);
        image.font = ContrastingFont(image.background);

        EnsureRealFolder(out / "images");
        EnsureRealFolder(out / "thumbs");
        WriteIfChanged(out / "images" / image.fileName, bytes);
        const Bitmap thumbnail = MakeThumbnail(photo);
        WriteIfChanged(out / "thumbs" / image.fileName, EncodeJpeg(thumbnail, kThumbnailQuality));
        if (previewPictures.size() < static_cast<std::size_t>(kPreviewPhotos)) {
            previewPictures.push_back(ScaleToCover(photo, kPreviewSize.width, kPreviewSize.height));
        }
        progress << fmt::format(": {} x {}, images/{}, background {}, font {}\n", photo.width(),
                                photo.height(), Printable(image.fileName),
                                ColourText(image.background), ColourText(image.font));
        result.images.push_back(std::move(image));
    }

    if (result.images.empty()) {
        throw Error("No readable JPEG photograph in " + PathText(photos) +
                    "; no channel was written");
    }
    WriteIfChanged(out / "preview.jpg", EncodeJpeg(MakePreview(previewPictures), kPreviewQuality));
    WriteIfChanged(result.controlFile, ControlFileText(options, base, result.images));
    return result;
}

PublishedDirectory BuildDirectory(const DirectoryOptions& options, std::ostream& progress) {
    const std::string base = BaseUrl(options.baseUrl, "--base-url");
    CheckPageUrl(options.news, "--news");
    const fs::path root = CanonicalFolder(options.root, "The channel root");

    std::vector<fs::path> folders;
    std::error_code error;
    fs::directory_iterator it(root, error);
    if (error) {
        throw Error("Unable to list the folder " + PathText(root) + ": " + error.message());
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && fs::is_regular_file(it->path() / "Channel.xml", ignored)) {
            folders.push_back(it->path().filename());
        }
    }
    if (error) {
        throw Error("Unable to list the folder " + PathText(root) + ": " + error.message());
    }
    std::sort(folders.begin(), folders.end(),
              [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });

    PublishedDirectory result;
    pugi::xml_document doc = NewDocument();
    pugi::xml_node top = doc.append_child("wylo");
    pugi::xml_node properties = top.append_child("PROPERTIES");
    if (!options.news.empty()) {
        AddText(properties, "news", options.news);
    }
    pugi::xml_node providers = top.append_child("PROVIDERS");
    for (const fs::path& folder : folders) {
        const std::string id = Utf8(folder);
        if (!IsSafeName(id) || CleanText(id) != id) {
            Warn(progress, "skipped " + NameText(folder) + ": its name cannot be a channel id");
            continue;
        }
        ControlFile controlFile;
        if (!controlFile.Load(root / folder / "Channel.xml")) {
            Warn(progress, "skipped " + NameText(folder) + ": " + controlFile.LoadError());
            continue;
        }
        if (controlFile.ImageCount() == 0) {
            Warn(progress, "the channel " + NameText(folder) + " has no images");
        }
        const std::string url = UrlUnder(base, id + "/Channel.xml");
        pugi::xml_node entry = providers.append_child("provider");
        AddText(entry, "id", id);
        AddText(entry, "url", url);
        progress << fmt::format("{}: {} ({} images) at {}\n", Printable(id),
                                Printable(controlFile.channel().title), controlFile.ImageCount(),
                                url);
        result.ids.push_back(id);
    }
    if (result.ids.empty()) {
        throw Error("No channel folder with a readable Channel.xml under " + PathText(root) +
                    "; no directory was written");
    }
    EnsureRealFolder(root / "wylo");
    result.file = root / "wylo" / "wylo.xml";
    WriteIfChanged(result.file, XmlText(doc));
    return result;
}

}  // namespace wylo::tool
