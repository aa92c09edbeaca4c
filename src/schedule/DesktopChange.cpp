#include "schedule/DesktopChange.h"

#include <algorithm>
#include <memory>
#include <string>
#include <system_error>

#include "base/Error.h"
#include "base/Feedback.h"
#include "channels/Download.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "compose/Placement.h"
#include "compose/SmoothScale.h"
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

bool DesktopChange::ChangeDesktop(std::int32_t index) {
    drawn_.clear();
    missing_.clear();
    colours_.reset();
    // The decoded images live only as long as the change, also when it fails.
    struct ForgetPrepared {
        std::map<std::int32_t, std::optional<PreparedPicture>>& images;
        std::map<std::int32_t, std::string>& failures;
        BackgroundBmpWrites& writes;
        Platform& installer;
        ~ForgetPrepared() {
            writes.Abandon();  // still reading the images
            images.clear();
            failures.clear();
            installer.ForgetPreparedWallpaper();  // nothing once installed
        }
    } forget{prepared_, failures_, conversions_, *installer_};
    prepared_.clear();
    failures_.clear();
    unreadable_.clear();
    primaryImage_ = -1;
    installerPrepared_ = false;
    // One reading of the monitors for the whole change, so a monitor plugged
    // in or out half-way cannot leave the steps disagreeing.
    const std::vector<Monitor> monitors = platform_.Monitors();
    const Size desktop = DesktopSize();
    std::optional<Bitmap> primary = PreparePrimaryMonitor(monitors, index);
    OtherMonitorList others;
    if (monitors.size() > 1) {
        others = PrepareOtherMonitors(monitors, primary ? &*primary : nullptr);
    }
    if (drawn_.empty() && !missing_.empty()) {
        // Not one new picture: the desktop keeps the wallpaper it has.
        return false;
    }
    KeepMissingMonitors(monitors, desktop, primary, others);
    std::optional<Bitmap> result;
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    if (monitors.size() == 1 && primary && p == 0 &&
        monitors[0].bounds == Rect{0, 0, desktop.width, desktop.height}) {
        // The one monitor's image covers the whole canvas: it is the desktop
        // as composing would make it, without painting and copying a canvas.
        result = std::move(primary);
    } else {
        std::vector<Rect> drawn;
        if (primary) {
            drawn.push_back(monitors[static_cast<std::size_t>(p)].bounds);
        }
        for (const auto& [key, picture] : others) {
            drawn.push_back(monitors[std::stoul(key)].bounds);
        }
        // Monitors side by side from the primary's corner cover the canvas
        // whole: its fill would never show.
        // The size read at the start: asking the system again costs a
        // round trip to the display on Linux.
        Bitmap canvas = TilesCanvas(desktop, drawn)
                            ? Bitmap::Unpainted(desktop.width, desktop.height)
                            : CreateDesktopCanvas(desktop, settings_.bgColour);
        result = ComposeDesktop(std::move(canvas), monitors, primary ? &*primary : nullptr,
                                others.empty() ? nullptr : &others);
    }
    // A conversion that could not be written ends the change before it
    // installs anything, as if it had been written first.
    conversions_.Finish();
    if (!result) {
        return false;
    }
    if (colours_) {
        // The captions suit the new picture only once it is there.
        ApplyImageColours(*colours_);
    }
    sink_(*result);
    return true;
}

void DesktopChange::KeepMissingMonitors(const std::vector<Monitor>& monitors, Size desktop,
                                        std::optional<Bitmap>& primary, OtherMonitorList& others) {
    if (missing_.empty()) {
        return;
    }
    std::optional<Bitmap> before;
    try {
        // The desktop as it was, when it was made for monitors of this size.
        Bitmap shown = ReadBmpFile(DesktopBitmapPath(platform_));
        if (shown.width() == desktop.width && shown.height() == desktop.height) {
            before = std::move(shown);
        }
    } catch (const std::exception&) {
        // None, or not readable: another picture of the change stands in.
    }
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    const MultiScreen mode = MultiScreenMode(monitors);
    for (const MissingImage& m : missing_) {
        const Monitor& monitor = monitors[static_cast<std::size_t>(m.monitor)];
        Bitmap picture;
        if (before) {
            picture = MonitorPictureOf(*before, monitor.bounds);
        } else {
            const std::int32_t stand = drawn_.front().image;
            picture = MonitorImage(monitor);
            FillImageBackground(picture, stand);
            DrawPrepared(picture, stand, settings_.PlacementFor(mode));
        }
        if (m.monitor == p) {
            primary = std::move(picture);
            // The captions stay with the picture they were made for.
            colours_.reset();
        } else {
            others.emplace_back(std::to_string(m.monitor), std::move(picture));
        }
    }
}

bool DesktopChange::ChangeDesktopTo(const std::vector<DrawnImage>& images) {
    if (images.empty()) {
        return false;
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
    return ChangeDesktop(PlannedImage(PrimaryMonitorIndex(monitors)));
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
    // The picture suits the monitor it is shown on: the primary, or the one
    // chosen for a single picture; one across all screens suits them all.
    const MultiScreen mode = MultiScreenMode(monitors);
    const Monitor* shownOn = nullptr;
    if (mode == MultiScreen::Single) {
        const std::int32_t single = SelectedSingleMonitor(monitors);
        shownOn = single >= 0 ? &monitors[static_cast<std::size_t>(single)] : nullptr;
    } else if (mode != MultiScreen::Span) {
        shownOn = &monitors[static_cast<std::size_t>(p)];
    }
    const std::size_t run = RunOf(p, mode);
    std::int32_t image = index;
    if (index != -1) {
        settings_.currentImage = index;
    } else {
        image = NextImageIndex(shownOn, run);
    }
    primaryImage_ = image;
    colours_ = image;
    FillImageBackground(bitmap, image);
    if (mode == MultiScreen::Single && SelectedSingleMonitor(monitors) != p) {
        return std::nullopt;
    }
    while (!DrawMonitorImage(bitmap, image, monitors, static_cast<std::size_t>(p))) {
        // A picture the rotation chose that turns out unreadable gives way
        // to the next one; a picked one is what the user asked for.
        if (index != -1 || !TakeNextReadable(shownOn, run)) {
            RecordMissing(p, image);
            return std::nullopt;
        }
        image = RangeOf(run).first + CurrentOf(run);
        primaryImage_ = image;
        colours_ = image;
        FillImageBackground(bitmap, image);
    }
    RecordDrawn(p, image);
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
    const std::int32_t primaryImage = primaryImage_;
    std::vector<std::int32_t> listImages;
    for (std::size_t n = 0; n < monitors.size(); ++n) {
        const auto i = static_cast<std::int32_t>(n);
        if ((target != -1 && i != target) || i == p) {
            continue;
        }
        const std::size_t run = RunOf(i, mode);
        std::int32_t image = settings_.currentImage;
        if (plan_) {
            image = PlannedImage(i);
        } else if (mode == MultiScreen::Different) {
            image = NextImageIndex(&monitors[n], run);
        }
        const auto fits = [&monitors, n](const Bitmap& picture) {
            return picture.width() == monitors[n].bounds.Width() &&
                   picture.height() == monitors[n].bounds.Height();
        };
        // Across all screens every monitor shows a part of its own.
        const bool span = mode == MultiScreen::Span;
        const Bitmap* same = !span && primary != nullptr && primaryImage == image && fits(*primary)
                                 ? primary
                                 : nullptr;
        for (std::size_t k = 0; k < list.size() && same == nullptr && !span; ++k) {
            if (listImages[k] == image && fits(list[k].second)) {
                same = &list[k].second;
            }
        }
        std::optional<Bitmap> bitmap;
        if (same != nullptr) {
            feedback_.SetStatus("Positioning " + ImageName(image));
            bitmap.emplace(*same);
        } else {
            bitmap.emplace(MonitorImage(monitors[n]));
            FillImageBackground(*bitmap, image);
            bool drawn = DrawMonitorImage(*bitmap, image, monitors, n);
            // Each monitor's own picture by the rotation gives way to the
            // next one when it cannot be read.
            while (!drawn && !plan_ && mode == MultiScreen::Different &&
                   TakeNextReadable(&monitors[n], run)) {
                image = RangeOf(run).first + CurrentOf(run);
                FillImageBackground(*bitmap, image);
                drawn = DrawMonitorImage(*bitmap, image, monitors, n);
            }
            if (!drawn) {
                RecordMissing(i, image);
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
    return DrawPrepared(bitmap, index, placement);
}

bool DesktopChange::DrawPrepared(Bitmap& bitmap, std::int32_t index,
                                 const ImagePlacement& placement) {
    // Smoothed pictures shown smaller than they are may be decoded smaller;
    // the others are drawn from every pixel.
    const bool reducible = settings_.smoothScaling && placement.mode != PlacementMode::Tile;
    const Size monitor{bitmap.width(), bitmap.height()};
    const auto wanted = [&](Size full) -> Size {
        if (!reducible) {
            return {};
        }
        const Rect drawn = PlacementRect(placement, full, monitor);
        return {drawn.right - drawn.left, drawn.bottom - drawn.top};
    };
    // A picture may be drawn as it is decoded, never whole in memory.
    const DrawTarget target{&bitmap, &placement, settings_.smoothScaling};
    const bool streamable = placement.mode != PlacementMode::Tile;
    const ReducedPicture* image = PreparedImage(index, wanted, streamable ? &target : nullptr);
    if (!image) {
        return false;
    }
    feedback_.SetStatus("Positioning " + ImageName(index));
    if (image->bitmap.empty()) {
        return true;  // drawn while it was decoded
    }
    if (image->bitmap.width() == image->fullSize.width &&
        image->bitmap.height() == image->fullSize.height) {
        PlaceImage(bitmap, image->bitmap, placement, settings_.smoothScaling);
    } else {
        PlaceReducedImage(bitmap, image->bitmap, image->fullSize, placement);
    }
    return true;
}

bool DesktopChange::DrawMonitorImage(Bitmap& bitmap, std::int32_t index,
                                     const std::vector<Monitor>& monitors, std::size_t monitor) {
    const MultiScreen mode = MultiScreenMode(monitors);
    if (mode != MultiScreen::Span) {
        return PrepareMonitorImage(bitmap, index, settings_.PlacementFor(mode));
    }
    // Drawn from the whole picture: each monitor shows its own part of it.
    const ReducedPicture* image = PreparedImage(index, {});
    if (!image) {
        return false;
    }
    feedback_.SetStatus("Positioning " + ImageName(index));
    // The picture sits in the monitors' bounding box; each monitor shows what
    // lies within its own edges.
    const Rect box = BoundingBox(monitors);
    const Rect& at = monitors[monitor].bounds;
    PlaceImageInArea(
        bitmap, image->bitmap, settings_.placementSpan, settings_.smoothScaling,
        {box.left - at.left, box.top - at.top, box.right - at.left, box.bottom - at.top});
    return true;
}

const ReducedPicture* DesktopChange::PreparedImage(std::int32_t index,
                                                   const std::function<Size(Size)>& wanted,
                                                   const DrawTarget* target) {
    const std::string name = ImageName(index);
    const std::string channel = channel_.ChannelNameOf(index);
    const std::string from =
        "\"" + name + "\"" + (channel.empty() ? "" : " from " + ShortenedText(channel, 60));
    if (const auto found = prepared_.find(index); found != prepared_.end()) {
        if (!found->second) {
            return nullptr;
        }
        // Drawn again, on another monitor: decoded again only when this
        // one needs more of it than was decoded.
        ReducedPicture& picture = found->second->picture;
        const Size full = picture.fullSize;
        const Size need = wanted ? wanted(full) : Size{};
        // A picture drawn as it was decoded was not kept.
        const bool enough =
            !picture.bitmap.empty() &&
            ((picture.bitmap.width() == full.width && picture.bitmap.height() == full.height) ||
             (need.width > 0 && need.height > 0 && picture.bitmap.width() >= need.width &&
              picture.bitmap.height() >= need.height));
        if (!enough) {
            try {
                picture = DecodeJpegFileCovering(found->second->file, wanted);
            } catch (const Error& e) {
                failures_[index] = "Could not read " + from + ": " + e.what();
                unreadable_.insert(index);
                found->second.reset();
                return nullptr;
            }
        }
        return &found->second->picture;
    }
    std::optional<PreparedPicture>& slot = prepared_[index];
    if (passOver_ && passOver_(index)) {
        failures_[index] = "You asked never to see " + from + " again.";
        feedback_.SetStatus(failures_[index]);
        return nullptr;
    }
    feedback_.SetStatus("Downloading " + name);
    const std::filesystem::path path = channel_.ImageFilePath(index);
    if (!FileExists(path)) {
        std::string why = channel_.LastDownloadError();
        if (channel_.Image(index).loc.empty()) {
            why = "the channel gives no address for it.";
        } else if (why.empty()) {
            why = "the picture could not be fetched.";
        }
        failures_[index] = "Could not download " + from + ": " + why;
        feedback_.SetStatus(failures_[index]);
        return nullptr;
    }
    // A photo read where it lies is converted into the cache, never beside it.
    const std::filesystem::path bmpPath = channel_.ConversionPath(index, path);
    feedback_.SetStatus("Converting " + name + " to BMP");
    if (!installerPrepared_) {
        // The installing side makes ready while this decodes (the X root's
        // pixmap).
        installerPrepared_ = true;
        installer_->PrepareWallpaper();
    }
    // Converted whenever the download is newer than its conversion, so a
    // changed image never shows an old one; drawn from the decoded picture,
    // not from the file, while the file is written. A picture whose
    // conversion is current needs only as many pixels as it is drawn with.
    bool convert = false;
    if (target) {
        // Drawn straight onto the monitor while decoding, and converted row
        // by row when the conversion is due: the whole picture is never in
        // memory. Smoothed, only a picture whose conversion is due: one that
        // is current is decoded as small as it is shown instead.
        std::optional<BmpRowsWriter> conversion;
        std::optional<Size> drawn;
        try {
            const auto sinkFor = [&](Size full) -> RowSink {
                const bool due = !ConversionIsCurrent(path, bmpPath, full);
                if (target->smooth && !due) {
                    return {};
                }
                if (due) {
                    conversion.emplace(bmpPath, full);
                }
                BmpRowsWriter* converting = conversion ? &*conversion : nullptr;
                const Size monitor{target->bitmap->width(), target->bitmap->height()};
                const Rect dest = PlacementRect(*target->placement, full, monitor);
                if (target->smooth) {
                    auto rows = std::make_shared<SmoothedRows>(*target->bitmap, full, dest);
                    return [rows, converting](std::int32_t first, std::int32_t count,
                                              const std::uint8_t* data, std::size_t stride) {
                        rows->Feed(first, count, data, stride);
                        converting->Write(first, count, data, stride);
                    };
                }
                auto rows = std::make_shared<StretchedRows>(*target->bitmap, full, dest);
                return [rows, converting](std::int32_t first, std::int32_t count,
                                          const std::uint8_t* data, std::size_t stride) {
                    rows->Draw(first, count, data, stride);
                    if (converting) {
                        converting->Write(first, count, data, stride);
                    }
                };
            };
            // Smoothing takes the rows from the first down.
            drawn = DecodeJpegFileRows(path, sinkFor,
                                       target->smooth ? RowOrder::TopDown : RowOrder::Any);
        } catch (const Error& e) {
            failures_[index] = "Could not read " + from + ": " + e.what();
            unreadable_.insert(index);
            feedback_.SetStatus(failures_[index]);
            return nullptr;
        }
        if (drawn) {
            if (conversion) {
                // A conversion that cannot be written ends the change, as
                // one written beside it does.
                conversion->Commit();
            } else {
                TouchConversionFile(bmpPath);
            }
            slot = PreparedPicture{path, ReducedPicture{Bitmap(), *drawn}};
            return &slot->picture;
        }
    }
    const auto covering = [&](Size full) -> Size {
        convert = !ConversionIsCurrent(path, bmpPath, full);
        return convert || !wanted ? Size{} : wanted(full);
    };
    try {
        slot = PreparedPicture{path, DecodeJpegFileCovering(path, covering)};
    } catch (const Error& e) {
        failures_[index] = "Could not read " + from + ": " + e.what();
        unreadable_.insert(index);
        feedback_.SetStatus(failures_[index]);
        return nullptr;
    }
    if (convert) {
        conversions_.Start(bmpPath, slot->picture.bitmap);
    } else {
        TouchConversionFile(bmpPath);
    }
    return &slot->picture;
}

std::string DesktopChange::ImageName(std::int32_t index) const {
    // Texts from the channel are cut, so a huge title cannot flood the
    // status line or a message.
    constexpr std::size_t kLongestName = 80;
    if (std::string title = channel_.Image(index).title; !title.empty()) {
        return ShortenedText(title, kLongestName);
    }
    if (std::string file = FileNameFromUrl(channel_.Image(index).loc); !file.empty()) {
        return ShortenedText(file, kLongestName);
    }
    return "image " + std::to_string(index + 1);
}

void DesktopChange::FillImageBackground(Bitmap& bitmap, std::int32_t index) const {
    // The same element the caption colours read, so the fill follows the
    // channel's suggestion.
    std::string text = channel_.Image(index).background;
    if (text.empty()) {
        text = "#000000";
    }
    bitmap.Fill(HexToColour(text));
}

void DesktopChange::ApplyImageColours(std::int32_t index) {
    const ChannelPicture picture = channel_.Image(index);
    wylo::ApplyImageColours(platform_, settings_, picture.background, picture.font);
}

std::size_t DesktopChange::RunOf(std::int32_t monitor, MultiScreen mode) const {
    if (mode != MultiScreen::Different || plan_ || monitor < 0 ||
        static_cast<std::size_t>(monitor) >= monitorRuns_.size()) {
        return 0;
    }
    const std::size_t run = monitorRuns_[static_cast<std::size_t>(monitor)];
    return run < runs_.size() ? run : 0;
}

DesktopChange::RunRange DesktopChange::RangeOf(std::size_t run) const {
    if (runs_.empty()) {
        return {0, channel_.ImageCount()};
    }
    return {runs_[run].first, runs_[run].count};
}

std::int32_t& DesktopChange::CurrentOf(std::size_t run) {
    return run == 0 ? settings_.currentImage : runs_[run].current;
}

std::int32_t DesktopChange::NextImageIndex(const Monitor* monitor, std::size_t run) {
    if (run >= std::max<std::size_t>(runs_.size(), 1)) {
        run = 0;
    }
    // Named apart: a structured binding is not captured by every compiler
    // this builds with (clang 14).
    const RunRange range = RangeOf(run);
    const std::int32_t first = range.first;
    const std::int32_t count = range.count;
    std::int32_t& current = CurrentOf(run);
    current = wylo::NextImageIndex(current, count, settings_.randomOrder, random_);
    const auto passed = [this, first](std::int32_t image) {
        return unreadable_.contains(first + image) || (passOver_ && passOver_(first + image));
    };
    const auto suits = [this, monitor, first](std::int32_t image) {
        return monitor == nullptr || Suits(first + image, *monitor);
    };
    if (passed(current) || !suits(current)) {
        // The next one in order that is not hidden and suits the monitor;
        // when none suits, the next one not hidden; when all are hidden, the
        // one drawn stays and is not had.
        std::optional<std::int32_t> notPassed;
        for (std::int32_t step = 1; step < count; ++step) {
            const std::int32_t next = (current + step) % count;
            if (passed(next)) {
                continue;
            }
            if (suits(next)) {
                current = next;
                return first + next;
            }
            notPassed = notPassed.value_or(next);
        }
        if (passed(current) && notPassed) {
            current = *notPassed;
        }
    }
    return first + current;
}

bool DesktopChange::Suits(std::int32_t image, const Monitor& monitor) const {
    const std::optional<Size> size = sizeOf_ ? sizeOf_(image) : std::nullopt;
    if (!size || size->width <= 0 || size->height <= 0) {
        return true;
    }
    const std::int64_t width = monitor.bounds.Width();
    const std::int64_t height = monitor.bounds.Height();
    // A square picture suits either way round.
    if (size->width != size->height && (size->height > size->width) != (height > width)) {
        return false;
    }
    // Less than half the monitor each way would be blown up four times over.
    return std::int64_t{size->width} * 2 >= width || std::int64_t{size->height} * 2 >= height;
}

bool DesktopChange::TakeNextReadable(const Monitor* monitor, std::size_t run) {
    // Bounded: a channel of broken pictures must not fetch them all.
    constexpr std::size_t kMostSkipped = 3;
    const std::int32_t first = RangeOf(run).first;
    std::int32_t& current = CurrentOf(run);
    if (!unreadable_.contains(first + current) || unreadable_.size() > kMostSkipped) {
        return false;
    }
    const std::int32_t before = current;
    if (NextImageIndex(monitor, run) == first + before || unreadable_.contains(first + current)) {
        current = before;  // the one that failed is the one told
        return false;
    }
    return true;
}

void DesktopChange::RecordMissing(std::int32_t monitor, std::int32_t image) {
    std::string reason = failures_[image];
    missing_.push_back({monitor, image, std::move(reason)});
    std::sort(missing_.begin(), missing_.end(),
              [](const MissingImage& a, const MissingImage& b) { return a.monitor < b.monitor; });
}

void DesktopChange::RecordDrawn(std::int32_t monitor, std::int32_t image) {
    const auto at = std::find_if(drawn_.begin(), drawn_.end(),
                                 [&](const DrawnImage& d) { return d.monitor > monitor; });
    drawn_.insert(at, DrawnImage{monitor, image});
}

}  // namespace wylo
