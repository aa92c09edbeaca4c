#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Choices.h"
#include "compose/BackgroundBmpWrites.h"
#include "compose/Bitmap.h"
#include "compose/DesktopCanvas.h"
#include "compose/Jpeg.h"
#include "platform/Platform.h"
#include "schedule/Rotation.h"

namespace wylo {

class ChannelSource;
class Feedback;
struct Settings;

// The one routine that makes a new wallpaper, with its steps: pick the image,
// prepare a bitmap per monitor as the multi-screen mode asks, compose them
// into one desktop bitmap, recolour the icon captions and hand it on. Every
// bitmap lives in a value, so an error anywhere (a file that cannot be
// written) releases them all on its way to the caller.
//
// A change never leaves the desktop worse than it was: a monitor whose
// picture cannot be had (not downloaded, not decoded) keeps the picture it
// showed, and a change that got no new picture at all hands on nothing.
class DesktopChange {
public:
    // Receives the composed desktop. The program's sink saves it as
    // desktop.bmp and installs it; a preview writes it elsewhere.
    using DesktopSink = std::function<void(const Bitmap& desktop)>;

    // Which image a change drew on which monitor.
    struct DrawnImage {
        std::int32_t monitor = 0;
        std::int32_t image = 0;
        friend bool operator==(const DrawnImage&, const DrawnImage&) = default;
    };

    // A monitor's picture that the change could not have, and why, in words
    // a user can read ("Could not download "Dunes" from Sands: ...").
    struct MissingImage {
        std::int32_t monitor = 0;
        std::int32_t image = 0;
        std::string reason;
    };

    // Everything passed in must outlive the object. The settings give the
    // current image (which a change advances), the multi-screen choice, the
    // colours and the order.
    DesktopChange(Platform& platform, Settings& settings, ChannelSource& channel,
                  Feedback& feedback, RandomEngine& random = ImageRandomEngine());

    void SetDesktopSink(DesktopSink sink) { sink_ = std::move(sink); }
    const DesktopSink& desktopSink() const { return sink_; }
    // The platform whose wallpaper the sink sets, told to get ready before
    // the first picture is decoded and to forget it when the change ends
    // without installing; by default the platform the change reads.
    void SetInstallingPlatform(Platform& platform) { installer_ = &platform; }
    // Pictures a change never draws (the user hid them): the rotation passes
    // over them, and one asked for by index is not had.
    void SetPassOver(std::function<bool(std::int32_t index)> passOver) {
        passOver_ = std::move(passOver);
    }
    // The size of image index's picture, upright, where it is known (from
    // the channel or the picture in the cache): the rotation gives each
    // monitor a picture of its own shape (portrait or landscape) and not
    // much smaller than the monitor, where the channel has such pictures.
    using PictureSizeOf = std::function<std::optional<Size>(std::int32_t index)>;
    void SetPictureSize(PictureSizeOf sizeOf) { sizeOf_ = std::move(sizeOf); }

    // A run of the channel's images that rotates on its own: in "Different
    // Image On Each Screen" a monitor may show a channel of its own, one part
    // of a combined source. Run 0 is the subscribed channel's; its image
    // shown last is the settings' current image.
    struct ImageRun {
        std::int32_t first = 0;
        std::int32_t count = 0;
        // The run's image shown last, counted from first (unused for run 0).
        std::int32_t current = -1;
        friend bool operator==(const ImageRun&, const ImageRun&) = default;
    };
    // In that mode monitor m shows run monitorRuns[m]; a monitor beyond
    // the list, or of a run that is not there, shows run 0. Without runs
    // every image of the channel is run 0's. Runs' current images move as
    // changes draw them.
    void SetImageRuns(std::vector<ImageRun> runs, std::vector<std::size_t> monitorRuns) {
        runs_ = std::move(runs);
        monitorRuns_ = std::move(monitorRuns);
    }
    const std::vector<ImageRun>& imageRuns() const { return runs_; }

    // Composes and hands on a new desktop for image index, or for the next
    // image by the rotation rule when index is -1. False when no picture
    // could be had: nothing was handed on and missingImages() says why.
    // Other errors (no monitor, a file that cannot be written) reach the
    // caller.
    bool ChangeDesktop(std::int32_t index);
    // Composes and hands on a desktop of images chosen beforehand (a
    // wallpaper put back from the history): each monitor shows the image
    // listed for it, a monitor not listed the first one. The current image,
    // and so the rotation, is left as it was. Returns and throws as
    // ChangeDesktop.
    bool ChangeDesktopTo(const std::vector<DrawnImage>& images);

    // The images the last change drew, in monitor order.
    const std::vector<DrawnImage>& drawnImages() const { return drawn_; }
    // The pictures the last change could not have, in monitor order; their
    // monitors kept what they showed.
    const std::vector<MissingImage>& missingImages() const { return missing_; }
    // The picture's name in messages: its title, else its file name, else
    // its place in the channel ("image 3").
    std::string ImageName(std::int32_t index) const;

    // The steps of a change, each on the monitor list read once for it.
    MultiScreen MultiScreenMode(const std::vector<Monitor>& monitors) const;
    // The monitor that single-screen mode shows an image on.
    std::int32_t SelectedSingleMonitor(const std::vector<Monitor>& monitors) const;
    // The virtual desktop's size; Error when the system reports no monitor.
    Size DesktopSize() const;
    std::optional<Bitmap> PreparePrimaryMonitor(const std::vector<Monitor>& monitors,
                                                std::int32_t index);
    // primary is the primary monitor's finished picture, when it has one.
    OtherMonitorList PrepareOtherMonitors(const std::vector<Monitor>& monitors,
                                          const Bitmap* primary);
    // Downloads image index, converts it to a BMP beside it and draws it into
    // bitmap as placement asks. An image already prepared in this change is
    // drawn again from its decoded bitmap, without another download or
    // conversion. False when no image could be had; the reason is kept for
    // missingImages().
    bool PrepareMonitorImage(Bitmap& bitmap, std::int32_t index, const ImagePlacement& placement);
    // Paints bitmap with the image's suggested background colour.
    void FillImageBackground(Bitmap& bitmap, std::int32_t index) const;
    void ApplyImageColours(std::int32_t index);
    // Advances the current image of run by the rotation rule and returns it:
    // the next one that suits monitor, when one does and a monitor is given.
    std::int32_t NextImageIndex(const Monitor* monitor = nullptr, std::size_t run = 0);
    // Whether image's picture suits monitor; one of unknown size does.
    bool Suits(std::int32_t image, const Monitor& monitor) const;

private:
    // Draws image index into the bitmap of monitors[monitor] as the mode
    // asks: the whole picture, or the monitor's part of one picture across
    // all monitors.
    bool DrawMonitorImage(Bitmap& bitmap, std::int32_t index, const std::vector<Monitor>& monitors,
                          std::size_t monitor);
    void RecordDrawn(std::int32_t monitor, std::int32_t image);
    // The current image could not be read: the rotation moves on to the
    // next readable one. False when there is none to try (or enough were).
    bool TakeNextReadable(const Monitor* monitor, std::size_t run);
    // The run that monitor shows in mode.
    std::size_t RunOf(std::int32_t monitor, MultiScreen mode) const;
    // Where run lies among the channel's images, and its image shown last,
    // counted from its first.
    struct RunRange {
        std::int32_t first = 0;
        std::int32_t count = 0;
    };
    RunRange RangeOf(std::size_t run) const;
    std::int32_t& CurrentOf(std::size_t run);
    void RecordMissing(std::int32_t monitor, std::int32_t image);
    // Pictures for the monitors whose own could not be had: what they showed
    // on the desktop before, else an image this change drew.
    void KeepMissingMonitors(const std::vector<Monitor>& monitors, Size desktop,
                             std::optional<Bitmap>& primary, OtherMonitorList& others);
    // The image chosen beforehand for monitor; only while plan_ is set.
    std::int32_t PlannedImage(std::int32_t monitor) const;
    // Where a picture drawn as it is decoded goes: with whole rows and
    // columns dropped, or smoothed.
    struct DrawTarget {
        Bitmap* bitmap;
        const ImagePlacement* placement;
        bool smooth = false;
    };
    // The image as this change decoded it, or nothing when it could not be
    // had. wanted: the size the picture is drawn at, from its full size (none:
    // in full); the picture may come decoded that much smaller. With target,
    // the picture may instead be drawn there as it is decoded (and converted
    // row by row when that is due), and then comes without a bitmap: always
    // with rows and columns dropped, when its conversion is due smoothed.
    const ReducedPicture* PreparedImage(std::int32_t index, const std::function<Size(Size)>& wanted,
                                        const DrawTarget* target = nullptr);
    // Draws image index into bitmap as placement asks; false when it could
    // not be had.
    bool DrawPrepared(Bitmap& bitmap, std::int32_t index, const ImagePlacement& placement);

    Platform& platform_;
    Platform* installer_ = &platform_;
    bool installerPrepared_ = false;
    Settings& settings_;
    ChannelSource& channel_;
    Feedback& feedback_;
    RandomEngine& random_;
    DesktopSink sink_;
    std::function<bool(std::int32_t index)> passOver_;
    PictureSizeOf sizeOf_;
    std::vector<ImageRun> runs_;
    std::vector<std::size_t> monitorRuns_;
    // The image the primary monitor shows in the running change.
    std::int32_t primaryImage_ = -1;
    std::vector<DrawnImage> drawn_;
    const std::vector<DrawnImage>* plan_ = nullptr;
    std::vector<MissingImage> missing_;
    // The image whose caption colours the change applies once it installs.
    std::optional<std::int32_t> colours_;
    // Images decoded during the running change, by index; nothing for one
    // that could not be had. Emptied when the change ends.
    struct PreparedPicture {
        std::filesystem::path file;
        ReducedPicture picture;
    };
    std::map<std::int32_t, std::optional<PreparedPicture>> prepared_;
    // Why an image of the running change could not be had, by index.
    std::map<std::int32_t, std::string> failures_;
    // Pictures of this change that were fetched but cannot be read (not a
    // JPEG after all): the rotation passes over them to the next one.
    std::set<std::int32_t> unreadable_;
    // Their BMP files, written while the monitors are drawn; finished before
    // anything is installed.
    BackgroundBmpWrites conversions_;
};

}  // namespace wylo
