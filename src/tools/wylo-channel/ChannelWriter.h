#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/Colour.h"

namespace wylo::tool {

// What a channel is published from, and where.
struct ChannelOptions {
    std::filesystem::path photos;  // a folder of JPEG photographs (not searched below)
    std::filesystem::path out;     // the channel's folder; created when missing
    std::string id;                // the channel's identifier: a safe folder name
    std::string baseUrl;           // the address out is served at (http or https)
    std::string title;             // the id when empty
    std::string description;
    std::string copyright;
    std::string news;   // address of the channel's news page, or empty
    std::string legal;  // address of the channel's terms, or empty
    bool subscription = false;
};

struct PublishedImage {
    std::string source;    // the photo's file name in the photo folder
    std::string fileName;  // its name under images/ and thumbs/
    std::string title;
    std::string loc;
    std::string thumb;
    Colour background = kBlack;
    Colour font = kWhite;
};

struct PublishedChannel {
    std::filesystem::path controlFile;
    std::vector<PublishedImage> images;  // in the control file's order
    int skipped = 0;                     // files that were not readable photographs
};

// Publishes the photographs in options.photos, sorted by file name, as a
// channel in options.out: each photo copied to images/, a thumbnail about
// 120 pixels wide in thumbs/, a preview picture "preview.jpg" of the first
// few, and the control file "Channel.xml" listing them under baseUrl with
// titles from their file names and colours from their borders. A file that
// is not a readable JPEG is skipped with a warning. Progress goes to
// progress, one line per photo.
//
// Files whose content would not change are left untouched, so a web server
// keeps reporting their old modification time and Wylo does not fetch them
// again. Nothing is written outside options.out, and nothing is deleted.
// Throws Error, before writing anything, for a bad id or address, a missing
// photo folder, an out folder that is the photo folder (or holds it in its
// images or thumbs folders), and images or thumbs folders that are not real
// folders; and, after the photos, when none of them was readable.
PublishedChannel BuildChannel(const ChannelOptions& options, std::ostream& progress);

struct DirectoryOptions {
    std::filesystem::path root;  // the folder whose channel folders are listed
    std::string baseUrl;         // the address root is served at
    std::string news;            // the welcome page's address, or empty
};

struct PublishedDirectory {
    std::filesystem::path file;    // root/wylo/wylo.xml
    std::vector<std::string> ids;  // the channels listed, in order
};

// Writes root/wylo/wylo.xml, the channel directory, listing every folder
// directly under root that holds a Channel.xml, sorted by name: the folder's
// name is the channel's id, and its control file's address is under
// baseUrl. Folders whose names cannot be channel ids, and control files
// that do not load, are skipped with a warning. Throws Error for a bad
// address, a missing root, a "wylo" folder that is not a real folder, or
// when no channel is found.
PublishedDirectory BuildDirectory(const DirectoryOptions& options, std::ostream& progress);

}  // namespace wylo::tool
