#include "schedule/DesktopChange.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "base/Error.h"
#include "base/Feedback.h"
#include "compose/BmpFile.h"
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

Bitmap MonitorImage(const Monitor& monitor) {
    return Bitmap(monitor.bounds.Width(), monitor.bounds.Height());
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
    // One reading of the monitors for the whole change, so a monitor plugged
    // in or out half-way cannot leave the steps disagreeing.
    const std::vector<Monitor> monitors = platform_.Monitors();
    Bitmap canvas = CreateDesktopCanvas();
    std::optional<Bitmap> primary = PreparePrimaryMonitor(monitors, index);
    std::optional<OtherMonitorList> others;
    if (monitors.size() > 1) {
        others = PrepareOtherMonitors(monitors);
    }
    std::optional<Bitmap> result = ComposeDesktop(
        std::move(canvas), monitors, primary ? &*primary : nullptr, others ? &*others : nullptr);
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

Bitmap DesktopChange::CreateDesktopCanvas() const {
    const Size size = platform_.VirtualDesktopSize();
    if (size.width <= 0 || size.height <= 0) {
        throw Error("The system reports no monitor to put a wallpaper on");
    }
    return wylo::CreateDesktopCanvas(size, settings_.bgColour);
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
    if (!PrepareMonitorImage(bitmap, settings_.currentImage)) {
        return std::nullopt;
    }
    RecordDrawn(p, settings_.currentImage);
    return bitmap;
}

OtherMonitorList DesktopChange::PrepareOtherMonitors(const std::vector<Monitor>& monitors) {
    OtherMonitorList list;
    const MultiScreen mode = MultiScreenMode(monitors);
    const std::int32_t target = mode == MultiScreen::Single ? SelectedSingleMonitor(monitors) : -1;
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    for (std::size_t n = 0; n < monitors.size(); ++n) {
        const auto i = static_cast<std::int32_t>(n);
        if ((target != -1 && i != target) || i == p) {
            continue;
        }
        Bitmap bitmap = MonitorImage(monitors[n]);
        if (plan_) {
            settings_.currentImage = PlannedImage(i);
        } else if (mode == MultiScreen::Different) {
            settings_.currentImage = NextImageIndex();
        }
        FillImageBackground(bitmap, settings_.currentImage);
        if (PrepareMonitorImage(bitmap, settings_.currentImage)) {
            RecordDrawn(i, settings_.currentImage);
            list.emplace_back(std::to_string(i), std::move(bitmap));
        }
    }
    return list;
}

bool DesktopChange::PrepareMonitorImage(Bitmap& bitmap, std::int32_t index) {
    const std::string title = channel_.ImageValue("title", index);
    feedback_.SetStatus("Downloading " + title);
    std::filesystem::path path = channel_.ImageFilePath(index);
    if (!FileExists(path)) {
        if (const std::string why = channel_.LastDownloadError(); !why.empty()) {
            feedback_.SetStatus("Could not download " + title + ": " + why);
        }
        return false;
    }
    feedback_.SetStatus("Converting " + title + " to BMP");
    // Converted every time, so a changed image never shows an old conversion.
    path = ConvertToBmp(path);
    if (!FileExists(path)) {
        return false;
    }
    feedback_.SetStatus("Positioning " + title);
    const Bitmap image = ReadBmpFile(path);
    DrawFitted(bitmap, image);
    return true;
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
