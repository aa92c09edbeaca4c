#include "BenchCases.h"

#include "base/Feedback.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "compose/OrientedBitmap.h"
#include "compose/Placement.h"
#include "platform/fake/FakePlatform.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "settings/Settings.h"

namespace wylo::bench {

namespace {

// A channel whose every image is the photograph, already in the cache, so a
// change times the composition and not the network.
class PhotoChannel : public ChannelSource {
public:
    explicit PhotoChannel(const BenchPhoto& photo) : photo_(photo) {}
    std::string RefreshControlFile(std::int32_t) override { return {}; }
    std::int32_t ImageCount() const override { return 6; }
    ChannelPicture Image(std::int32_t) const override {
        ChannelPicture picture;
        picture.title = "Photo";
        picture.background = "#202830";
        return picture;
    }
    std::filesystem::path ImageFilePath(std::int32_t) override { return photo_.jpeg; }

private:
    const BenchPhoto& photo_;
};

// One whole desktop change on the monitors given, saved as desktop.bmp in
// the work folder and installed on a fake platform.
void ChangeDesktopOn(const BenchPhoto& photo, std::vector<Monitor> monitors,
                     MultiScreen multiScreenOpt) {
    FakePlatform platform(photo.work);
    platform.SetMonitors(std::move(monitors));
    Settings settings;
    settings.randomOrder = false;
    settings.multiScreenOpt = multiScreenOpt;
    PhotoChannel channel(photo);
    SilentFeedback feedback;
    DesktopChange change(platform, settings, channel, feedback);
    change.ChangeDesktop(-1);
}

}  // namespace

std::vector<BenchCase> BenchCases() {
    return {
        // The conversion a desktop change runs for every image.
        {"JpegFileToBmpFile",
         [](const BenchPhoto& p) { JpegFileToBmpFile(p.work / "wylo.bmp", p.jpeg); }},
        // Its parts, to see where the time goes.
        {"  DecodeJpegFile", [](const BenchPhoto& p) { DecodeJpegFile(p.jpeg); }},
        {"  WriteBmpFile",
         [](const BenchPhoto& p) { WriteBmpFile(p.work / "written.bmp", *p.decoded); }},
        {"  ReadBmpFile", [](const BenchPhoto& p) { ReadBmpFile(p.work / "wylo.bmp"); }},
        // A portrait from a phone, turned while it is decoded; and the turn
        // alone, on a decoded picture.
        {"DecodeJpegFile, Exif orientation 6",
         [](const BenchPhoto& p) { DecodeJpegFile(p.turned); }},
        {"  Oriented, a quarter turn",
         [](const BenchPhoto& p) { Oriented(*p.decoded, Orientation::Rotate90); }},
        {"  Oriented, a half turn",
         [](const BenchPhoto& p) { Oriented(*p.decoded, Orientation::Rotate180); }},
        // Loading the converted file and fitting it into a 1920 x 1080 monitor.
        {"ReadBmpFile + DrawFitted 1920x1080",
         [](const BenchPhoto& p) {
             Bitmap monitor(1920, 1080);
             DrawFitted(monitor, ReadBmpFile(p.work / "wylo.bmp"));
         }},
        // Whole changes: conversion, fitting, composition and desktop.bmp; each
        // monitor converts its image anew. 1920x1080; 2560x1440 with 1920x1080
        // left of it; three 1920x1080 in a row, the middle one primary.
        {"ChangeDesktop 1920x1080",
         [](const BenchPhoto& p) {
             ChangeDesktopOn(p, {{{0, 0, 1920, 1080}, true}}, MultiScreen::Same);
         }},
        {"ChangeDesktop 2 monitors, same",
         [](const BenchPhoto& p) {
             ChangeDesktopOn(p, {{{0, 0, 2560, 1440}, true}, {{-1920, 180, 0, 1260}, false}},
                             MultiScreen::Same);
         }},
        {"ChangeDesktop 3 monitors, different",
         [](const BenchPhoto& p) {
             ChangeDesktopOn(p,
                             {{{-1920, 0, 0, 1080}, false},
                              {{0, 0, 1920, 1080}, true},
                              {{1920, 0, 3840, 1080}, false}},
                             MultiScreen::Different);
         }},
    };
}

}  // namespace wylo::bench
