#include "schedule/DesktopChange.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "base/Error.h"
#include "base/Feedback.h"
#include "compose/Jpeg.h"
#include "compose/Placement.h"
#include "desktop/IconColours.h"
#include "desktop/Wallpaper.h"
#include "schedule/ChannelSource.h"
#include "settings/Settings.h"

namespace wylo {
namespace {

bool FileExists(const std::filesystem::path& path) {
    std::error_code ignored;
    return !path.empty() && std::filesystem::exists(path, ignored);
}

// Painted all over with the image's background straight after.
Bitmap MonitorImage(const Monitor& monitor) {
    return Bitmap::Unpainted(monitor.bounds.Width(), monitor.bounds.Height());
}

}  // namespace

DesktopChange::DesktopChange(Platform& platform, Settings& settings, ChannelSource& channel,
                             Feedback& feedback, RandomEngine& random)
    : platform_(platform),
      settings_(settings),
      channel_(channel),
      feedback_(feedback),
      random_(random),
      sink_([&platform](const Bitmap& desktop) { SaveDesktop(platform, desktop); }) {}

void DesktopChange::ChangeDesktop(std::int32_t index) {
    drawn_.clear();
    // The decoded images live only as long as the change, also when it fails.
    struct ForgetPrepared {
        std::map<std::int32_t, std::optional<Bitmap>>& images;
        BackgroundBmpWrites& writes;
        Platform& installer;
        ~ForgetPrepared() {
            writes.Abandon();  // still reading the images
            images.clear();
            installer.ForgetPreparedWallpaper();  // nothing once installed
        }
    } forget{prepared_, conversions_, *installer_};
    prepared_.clear();
    installerPrepared_ = false;
    // One reading of the monitors for the whole change, so a monitor plugged
    // in or out half-way cannot leave the steps disagreeing.
    const std::vector<Monitor> monitors = platform_.Monitors();
    const Size desktop = DesktopSize();
    std::optional<Bitmap> primary = PreparePrimaryMonitor(monitors, index);
    std::optional<OtherMonitorList> others;
    if (monitors.size() > 1) {
        others = PrepareOtherMonitors(monitors, primary ? &*primary : nullptr);
    }
    std::optional<Bitmap> result;
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    if (monitors.size() == 1 && primary && p == 0 &&
        monitors[0].bounds == Rect{0, 0, desktop.width, desktop.height}) {
        // The one monitor's image covers the whole canvas: it is the desktop
        // as composing would make it, without painting and copying a canvas.
        result = std::move(primary);
    } else {
        std::vector<Rect> drawn;
        for (const DrawnImage& d : drawn_) {
            drawn.push_back(monitors[static_cast<std::size_t>(d.monitor)].bounds);
        }
        // Monitors side by side from the primary's corner cover the canvas
        // whole: its fill would never show.
        // The size read at the start: asking the system again costs a
        // round trip to the display on Linux.
        Bitmap canvas = TilesCanvas(desktop, drawn)
                            ? Bitmap::Unpainted(desktop.width, desktop.height)
                            : CreateDesktopCanvas(desktop, settings_.bgColour);
        result = ComposeDesktop(std::move(canvas), monitors, primary ? &*primary : nullptr,
                                others ? &*others : nullptr);
    }
    // A conversion that could not be written ends the change before it
    // installs anything, as if it had been written first.
    conversions_.Finish();
    if (result) {
        sink_(*result);
    }
}

void DesktopChange::ChangeDesktopTo(const std::vector<DrawnImage>& images) {
    if (images.empty()) {
        return;
    }
    // Restored on every way out, errors included.
    struct Restore {
        DesktopChange& change;
        std::int32_t currentImage;
        ~Restore() {
            change.plan_ = nullptr;
            change.settings_.currentImage = currentImage;
        }
    } restore{*this, settings_.currentImage};
    plan_ = &images;
    const std::vector<Monitor> monitors = platform_.Monitors();
    ChangeDesktop(PlannedImage(PrimaryMonitorIndex(monitors)));
}

std::int32_t DesktopChange::PlannedImage(std::int32_t monitor) const {
    for (const DrawnImage& d : *plan_) {
        if (d.monitor == monitor) {
            return d.image;
        }
    }
    return plan_->front().image;
}

MultiScreen DesktopChange::MultiScreenMode(const std::vector<Monitor>& monitors) const {
    return wylo::MultiScreenMode(monitors.size(), settings_.multiScreenOpt);
}

std::int32_t DesktopChange::SelectedSingleMonitor(const std::vector<Monitor>& monitors) const {
    // Without a valid choice, the first entry: the one the list starts with.
    const std::int32_t selected = settings_.activeSingleMonitor;
    if (selected < 0 || static_cast<std::size_t>(selected) >= monitors.size()) {
        return 0;
    }
    return selected;
}

Size DesktopChange::DesktopSize() const {
    const Size size = platform_.VirtualDesktopSize();
    if (size.width <= 0 || size.height <= 0) {
        throw Error("The system reports no monitor to put a wallpaper on");
    }
    return size;
}

std::optional<Bitmap> DesktopChange::PreparePrimaryMonitor(const std::vector<Monitor>& monitors,
                                                           std::int32_t index) {
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    if (p < 0) {
        return std::nullopt;
    }
    Bitmap bitmap = MonitorImage(monitors[static_cast<std::size_t>(p)]);
    settings_.currentImage = index != -1 ? index : NextImageIndex();
    ApplyImageColours(settings_.currentImage);
    FillImageBackground(bitmap, settings_.currentImage);
    if (MultiScreenMode(monitors) == MultiScreen::Single && SelectedSingleMonitor(monitors) != p) {
        return std::nullopt;
    }
    if (!PrepareMonitorImage(bitmap, settings_.currentImage,
                             settings_.PlacementFor(MultiScreenMode(monitors)))) {
        return std::nullopt;
    }
    RecordDrawn(p, settings_.currentImage);
    return bitmap;
}

OtherMonitorList DesktopChange::PrepareOtherMonitors(const std::vector<Monitor>& monitors,
                                                     const Bitmap* primary) {
    OtherMonitorList list;
    const MultiScreen mode = MultiScreenMode(monitors);
    const std::int32_t target = mode == MultiScreen::Single ? SelectedSingleMonitor(monitors) : -1;
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    // A monitor of the same size showing the same image as one finished
    // before gets the same pixels: they are copied instead of filled and
    // scaled again.
    const std::int32_t primaryImage = settings_.currentImage;
    std::vector<std::int32_t> listImages;
    for (std::size_t n = 0; n < monitors.size(); ++n) {
        const auto i = static_cast<std::int32_t>(n);
        if ((target != -1 && i != target) || i == p) {
            continue;
        }
        if (plan_) {
            settings_.currentImage = PlannedImage(i);
        } else if (mode == MultiScreen::Different) {
            settings_.currentImage = NextImageIndex();
        }
        const std::int32_t image = settings_.currentImage;
        const auto fits = [&monitors, n](const Bitmap& picture) {
            return picture.width() == monitors[n].bounds.Width() &&
                   picture.height() == monitors[n].bounds.Height();
        };
        const Bitmap* same =
            primary != nullptr && primaryImage == image && fits(*primary) ? primary : nullptr;
        for (std::size_t k = 0; k < list.size() && same == nullptr; ++k) {
            if (listImages[k] == image && fits(list[k].second)) {
                same = &list[k].second;
            }
        }
        std::optional<Bitmap> bitmap;
        if (same != nullptr) {
            feedback_.SetStatus("Positioning " + channel_.ImageValue("title", image));
            bitmap.emplace(*same);
        } else {
            bitmap.emplace(MonitorImage(monitors[n]));
            FillImageBackground(*bitmap, image);
            if (!PrepareMonitorImage(*bitmap, image, settings_.PlacementFor(mode))) {
                continue;
            }
        }
        RecordDrawn(i, image);
        list.emplace_back(std::to_string(i), std::move(*bitmap));
        listImages.push_back(image);
    }
    return list;
}

bool DesktopChange::PrepareMonitorImage(Bitmap& bitmap, std::int32_t index,
                                        const ImagePlacement& placement) {
    const Bitmap* image = PreparedImage(index);
    if (!image) {
        return false;
    }
    feedback_.SetStatus("Positioning " + channel_.ImageValue("title", index));
    PlaceImage(bitmap, *image, placement, settings_.smoothScaling);
    return true;
}

const Bitmap* DesktopChange::PreparedImage(std::int32_t index) {
    if (const auto found = prepared_.find(index); found != prepared_.end()) {
        return found->second ? &*found->second : nullptr;
    }
    std::optional<Bitmap>& slot = prepared_[index];
    const std::string title = channel_.ImageValue("title", index);
    feedback_.SetStatus("Downloading " + title);
    const std::filesystem::path path = channel_.ImageFilePath(index);
    if (!FileExists(path)) {
        if (const std::string why = channel_.LastDownloadError(); !why.empty()) {
            feedback_.SetStatus("Could not download " + title + ": " + why);
        }
        return nullptr;
    }
    feedback_.SetStatus("Converting " + title + " to BMP");
    if (!installerPrepared_) {
        // The installing side makes ready while this decodes (the X root's
        // pixmap).
        installerPrepared_ = true;
        installer_->PrepareWallpaper();
    }
    // Converted at every change, so a changed image never shows an old
    // conversion; drawn from the decoded picture, not from the file, while
    // the file is written.
    slot = DecodeJpegFile(path);
    conversions_.Start(ConvertedBmpPath(path), *slot);
    return &*slot;
}

void DesktopChange::FillImageBackground(Bitmap& bitmap, std::int32_t index) const {
    // The same element the caption colours read, so the fill follows the
    // channel's suggestion.
    std::string text = channel_.ImageValue("background", index);
    if (text.empty()) {
        text = "#000000";
    }
    bitmap.Fill(HexToColour(text));
}

void DesktopChange::ApplyImageColours(std::int32_t index) {
    wylo::ApplyImageColours(platform_, settings_, channel_.ImageValue("background", index),
                            channel_.ImageValue("font", index));
}

std::int32_t DesktopChange::NextImageIndex() {
    settings_.currentImage = wylo::NextImageIndex(settings_.currentImage, channel_.ImageCount(),
                                                  settings_.randomOrder, random_);
    return settings_.currentImage;
}

void DesktopChange::RecordDrawn(std::int32_t monitor, std::int32_t image) {
    const auto at = std::find_if(drawn_.begin(), drawn_.end(),
                                 [&](const DrawnImage& d) { return d.monitor > monitor; });
    drawn_.insert(at, DrawnImage{monitor, image});
}

}  // namespace wylo
