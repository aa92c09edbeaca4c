#include "platform/linux/X11Desktop.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include "base/Error.h"

namespace wylo {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() {
    return DisplayPtr(XOpenDisplay(nullptr));
}

// Xlib's default error handler ends the process. While a trap is alive,
// protocol errors are counted instead; the previous handler comes back at
// the end. The program has one thread, so a process-wide count is enough.
class XErrorTrap {
public:
    // Errors of requests sent before the trap go to the handler before it,
    // unless they are taken: then those still unread count here too.
    enum class Earlier { ToPrevious, Taken };

    explicit XErrorTrap(Display* d, Earlier earlier = Earlier::ToPrevious) : display_(d) {
        if (earlier == Earlier::ToPrevious) {
            XSync(display_, False);
        }
        saved_ = errors_;
        errors_ = 0;
        previous_ = XSetErrorHandler(&Count);
    }
    ~XErrorTrap() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
        // A trap inside another must not pass its own errors to the outer one.
        errors_ = saved_;
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // True when an error has arrived, without asking the server for the ones
    // still on their way.
    static bool ErrorArrived() { return errors_ != 0; }

    // True when a request since the trap was set (or last checked) failed.
    bool Failed() {
        XSync(display_, False);
        const bool failed = errors_ != 0;
        errors_ = 0;
        return failed;
    }

private:
    static int Count(Display*, XErrorEvent*) {
        ++errors_;
        return 0;
    }
    static inline int errors_ = 0;
    Display* display_;
    int saved_ = 0;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

std::vector<std::string> MonitorNames(Display* d, const XRRMonitorInfo& m) {
    std::vector<std::string> names;
    if (char* name = m.name != None ? XGetAtomName(d, m.name) : nullptr) {
        names.emplace_back(name);
        XFree(name);
    }
    XRRScreenResources* resources =
        m.noutput > 0 ? XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d)) : nullptr;
    for (int i = 0; resources && i < m.noutput; ++i) {
        if (XRROutputInfo* output = XRRGetOutputInfo(d, resources, m.outputs[i])) {
            names.emplace_back(output->name, static_cast<std::size_t>(output->nameLen));
            XRRFreeOutputInfo(output);
        }
    }
    if (resources) {
        XRRFreeScreenResources(resources);
    }
    return names;
}

// names, when given, gets each monitor's RandR name and the names of its
// outputs, in the same order.
std::vector<Monitor> RootMonitors(Display* d,
                                  std::vector<std::vector<std::string>>* names = nullptr) {
    std::vector<Monitor> monitors;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // RandR monitors arrived with 1.5; older servers would answer the request
    // with an error.
    if (XRRQueryExtension(d, &eventBase, &errorBase) && XRRQueryVersion(d, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(d, DefaultRootWindow(d), True, &count)) {
            for (int i = 0; i < count; ++i) {
                const XRRMonitorInfo& m = info[i];
                if (m.width <= 0 || m.height <= 0) {
                    continue;
                }
                monitors.push_back({Rect{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
                if (names) {
                    names->push_back(MonitorNames(d, m));
                }
            }
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty()) {
        const int screen = DefaultScreen(d);
        monitors.push_back({Rect{0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen)}, true});
        if (names) {
            names->clear();
            names->emplace_back();
        }
    }
    // Exactly one primary: RandR names none until one is chosen (the system
    // then treats the first monitor as the primary), and never more than one.
    bool seen = false;
    for (Monitor& m : monitors) {
        m.primary = m.primary && !seen;
        seen = seen || m.primary;
    }
    if (!seen) {
        monitors.front().primary = true;
    }
    return monitors;
}

Rect PrimaryBounds(const std::vector<Monitor>& monitors) {
    const auto primary =
        std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    return primary == monitors.end() ? Rect{} : primary->bounds;
}

// Turns 24-bit colours into pixel values of a TrueColor visual.
class PixelFormat {
public:
    explicit PixelFormat(const Visual& v)
        : red_(Channel(v.red_mask)), green_(Channel(v.green_mask)), blue_(Channel(v.blue_mask)) {}

    unsigned long Pixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
        return Scale(r, red_) | Scale(g, green_) | Scale(b, blue_);
    }

private:
    struct ChannelLayout {
        int shift = 0;
        int bits = 0;
    };
    static ChannelLayout Channel(unsigned long mask) {
        if (mask == 0) {
            return {};
        }
        return {std::countr_zero(mask), std::popcount(mask)};
    }
    static unsigned long Scale(std::uint8_t c, ChannelLayout layout) {
        unsigned long v = c;
        if (layout.bits == 0) {
            return 0;
        }
        if (layout.bits < 8) {
            v >>= 8 - layout.bits;
        } else if (layout.bits > 8) {
            // Repeat the high bits into the low ones so white stays white.
            const int extra = std::min(layout.bits - 8, 8);
            v = v << extra | v >> (8 - extra);
        }
        return v << layout.shift;
    }

    ChannelLayout red_;
    ChannelLayout green_;
    ChannelLayout blue_;
};

// An XImage whose pixel memory (and shared-memory record) belong to us.
struct ImageDeleter {
    void operator()(XImage* image) const {
        image->data = nullptr;
        image->obdata = nullptr;
        XDestroyImage(image);
    }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

// Fills row `line` of image with root row y of the wallpaper.
class RowPainter {
public:
    RowPainter(const Bitmap& bitmap, bool tile, const Rect& primary, std::int32_t rootWidth,
               const PixelFormat& format, bool directBgr)
        : bitmap_(bitmap),
          tile_(tile),
          rootWidth_(rootWidth),
          format_(format),
          directBgr_(directBgr) {
        if (tile_) {
            originX_ = primary.left;
            originY_ = primary.top;
        } else {
            originX_ = primary.left + (primary.Width() - bitmap.width()) / 2;
            originY_ = primary.top + (primary.Height() - bitmap.height()) / 2;
        }
        pixels_.resize(static_cast<std::size_t>(rootWidth_));
        source_.resize(static_cast<std::size_t>(bitmap.width()));
    }

    void Paint(XImage* image, int line, std::int32_t y) {
        if (directBgr_) {
            PaintDirect(image, line, y);
            return;
        }
        std::fill(pixels_.begin(), pixels_.end(), 0);
        if (tile_) {
            ConvertRow(TileCoordinate(y, originY_, bitmap_.height()));
            // Copy whole runs of the converted row, starting where the tile
            // grid puts root column 0.
            std::int32_t from = TileCoordinate(0, originX_, bitmap_.width());
            for (std::int32_t x = 0; x < rootWidth_;) {
                const std::int32_t n = std::min(bitmap_.width() - from, rootWidth_ - x);
                std::copy_n(source_.begin() + from, n, pixels_.begin() + x);
                x += n;
                from = 0;
            }
        } else if (y >= originY_ && y < originY_ + bitmap_.height()) {
            ConvertRow(static_cast<std::int32_t>(y - originY_));
            const std::int64_t left = std::max<std::int64_t>(originX_, 0);
            const std::int64_t right =
                std::min<std::int64_t>(originX_ + bitmap_.width(), rootWidth_);
            for (std::int64_t x = left; x < right; ++x) {
                pixels_[static_cast<std::size_t>(x)] =
                    source_[static_cast<std::size_t>(x - originX_)];
            }
        }
        if (image->bits_per_pixel == 32) {
            // The image is in this machine's byte order (Xlib swaps on the way
            // to the server when needed).
            auto* out = reinterpret_cast<std::uint32_t*>(
                image->data +
                static_cast<std::size_t>(line) * static_cast<std::size_t>(image->bytes_per_line));
            for (std::int32_t x = 0; x < rootWidth_; ++x) {
                out[x] = static_cast<std::uint32_t>(pixels_[static_cast<std::size_t>(x)]);
            }
        } else {
            for (std::int32_t x = 0; x < rootWidth_; ++x) {
                XPutPixel(image, x, line, pixels_[static_cast<std::size_t>(x)]);
            }
        }
    }

private:
    // The usual 24-bit visual in 32-bit pixels of this machine's byte order:
    // each pixel is blue | green << 8 | red << 16, made straight from the
    // bitmap's bytes in one pass.
    void PaintDirect(XImage* image, int line, std::int32_t y) {
        auto* out = reinterpret_cast<std::uint32_t*>(
            image->data +
            static_cast<std::size_t>(line) * static_cast<std::size_t>(image->bytes_per_line));
        if (tile_) {
            const std::uint8_t* row = bitmap_.Row(TileCoordinate(y, originY_, bitmap_.height()));
            std::int32_t from = TileCoordinate(0, originX_, bitmap_.width());
            for (std::int32_t x = 0; x < rootWidth_;) {
                const std::int32_t n = std::min(bitmap_.width() - from, rootWidth_ - x);
                ConvertRun(row + static_cast<std::size_t>(from) * 3, out + x, n,
                           from + n == bitmap_.width());
                x += n;
                from = 0;
            }
            return;
        }
        std::fill(out, out + rootWidth_, 0u);
        if (y < originY_ || y >= originY_ + bitmap_.height()) {
            return;
        }
        const std::uint8_t* row = bitmap_.Row(static_cast<std::int32_t>(y - originY_));
        const std::int64_t left = std::max<std::int64_t>(originX_, 0);
        const std::int64_t right = std::min<std::int64_t>(originX_ + bitmap_.width(), rootWidth_);
        if (left < right) {
            ConvertRun(row + static_cast<std::size_t>(left - originX_) * 3, out + left,
                       static_cast<std::int32_t>(right - left),
                       right - originX_ == bitmap_.width());
        }
    }

    // n pixels of blue, green, red bytes to blue | green << 8 | red << 16.
    // Each pixel is read as four bytes with the next one's first byte masked
    // off; the row's last pixel is read bytewise (atEnd), since nothing may
    // follow it in memory.
    static void ConvertRun(const std::uint8_t* in, std::uint32_t* out, std::int32_t n, bool atEnd) {
        const std::int32_t wide = atEnd ? n - 1 : n;
        for (std::int32_t i = 0; i < wide; ++i, in += 3) {
            std::uint32_t v;
            std::memcpy(&v, in, 4);
            if constexpr (std::endian::native == std::endian::little) {
                out[i] = v & 0xFFFFFFu;
            } else {
                out[i] = static_cast<std::uint32_t>(in[0]) |
                         static_cast<std::uint32_t>(in[1]) << 8 |
                         static_cast<std::uint32_t>(in[2]) << 16;
            }
        }
        if (atEnd && n > 0) {
            out[n - 1] = static_cast<std::uint32_t>(in[0]) |
                         static_cast<std::uint32_t>(in[1]) << 8 |
                         static_cast<std::uint32_t>(in[2]) << 16;
        }
    }

    void ConvertRow(std::int32_t sy) {
        const std::uint8_t* p = bitmap_.Row(sy);
        for (std::int32_t x = 0; x < bitmap_.width(); ++x, p += 3) {
            source_[static_cast<std::size_t>(x)] = format_.Pixel(p[2], p[1], p[0]);
        }
    }

    const Bitmap& bitmap_;
    bool tile_;
    std::int32_t rootWidth_;
    const PixelFormat& format_;
    bool directBgr_;
    std::int64_t originX_ = 0;
    std::int64_t originY_ = 0;
    std::vector<unsigned long> pixels_;
    std::vector<unsigned long> source_;
};

Atom RootPixmapAtom(Display* d, const char* name, bool create) {
    return XInternAtom(d, name, create ? False : True);
}

// The 32-bit items of a root property of the given type, when it holds
// exactly count of them. Format-32 properties arrive as longs.
std::optional<std::vector<unsigned long>> ReadLongsProperty(Display* d, Window root, Atom atom,
                                                            Atom wanted, long count) {
    if (atom == None) {
        return std::nullopt;
    }
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<std::vector<unsigned long>> result;
    if (XGetWindowProperty(d, root, atom, 0, count, False, wanted, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        if (type == wanted && format == 32 && items == static_cast<unsigned long>(count)) {
            const auto* v = reinterpret_cast<unsigned long*>(data);
            result.emplace(v, v + count);
        }
        XFree(data);
    }
    return result;
}

std::optional<Pixmap> ReadPixmapProperty(Display* d, Window root, Atom atom) {
    const auto items = ReadLongsProperty(d, root, atom, XA_PIXMAP, 1);
    return items ? std::optional<Pixmap>(static_cast<Pixmap>(items->front())) : std::nullopt;
}

// Where Wylo notes the pixmap it left on the root: pixmap id, width, height
// and depth. Only a pixmap named here is ever freed; pixmaps of other
// programs (a desktop that publishes its own, a setter that kept its
// resources) are theirs to free.
constexpr const char* kOwnPixmapProperty = "_WYLO_ROOT_PIXMAP";

struct OwnPixmap {
    Pixmap pixmap = None;
    unsigned width = 0;
    unsigned height = 0;
    unsigned depth = 0;
};

std::optional<OwnPixmap> ReadOwnPixmapProperty(Display* d, Window root) {
    const auto v =
        ReadLongsProperty(d, root, XInternAtom(d, kOwnPixmapProperty, True), XA_CARDINAL, 4);
    if (!v) {
        return std::nullopt;
    }
    return OwnPixmap{static_cast<Pixmap>((*v)[0]), static_cast<unsigned>((*v)[1]),
                     static_cast<unsigned>((*v)[2]), static_cast<unsigned>((*v)[3])};
}

// The pixmap Wylo left on an earlier change, when it is still there. Asked
// before this connection makes anything, so the id cannot be one of ours; an
// id whose client has gone (another setter freed it) and whose number a new
// client now uses is told apart by its kind and size: it must be a pixmap,
// not a window, of exactly the noted size and depth.
std::optional<Pixmap> PreviousOwnPixmap(Display* d, Window root) {
    const auto own = ReadOwnPixmapProperty(d, root);
    if (!own || own->pixmap == None) {
        return std::nullopt;
    }
    XErrorTrap trap(d);
    Window r = None;
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    const Status ok = XGetGeometry(d, own->pixmap, &r, &x, &y, &w, &h, &border, &depth);
    if (trap.Failed() || !ok || r != root || w != own->width || h != own->height ||
        depth != own->depth) {
        return std::nullopt;
    }
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    // XQueryTree succeeds only on windows.
    if (XQueryTree(d, own->pixmap, &r, &parent, &children, &count)) {
        if (children) {
            XFree(children);
        }
        trap.Failed();
        return std::nullopt;
    }
    trap.Failed();
    return own->pixmap;
}

// Frees a pixmap of Wylo's: it was kept after its connection closed, and is
// the only resource of that connection, so ending the connection's resources
// frees exactly it. Published names of it are taken down first, so nobody
// reads a dead id.
void FreeOwnPixmap(Display* d, Window root, Pixmap pixmap) {
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const Atom atom = RootPixmapAtom(d, name, false);
        const auto named = ReadPixmapProperty(d, root, atom);
        if (named && *named == pixmap) {
            XDeleteProperty(d, root, atom);
        }
    }
    XErrorTrap trap(d);  // gone in the meantime: nothing to do
    XKillClient(d, pixmap);
}

void WriteOwnPixmapProperty(Display* d, Window root, const OwnPixmap& own) {
    const Atom atom = XInternAtom(d, kOwnPixmapProperty, False);
    const unsigned long v[4] = {own.pixmap, own.width, own.height, own.depth};
    XChangeProperty(d, root, atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(v), 4);
}

bool HasAtom(Display* d, Window w, Atom property, Atom wanted) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, w, property, 0, 32, False, XA_ATOM, &type, &format, &items, &after,
                           &data) == Success &&
        data) {
        if (type == XA_ATOM && format == 32) {
            const auto* atoms = reinterpret_cast<unsigned long*>(data);
            found = std::find(atoms, atoms + items, wanted) != atoms + items;
        }
        XFree(data);
    }
    return found;
}

// Rows painted and sent per strip, so the memory needed here stays small
// whatever the size of the screen. With shared memory too: each page of a
// new segment costs the system more to provide than the wait for the server
// to read one more strip (measured: 256 rows took 3 ms longer per change on
// one monitor, 5 ms on two).
constexpr int kStripRows = 64;

bool DirectBgr(const Visual& visual, const XImage& image) {
    return image.bits_per_pixel == 32 && visual.red_mask == 0xFF0000 &&
           visual.green_mask == 0xFF00 && visual.blue_mask == 0xFF;
}

// Paints the root's rows strip by strip into image and hands each to send;
// before each strip, ready() says whether image may be painted (false ends
// the painting).
template <typename Ready, typename Send>
void PaintStrips(XImage* image, const Visual& visual, const Bitmap& bitmap, bool tile,
                 const Rect& primary, int rootWidth, int rootHeight, int stripRows,
                 const Ready& ready, const Send& send) {
    const PixelFormat format(visual);
    RowPainter painter(bitmap, tile, primary, rootWidth, format, DirectBgr(visual, *image));
    for (int top = 0; top < rootHeight; top += stripRows) {
        if (!ready()) {
            return;
        }
        const int rows = std::min(stripRows, rootHeight - top);
        for (int line = 0; line < rows; ++line) {
            painter.Paint(image, line, top + line);
        }
        send(top, rows);
    }
}

// The pixels travel in the X protocol's requests. False when Xlib has no
// image of this visual.
bool UploadThroughRequests(Display* d, Visual* visual, int depth, Pixmap pixmap, GC gc,
                           const Bitmap& bitmap, bool tile, const Rect& primary, int rootWidth,
                           int rootHeight) {
    const int stripRows = std::min(kStripRows, rootHeight);
    ImagePtr image(XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                static_cast<unsigned>(rootWidth), static_cast<unsigned>(stripRows),
                                32, 0));
    if (!image) {
        return false;
    }
    image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    std::vector<char> memory(static_cast<std::size_t>(image->bytes_per_line) *
                             static_cast<std::size_t>(stripRows));
    image->data = memory.data();
    PaintStrips(
        image.get(), *visual, bitmap, tile, primary, rootWidth, rootHeight, stripRows,
        [] { return true; },
        [&](int top, int rows) {
            XPutImage(d, pixmap, gc, image.get(), 0, 0, 0, top, static_cast<unsigned>(rootWidth),
                      static_cast<unsigned>(rows));
        });
    return true;
}

// A System V shared memory segment the X server attaches to; detached and
// removed on every path.
class SharedSegment {
public:
    SharedSegment(Display* d, std::size_t bytes) : display_(d) {
        info_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (info_.shmid < 0) {
            return;
        }
        void* address = shmat(info_.shmid, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(info_.shmid, IPC_RMID, nullptr);
            info_.shmid = -1;
            return;
        }
        info_.shmaddr = static_cast<char*>(address);
        info_.readOnly = True;
        // Every page is painted: made present in one call rather than one
        // fault each (older kernels refuse, and then the faults happen).
        madvise(address, bytes, MADV_POPULATE_WRITE);
    }
    ~SharedSegment() {
        if (attached_) {
            XShmDetach(display_, &info_);
            XSync(display_, False);
        }
        if (info_.shmaddr) {
            shmdt(info_.shmaddr);
        }
        if (info_.shmid >= 0) {
            shmctl(info_.shmid, IPC_RMID, nullptr);
        }
    }
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    // True when the server attached the segment.
    bool Attach() {
        if (!info_.shmaddr) {
            return false;
        }
        XErrorTrap trap(display_);
        attached_ = XShmAttach(display_, &info_) != 0;
        if (trap.Failed()) {
            attached_ = false;  // a server on another machine, or no room
        }
        // Marked for removal once the server holds it: it then goes with its
        // last user, even if this process is killed.
        shmctl(info_.shmid, IPC_RMID, nullptr);
        info_.shmid = -1;
        return attached_;
    }
    XShmSegmentInfo* info() { return &info_; }

private:
    Display* display_;
    XShmSegmentInfo info_{};
    bool attached_ = false;
};

// Waits for the server to report that it has read the oldest strip still
// in flight. False when an error arrived instead: a strip the server refused
// is never reported.
bool AwaitStripRead(Display* d, int completionType) {
    XEvent event;
    while (!XCheckTypedEvent(d, completionType, &event)) {
        if (XErrorTrap::ErrorArrived()) {
            return false;
        }
        pollfd connection{ConnectionNumber(d), POLLIN, 0};
        poll(&connection, 1, -1);
    }
    return true;
}

// The pixels are written where the server reads them (MIT-SHM), which saves
// copying them through the connection. The segment holds two strips, so one
// is painted while the server reads the other. False when the server or the
// system does not offer it; nothing has been drawn then. A strip the server
// refuses ends the drawing, and the error is left to the caller's trap.
bool UploadThroughSharedMemory(Display* d, Visual* visual, int depth, Pixmap pixmap, GC gc,
                               const Bitmap& bitmap, bool tile, const Rect& primary, int rootWidth,
                               int rootHeight) {
    if (!XShmQueryExtension(d)) {
        return false;
    }
    const int stripRows = std::min(kStripRows, rootHeight);
    XShmSegmentInfo probe{};
    ImagePtr image(XShmCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, nullptr,
                                   &probe, static_cast<unsigned>(rootWidth),
                                   static_cast<unsigned>(stripRows)));
    if (!image) {
        return false;
    }
    const std::size_t stripBytes =
        static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(stripRows);
    SharedSegment shared(d, stripBytes * 2);
    if (!shared.Attach()) {
        return false;
    }
    image->obdata = reinterpret_cast<char*>(shared.info());
    const int completionType = XShmGetEventBase(d) + ShmCompletion;
    int sent = 0;
    int inFlight = 0;
    PaintStrips(
        image.get(), *visual, bitmap, tile, primary, rootWidth, rootHeight, stripRows,
        [&] {
            // The half painted next must have been read.
            if (inFlight == 2) {
                if (!AwaitStripRead(d, completionType)) {
                    return false;
                }
                --inFlight;
            }
            image->data = shared.info()->shmaddr + static_cast<std::size_t>(sent % 2) * stripBytes;
            return true;
        },
        [&](int top, int rows) {
            XShmPutImage(d, pixmap, gc, image.get(), 0, 0, 0, top, static_cast<unsigned>(rootWidth),
                         static_cast<unsigned>(rows), True);
            XFlush(d);
            ++sent;
            ++inFlight;
        });
    // Every strip read before the segment goes; the reports are not needed.
    XSync(d, False);
    XEvent event;
    while (XCheckTypedEvent(d, completionType, &event)) {
    }
    return true;
}

}  // namespace

std::optional<unsigned long> RootPixmapProperty(Display* display, const char* name) {
    return ReadPixmapProperty(display, DefaultRootWindow(display),
                              RootPixmapAtom(display, name, false));
}

std::vector<Monitor> X11RootMonitors() {
    DisplayPtr display = OpenDisplay();
    if (!display) {
        return {};
    }
    return RootMonitors(display.get());
}

std::vector<std::vector<std::string>> X11MonitorNames() {
    DisplayPtr display = OpenDisplay();
    std::vector<std::vector<std::string>> names;
    if (display) {
        RootMonitors(display.get(), &names);
    }
    return names;
}

std::vector<Monitor> X11Monitors() {
    std::vector<Monitor> monitors = X11RootMonitors();
    if (monitors.empty()) {
        return monitors;
    }
    const Rect primary = PrimaryBounds(monitors);
    for (Monitor& m : monitors) {
        m.bounds = {m.bounds.left - primary.left, m.bounds.top - primary.top,
                    m.bounds.right - primary.left, m.bounds.bottom - primary.top};
    }
    return monitors;
}

X11Connection::X11Connection() : display_(XOpenDisplay(nullptr)) {}

X11Connection::~X11Connection() {
    if (display_) {
        XCloseDisplay(display_);
    }
}

void X11SetRootWallpaper(const Bitmap& bitmap, bool tile) {
    X11Connection connection;
    X11SetRootWallpaper(bitmap, tile, connection);
}

// What a root wallpaper is drawn into, asked for before the picture is
// there. The pixmap and its GC are requested without waiting for the
// server, which makes them while the caller goes on; whether it could is
// read under the trap of DrawRootWallpaper, so nothing may read from the
// connection in between.
struct X11RootPreparation::Target {
    Window root = None;
    Visual* visual = nullptr;
    int depth = 0;
    int width = 0;
    int height = 0;
    std::optional<Pixmap> previous;
    Pixmap pixmap = None;
    GC gc = nullptr;
    bool refused = false;  // the server's error to the pixmap was read early
};

namespace {

X11RootPreparation::Target BeginRootWallpaper(Display* d) {
    X11RootPreparation::Target t;
    const int screen = DefaultScreen(d);
    t.root = RootWindow(d, screen);
    t.visual = DefaultVisual(d, screen);
    t.depth = DefaultDepth(d, screen);
    if (t.visual->c_class != TrueColor || t.depth < 15) {
        throw Error("The X display's colour mode is not supported (it needs true colour)");
    }
    t.width = DisplayWidth(d, screen);
    t.height = DisplayHeight(d, screen);
    // Before anything is made here (see PreviousOwnPixmap).
    t.previous = PreviousOwnPixmap(d, t.root);
    t.pixmap = XCreatePixmap(d, t.root, static_cast<unsigned>(t.width),
                             static_cast<unsigned>(t.height), static_cast<unsigned>(t.depth));
    t.gc = XCreateGC(d, t.pixmap, 0, nullptr);
    XFlush(d);
    return t;
}

// Frees what target holds on an unused connection, errors included.
void DropRootWallpaper(Display* d, X11RootPreparation::Target& t) {
    XErrorTrap trap(d, XErrorTrap::Earlier::Taken);
    if (t.gc) {
        XFreeGC(d, t.gc);
    }
    XFreePixmap(d, t.pixmap);
    t.gc = nullptr;
    t.pixmap = None;
}

void DrawRootWallpaper(Display* d, X11RootPreparation::Target& t, const Bitmap& bitmap, bool tile,
                       const std::function<void()>& beforeShowing) {
    XErrorTrap trap(d, XErrorTrap::Earlier::Taken);
    const auto drop = [&] {
        XFreeGC(d, t.gc);
        XFreePixmap(d, t.pixmap);
        t.gc = nullptr;
        t.pixmap = None;
    };
    if (trap.Failed() || t.refused) {
        // Usually BadAlloc: the server has no room for a pixmap this large.
        drop();
        throw Error("The X server could not make room for a " + std::to_string(t.width) + " x " +
                    std::to_string(t.height) + " wallpaper");
    }
    const Rect primary = PrimaryBounds(RootMonitors(d));
    if (!UploadThroughSharedMemory(d, t.visual, t.depth, t.pixmap, t.gc, bitmap, tile, primary,
                                   t.width, t.height) &&
        !UploadThroughRequests(d, t.visual, t.depth, t.pixmap, t.gc, bitmap, tile, primary, t.width,
                               t.height)) {
        drop();
        throw Error("The X display's pixel format is not supported");
    }
    XFreeGC(d, t.gc);
    t.gc = nullptr;
    const Pixmap pixmap = t.pixmap;
    const auto fail = [&](const char* what) {
        XFreePixmap(d, pixmap);
        t.pixmap = None;
        throw Error(what);
    };
    if (trap.Failed()) {
        fail("The X server refused the wallpaper image");
    }
    if (beforeShowing) {
        try {
            beforeShowing();
        } catch (...) {
            XFreePixmap(d, pixmap);
            t.pixmap = None;
            throw;
        }
    }

    if (t.previous && *t.previous != pixmap) {
        FreeOwnPixmap(d, t.root, *t.previous);
    }
    const Atom rootPmap = RootPixmapAtom(d, "_XROOTPMAP_ID", true);
    const Atom esetroot = RootPixmapAtom(d, "ESETROOT_PMAP_ID", true);
    XChangeProperty(d, t.root, rootPmap, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XChangeProperty(d, t.root, esetroot, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XSetWindowBackgroundPixmap(d, t.root, pixmap);
    XClearWindow(d, t.root);
    if (trap.Failed()) {
        fail("The X server did not accept the wallpaper");
    }
    WriteOwnPixmapProperty(d, t.root,
                           {pixmap, static_cast<unsigned>(t.width), static_cast<unsigned>(t.height),
                            static_cast<unsigned>(t.depth)});
    // The pixmap has to outlive this connection: the root window, compositors
    // and terminals keep using it. Wylo's next change frees it (see above);
    // other setters that free a pixmap named equally in both properties do
    // so too, as is the custom.
    XSetCloseDownMode(d, RetainPermanent);
    XSync(d, False);
    t.pixmap = None;  // the root's now
}

}  // namespace

void X11SetRootWallpaper(const Bitmap& bitmap, bool tile, X11Connection& connection,
                         const std::function<void()>& beforeShowing) {
    if (bitmap.empty()) {
        throw Error("The wallpaper bitmap is empty");
    }
    Display* d = connection.display();
    if (!d) {
        throw Error("No X display is available");
    }
    X11RootPreparation::Target target = BeginRootWallpaper(d);
    DrawRootWallpaper(d, target, bitmap, tile, beforeShowing);
}

X11RootPreparation::X11RootPreparation() {
    if (Display* d = connection_.display()) {
        try {
            target_ = std::make_unique<Target>(BeginRootWallpaper(d));
        } catch (const Error&) {
            // Told when the wallpaper is set without it.
        }
    }
}

X11Connection& X11RootPreparation::connection() {
    if (target_ && target_->pixmap != None && !target_->refused) {
        XErrorTrap trap(connection_.display(), XErrorTrap::Earlier::Taken);
        target_->refused = trap.Failed();
    }
    return connection_;
}

X11RootPreparation::~X11RootPreparation() {
    if (target_ && target_->pixmap != None) {
        DropRootWallpaper(connection_.display(), *target_);
    }
}

void X11SetRootWallpaper(const Bitmap& bitmap, bool tile, X11RootPreparation& prepared,
                         const std::function<void()>& beforeShowing) {
    if (!prepared.target_ || prepared.target_->pixmap == None) {
        X11SetRootWallpaper(bitmap, tile, prepared.connection_, beforeShowing);
        return;
    }
    if (bitmap.empty()) {
        DropRootWallpaper(prepared.connection_.display(), *prepared.target_);
        throw Error("The wallpaper bitmap is empty");
    }
    DrawRootWallpaper(prepared.connection_.display(), *prepared.target_, bitmap, tile,
                      beforeShowing);
}

void X11ReleaseRootWallpaper() {
    X11Connection connection;
    X11ReleaseRootWallpaper(connection);
}

void X11ReleaseRootWallpaper(X11Connection& connection) {
    Display* d = connection.display();
    if (!d) {
        return;
    }
    const Window root = DefaultRootWindow(d);
    if (const std::optional<Pixmap> previous = PreviousOwnPixmap(d, root)) {
        FreeOwnPixmap(d, root, *previous);
    }
    if (const Atom atom = XInternAtom(d, kOwnPixmapProperty, True); atom != None) {
        XDeleteProperty(d, root, atom);
    }
    XSync(d, False);
}

bool X11DesktopWindowPresent() {
    X11Connection connection;
    return X11DesktopWindowPresent(connection);
}

namespace {

// Whether a window below window, at most depth levels down, is a desktop
// window; budget bounds how many windows are looked at in all.
bool DesktopWindowBelow(Display* d, Window window, int depth, Atom type, Atom desktop,
                        int& budget) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (depth <= 0 || !XQueryTree(d, window, &root, &parent, &children, &count)) {
        return false;
    }
    bool found = false;
    for (unsigned i = 0; i < count && !found && budget > 0; ++i, --budget) {
        found = HasAtom(d, children[i], type, desktop) ||
                DesktopWindowBelow(d, children[i], depth - 1, type, desktop, budget);
    }
    if (children) {
        XFree(children);
    }
    return found;
}

}  // namespace

bool X11DesktopWindowPresent(X11Connection& connection) {
    Display* d = connection.display();
    if (!d) {
        return false;
    }
    const Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", True);
    const Atom desktop = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DESKTOP", True);
    if (type == None || desktop == None) {
        return false;
    }
    XErrorTrap trap(d);  // windows may go away while they are looked at
    // Mapped or not: xfdesktop without a window manager keeps its window
    // unmapped and draws the root's background itself. A window manager
    // frames the desktop window, some (kwin) two levels deep.
    constexpr int kLevels = 3;
    int budget = 20'000;
    return DesktopWindowBelow(d, DefaultRootWindow(d), kLevels, type, desktop, budget);
}

bool X11WindowManagerDrawsBackground(X11Connection& connection) {
    Display* d = connection.display();
    if (!d) {
        return false;
    }
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
    const Atom name = XInternAtom(d, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", True);
    if (check == None || name == None || utf8 == None) {
        return false;
    }
    XErrorTrap trap(d);  // the window manager may be going away
    const auto property = [d](Window w, Atom atom, Atom type, long length) {
        Atom actual = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        std::string value;
        if (XGetWindowProperty(d, w, atom, 0, length, False, type, &actual, &format, &items, &after,
                               &data) == Success &&
            data) {
            if (actual == type) {
                value.assign(reinterpret_cast<const char*>(data),
                             format == 32 ? items * sizeof(long) : items * (format / 8));
            }
            XFree(data);
        }
        return value;
    };
    const std::string window = property(DefaultRootWindow(d), check, XA_WINDOW, 1);
    if (window.size() < sizeof(long)) {
        return false;
    }
    long id = 0;
    std::memcpy(&id, window.data(), sizeof id);
    const std::string wm = property(static_cast<Window>(id), name, utf8, 64);
    for (const char* drawsItsOwn : {"GNOME Shell", "Mutter", "Muffin"}) {
        if (wm.find(drawsItsOwn) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void X11Bell() {
    if (DisplayPtr display = OpenDisplay()) {
        XBell(display.get(), 0);
        XFlush(display.get());
    }
}

}  // namespace wylo
