#include "compose/Jpeg.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE declared first
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>  // hardware_concurrency
#include <vector>

#include "base/Error.h"
#include "base/SideTask.h"
#include "compose/BmpFile.h"
#include "compose/ExifOrientation.h"
#include "compose/OrientedBitmap.h"
#include "compose/StdioFile.h"

namespace wylo {

namespace fs = std::filesystem;
using detail::PathText;

namespace {

// A real photograph has about ten scans; thousands of tiny scans are a way to
// make a small hostile file take minutes to decode.
constexpr int kMaxScans = 1000;
// A file source never suspends, so a call that gives no rows would loop forever.
constexpr const char* kStalled = "the decoder stopped before the end of the picture";
// Rows handed to the decoder per call.
constexpr int kRowBatch = 16;
// Files up to this size are read whole and decoded from memory, where the
// library's fast path takes every block; from a stream it gets 4 KB at a time
// and falls back near each end (measured: 6% less time on a 2560x1600
// photograph). Far larger than any real photograph.
constexpr std::uintmax_t kMaxInMemoryBytes = std::uintmax_t{64} << 20;
constexpr std::uint8_t kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};

// libjpeg reports errors through these callbacks. They jump back to the
// setjmp of the stage that called into the library; C++ exceptions must not
// unwind through the library's C frames.
struct ErrorManager {
    jpeg_error_mgr pub;  // first, so the library's pointer converts back
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void Abort(j_common_ptr info, const char* text) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (text) {
        std::snprintf(errors->message, sizeof errors->message, "%s", text);
    } else {
        (*info->err->format_message)(info, errors->message);
    }
    std::longjmp(errors->jump, 1);
}

void OnError(j_common_ptr info) {
    Abort(info, nullptr);
}

// Warnings that mean pixels are missing or garbled. A cut-off download is
// padded by the library with grey and only warned about; it must not become
// a wallpaper. Other warnings (stray bytes between markers, an unknown JFIF
// version) leave the picture intact and are ignored.
bool IsDamage(int code) {
    switch (code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
            return true;
        default:
            return false;
    }
}

void OnMessage(j_common_ptr info, int level) {
    if (level < 0 && IsDamage(info->err->msg_code)) {
        Abort(info, nullptr);
    }
}

void OnOutput(j_common_ptr) {
    // Nothing goes to stderr; errors travel as exceptions.
}

void OnProgress(j_common_ptr info) {
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > kMaxScans) {
        Abort(info, "the file has more scans than any real picture");
    }
}

// The decompress object and its helpers, destroyed on every path.
struct Decoder {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool cmyk = false;
    // The first Exif segment's payload, in the library's memory for the
    // picture; empty when there was none or it was not kept.
    std::span<const std::uint8_t> exif;

    Decoder() {
        info.client_data = this;
        info.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = OnError;
        errors.pub.emit_message = OnMessage;
        errors.pub.output_message = OnOutput;
        progress.progress_monitor = OnProgress;
    }
    ~Decoder() { jpeg_destroy_decompress(&info); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

// Reads count bytes of the file (into out, or past them without it). The
// library's file and memory sources never suspend: at the end of the data
// they warn of a cut-off file, which aborts.
void ReadSource(j_decompress_ptr info, std::uint8_t* out, std::size_t count) {
    jpeg_source_mgr* src = info->src;
    while (count > 0) {
        if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(info)) {
            Abort(reinterpret_cast<j_common_ptr>(info), kStalled);
        }
        const std::size_t n = count < src->bytes_in_buffer ? count : src->bytes_in_buffer;
        if (out) {
            std::memcpy(out, src->next_input_byte, n);
            out += n;
        }
        src->next_input_byte += n;
        src->bytes_in_buffer -= n;
        count -= n;
    }
}

// The library's reader of APP1 segments: keeps the first Exif segment and
// reads past every other one. (Keeping them all, as the library can, would
// let a file of many tiny segments take many times its size in memory.)
boolean KeepFirstExif(j_decompress_ptr info) {
    auto* d = static_cast<Decoder*>(info->client_data);
    std::uint8_t head[2 + sizeof kExifPrefix];
    ReadSource(info, head, 2);
    const std::size_t length = std::size_t{head[0]} << 8 | head[1];
    std::size_t left = length > 2 ? length - 2 : 0;
    if (d->exif.empty() && left >= sizeof kExifPrefix) {
        ReadSource(info, head + 2, sizeof kExifPrefix);
        left -= sizeof kExifPrefix;
        if (std::memcmp(head + 2, kExifPrefix, sizeof kExifPrefix) == 0) {
            const std::size_t size = sizeof kExifPrefix + left;
            auto* copy = static_cast<std::uint8_t*>(
                (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, size));
            std::memcpy(copy, head + 2, sizeof kExifPrefix);
            ReadSource(info, copy + sizeof kExifPrefix, left);
            d->exif = {copy, size};
            return TRUE;
        }
    }
    ReadSource(info, nullptr, left);
    return TRUE;
}

// The two stages below hold setjmp; they keep no local that needs a
// destructor, so jumping back into them skips nothing. Each returns false with
// the decoder's message in errors.message when the library gave up.

// What a decoder reads: its stream, or without one the file's bytes.
struct JpegInput {
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* stream = nullptr;
};

// With keepExif the first Exif segment is kept in d.exif. The picture comes
// out reduced to 1/reduction of each side (1, 2, 4 or 8), which the library
// does while decoding, at a fraction of the work.
bool ReadHeader(Decoder& d, const JpegInput& input, bool keepExif, unsigned reduction = 1) {
    if (setjmp(d.errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&d.info);
    d.info.progress = &d.progress;
    if (input.stream) {
        jpeg_stdio_src(&d.info, input.stream);
    } else {
        // An empty file is the library's error here, as from a stream.
        jpeg_mem_src(&d.info, input.bytes, static_cast<unsigned long>(input.size));
    }
    if (keepExif) {
        jpeg_set_marker_processor(&d.info, JPEG_APP0 + 1, KeepFirstExif);
    }
    jpeg_read_header(&d.info, TRUE);
    switch (d.info.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            // Rows come out in the bitmap's own blue, green, red order; grey
            // is spread over the three.
            d.info.out_color_space = JCS_EXT_BGR;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            d.info.out_color_space = JCS_CMYK;
            d.cmyk = true;
            break;
        default:
            Abort(reinterpret_cast<j_common_ptr>(&d.info),
                  "the picture's colour format is not supported");
    }
    d.info.scale_num = 1;
    d.info.scale_denom = reduction;
    jpeg_calc_output_dimensions(&d.info);
    return true;
}

// Makes the decoder reduce the picture to 1/reduction of each side.
bool Reduce(Decoder& d, unsigned reduction) {
    if (setjmp(d.errors.jump)) {
        return false;
    }
    d.info.scale_denom = reduction;
    jpeg_calc_output_dimensions(&d.info);
    return true;
}

// The largest reduction whose picture, turned upright, still covers wanted.
unsigned ReductionFor(const jpeg_decompress_struct& info, Orientation orientation, Size wanted) {
    if (wanted.width <= 0 || wanted.height <= 0) {
        return 1;
    }
    for (const unsigned reduction : {8u, 4u, 2u}) {
        // As the library rounds: up.
        const auto reduced = [reduction](JDIMENSION length) {
            return static_cast<std::int32_t>((std::uint64_t{length} + reduction - 1) / reduction);
        };
        const Size upright =
            OrientedSize({reduced(info.image_width), reduced(info.image_height)}, orientation);
        if (upright.width >= wanted.width && upright.height >= wanted.height) {
            return reduction;
        }
    }
    return 1;
}

// C, M, Y, K to blue, green, red. Files with an Adobe marker (Photoshop's)
// store the inks inverted.
void CmykToBgr(const std::uint8_t* in, std::uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned k = inverted ? in[3] : 255u - in[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? in[c] : 255u - in[c];
            out[2 - c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
        }
    }
}

// Where a decoder's rows go: the bitmap is the picture upright. Stored
// upright, rows are decoded straight into it; turned, a band of rows is
// decoded at a time and then placed turned.
// With a sink instead of a bitmap, the picture (stored upright) is not kept:
// each batch of rows is decoded into the band and handed on.
struct Output {
    Bitmap* bitmap = nullptr;
    Orientation orientation = Orientation::Normal;
    std::uint8_t* cmykRow = nullptr;  // one row of four components, for CMYK
    std::uint8_t* band = nullptr;     // kTurnBand rows of the stored width, when turned or sunk
    std::size_t bandStride = 0;
    const RowSink* sink = nullptr;
    Size upright;
};

// A band of rows for a picture stored width x height; none when it is
// stored upright and decoded into a bitmap.
struct Band {
    std::size_t stride;
    std::vector<std::uint8_t> bytes;

    Band(JDIMENSION width, JDIMENSION height, Orientation o, bool sunk = false)
        : stride(Bitmap::StrideFor(static_cast<std::int32_t>(width))),
          bytes(o == Orientation::Normal && !sunk
                    ? 0
                    : stride * std::min<std::size_t>(sunk ? kRowBatch : kTurnBand, height)) {}
};

// The loops below run inside Decompress, whose setjmp their errors jump
// back to; like it they keep no local that needs a destructor.

// Reads rows up to end straight into the bitmap's rows.
void DecompressUpright(Decoder& d, const Output& out, JDIMENSION end) {
    JSAMPROW rows[kRowBatch];
    while (d.info.output_scanline < end) {
        const JDIMENSION y = d.info.output_scanline;
        if (d.cmyk) {
            rows[0] = out.cmykRow;
            if (jpeg_read_scanlines(&d.info, rows, 1) != 1) {
                Abort(reinterpret_cast<j_common_ptr>(&d.info), kStalled);
            }
            CmykToBgr(out.cmykRow, out.bitmap->Row(static_cast<std::int32_t>(y)),
                      d.info.output_width, d.info.saw_Adobe_marker);
            continue;
        }
        JDIMENSION count = end - y;
        if (count > kRowBatch) {
            count = kRowBatch;
        }
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = out.bitmap->Row(static_cast<std::int32_t>(y + i));
        }
        if (jpeg_read_scanlines(&d.info, rows, count) == 0) {
            Abort(reinterpret_cast<j_common_ptr>(&d.info), kStalled);
        }
    }
}

// Reads rows up to end a batch at a time into the band and hands each batch
// to the sink.
void DecompressSunk(Decoder& d, const Output& out, JDIMENSION end) {
    JSAMPROW rows[kRowBatch];
    for (JDIMENSION i = 0; i < kRowBatch; ++i) {
        rows[i] = out.band + i * out.bandStride;
    }
    while (d.info.output_scanline < end) {
        const JDIMENSION y = d.info.output_scanline;
        JDIMENSION count = end - y;
        if (count > kRowBatch) {
            count = kRowBatch;
        }
        const JDIMENSION read = jpeg_read_scanlines(&d.info, rows, count);
        if (read == 0) {
            Abort(reinterpret_cast<j_common_ptr>(&d.info), kStalled);
        }
        (*out.sink)(static_cast<std::int32_t>(y), static_cast<std::int32_t>(read), out.band,
                    out.bandStride);
    }
}

// Reads rows up to end a band at a time and places each band turned.
void DecompressTurned(Decoder& d, const Output& out, JDIMENSION end) {
    while (d.info.output_scanline < end) {
        const JDIMENSION first = d.info.output_scanline;
        JDIMENSION last = first + kTurnBand;
        if (last > end) {
            last = end;
        }
        while (d.info.output_scanline < last) {
            const JDIMENSION y = d.info.output_scanline;
            std::uint8_t* row = out.band + (y - first) * out.bandStride;
            if (d.cmyk) {
                JSAMPROW cmyk[1] = {out.cmykRow};
                if (jpeg_read_scanlines(&d.info, cmyk, 1) != 1) {
                    Abort(reinterpret_cast<j_common_ptr>(&d.info), kStalled);
                }
                CmykToBgr(out.cmykRow, row, d.info.output_width, d.info.saw_Adobe_marker);
                continue;
            }
            JSAMPROW rows[kRowBatch];
            JDIMENSION count = last - y;
            if (count > kRowBatch) {
                count = kRowBatch;
            }
            for (JDIMENSION i = 0; i < count; ++i) {
                rows[i] = row + i * out.bandStride;
            }
            if (jpeg_read_scanlines(&d.info, rows, count) == 0) {
                Abort(reinterpret_cast<j_common_ptr>(&d.info), kStalled);
            }
        }
        PlaceOrientedRows(*out.bitmap, out.orientation, out.band, out.bandStride,
                          static_cast<std::int32_t>(first),
                          static_cast<std::int32_t>(last - first));
    }
}

// Decodes output rows [first, end) into the picture's rows in out; rows
// before first are read past without being drawn. With finish the rest of
// the file is read too, so damage anywhere after the rows shows.
bool Decompress(Decoder& d, const Output& out, JDIMENSION first, JDIMENSION end, bool finish) {
    if (setjmp(d.errors.jump)) {
        return false;
    }
    jpeg_start_decompress(&d.info);
    const Size stored = OrientedSize(out.upright, out.orientation);
    if (d.info.output_width != static_cast<JDIMENSION>(stored.width) ||
        d.info.output_height != static_cast<JDIMENSION>(stored.height) ||
        d.info.output_components != (d.cmyk ? 4 : 3)) {
        Abort(reinterpret_cast<j_common_ptr>(&d.info), "the decoder changed the picture's size");
    }
    if (first > 0 && jpeg_skip_scanlines(&d.info, first) != first) {
        Abort(reinterpret_cast<j_common_ptr>(&d.info), kStalled);
    }
    if (out.sink) {
        DecompressSunk(d, out, end);
    } else if (out.orientation != Orientation::Normal) {
        DecompressTurned(d, out, end);
    } else {
        DecompressUpright(d, out, end);
    }
    if (finish) {
        jpeg_finish_decompress(&d.info);
    } else {
        jpeg_abort_decompress(&d.info);
    }
    return true;
}

// Where a picture is split between two decoders, or 0 to decode it in one.
// Only pictures whose data comes in one pass split well: the decoder of the
// lower part still has to read through the upper part's data, which costs
// about 0.6 of drawing it, so the upper part takes two thirds (measured on
// photographs; 0.70 to 0.76 did no better).
JDIMENSION SplitRow(jpeg_decompress_struct& info, bool cmyk) {
    constexpr JDIMENSION kMinRows = 256;
    constexpr std::uint64_t kMinPixels = 1'000'000;
    if (cmyk || jpeg_has_multiple_scans(&info) || info.output_height < kMinRows ||
        std::uint64_t{info.output_width} * info.output_height < kMinPixels ||
        std::thread::hardware_concurrency() < 2) {
        return 0;
    }
    // On a boundary of the decoder's rows of blocks, where skipping is cheapest.
    const JDIMENSION block = static_cast<JDIMENSION>(info.max_v_samp_factor * DCTSIZE);
    const JDIMENSION split = info.output_height * 2 / 3 / block * block;
    return split > 0 && split < info.output_height ? split : 0;
}

[[noreturn]] void DecodeFailed(const fs::path& path, const std::string& reason) {
    throw Error("Unable to decode the JPEG picture " + PathText(path) + ": " + reason);
}

bool SameIgnoringAsciiCase(const fs::path& a, const fs::path& b) {
    const auto& x = a.native();
    const auto& y = b.native();
    if (x.size() != y.size()) {
        return false;
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        auto lower = [](auto c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
        if (lower(x[i]) != lower(y[i])) {
            return false;
        }
    }
    return true;
}

// A JPEG file and a decoder reading it. The file is read whole when it is
// small enough, and both parts of a split picture decode from those bytes;
// a larger one is read as a stream, one per part.
struct FileDecoder {
    // A stream's buffer: the decoder asks for 4 KB at a time, and a larger
    // buffer reads the file in a few calls. Declared before the file, which
    // uses it.
    std::vector<char> buffer;
    // Declared before the decoder, so it is closed after the decoder is gone.
    detail::StdioFile file;
    std::vector<unsigned char> contents;
    bool inMemory = false;
    Decoder decoder;

    // False with errno set when the file cannot be opened or read.
    bool Open(const fs::path& path) {
        errno = 0;
        file = detail::OpenStdioFile(path, false);
        if (!file) {
            return false;
        }
        std::error_code unknown;
        const std::uintmax_t size = fs::file_size(path, unknown);
        if (!unknown && size <= kMaxInMemoryBytes) {
            contents.resize(static_cast<std::size_t>(size));
            // A file that shrank meanwhile reads shorter, and the decoder
            // then finds it cut off.
            contents.resize(std::fread(contents.data(), 1, contents.size(), file.get()));
            if (std::ferror(file.get())) {
                return false;
            }
            inMemory = true;
            return true;
        }
        buffer.resize(std::size_t{256} << 10);
        std::setvbuf(file.get(), buffer.data(), _IOFBF, buffer.size());
        return true;
    }

    JpegInput Input() const {
        if (inMemory) {
            return {contents.data(), contents.size(), nullptr};
        }
        return {nullptr, 0, file.get()};
    }
};

// Decodes rows [first, height) of upper's file into the picture, turned as
// orientation says, with a decoder of its own; empty when it did, else the
// reason.
std::string DecodeLowerPart(const fs::path& path, const FileDecoder& upper, const Output& whole,
                            JDIMENSION first, bool cmyk, unsigned reduction) {
    FileDecoder lower;
    JpegInput input = upper.Input();
    if (!upper.inMemory) {
        if (!lower.Open(path)) {
            return detail::ErrnoText(errno);
        }
        input = lower.Input();
    }
    if (!ReadHeader(lower.decoder, input, false, reduction)) {
        return lower.decoder.errors.message;
    }
    if (lower.decoder.cmyk != cmyk) {
        return "the file changed while it was read";
    }
    Band band(lower.decoder.info.output_width, lower.decoder.info.output_height, whole.orientation,
              whole.sink != nullptr);
    Output out = whole;
    out.cmykRow = nullptr;
    out.band = band.bytes.data();
    out.bandStride = band.stride;
    if (!Decompress(lower.decoder, out, first, lower.decoder.info.output_height, true)) {
        return lower.decoder.errors.message;
    }
    return {};
}

}  // namespace

namespace {

// Decodes path into a bitmap, at a reduction when wanted allows one; or,
// with sinkFor, hands its rows to the sink sinkFor gives for its full size,
// keeping none. Nothing when sinkFor declines the picture (an empty sink),
// or the picture is turned or in CMYK, which are never handed on in rows.
std::optional<ReducedPicture> DecodeFile(const fs::path& path,
                                         const std::function<Size(Size)>& wanted,
                                         const std::function<RowSink(Size)>* sinkFor,
                                         bool inOrder = false) {
    FileDecoder upper;
    if (!upper.Open(path)) {
        throw Error("Unable to read " + PathText(path) + ": " + detail::ErrnoText(errno));
    }
    Decoder& decoder = upper.decoder;
    if (!ReadHeader(decoder, upper.Input(), true)) {
        DecodeFailed(path, decoder.errors.message);
    }
    const std::uint64_t width = decoder.info.output_width;
    const std::uint64_t height = decoder.info.output_height;
    if (width * height > static_cast<std::uint64_t>(kMaxJpegPixels)) {
        DecodeFailed(path, "the picture of " + std::to_string(width) + " x " +
                               std::to_string(height) + " pixels is larger than the " +
                               std::to_string(kMaxJpegPixels / 1'000'000) +
                               " megapixels this program accepts");
    }
    // A camera stores a picture as its sensor saw it and says in its Exif
    // data how to turn it; the turn is made while decoding, a band of rows
    // at a time, so it needs no second picture in memory.
    const Orientation orientation = ReadExifOrientation(decoder.exif);
    const Size fullSize = OrientedSize(
        {static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)}, orientation);
    RowSink sink;
    if (sinkFor) {
        if (orientation != Orientation::Normal || decoder.cmyk) {
            return std::nullopt;
        }
        sink = (*sinkFor)(fullSize);
        if (!sink) {
            return std::nullopt;
        }
    }
    unsigned reduction = 1;
    if (wanted) {
        reduction = ReductionFor(decoder.info, orientation, wanted(fullSize));
        if (reduction > 1 && !Reduce(decoder, reduction)) {
            DecodeFailed(path, decoder.errors.message);
        }
    }
    const Size size = OrientedSize({static_cast<std::int32_t>(decoder.info.output_width),
                                    static_cast<std::int32_t>(decoder.info.output_height)},
                                   orientation);
    // Every pixel is decoded into; an error throws the bitmap away.
    Bitmap bitmap = sink ? Bitmap() : Bitmap::Unpainted(size.width, size.height);
    std::vector<std::uint8_t> cmykRow(decoder.cmyk ? std::size_t{decoder.info.output_width} * 4
                                                   : 0);
    Band band(decoder.info.output_width, decoder.info.output_height, orientation, bool(sink));
    const Output out{
        sink ? nullptr : &bitmap, orientation, cmykRow.data(), band.bytes.data(), band.stride,
        sink ? &sink : nullptr,   size};
    const JDIMENSION split = inOrder ? 0 : SplitRow(decoder.info, decoder.cmyk);
    if (split == 0) {
        if (!Decompress(decoder, out, 0, decoder.info.output_height, true)) {
            DecodeFailed(path, decoder.errors.message);
        }
        return ReducedPicture{std::move(bitmap), fullSize};
    }
    // A large picture is decoded by two decoders at once, each into its own
    // rows: a change on a machine with two cores or more takes about two
    // thirds of the time. The lower part's decoder reads the whole file, so
    // damage anywhere is still found.
    std::string lowerFailure;
    SideTask lower(
        [&] { lowerFailure = DecodeLowerPart(path, upper, out, split, decoder.cmyk, reduction); });
    const bool upperDecoded = Decompress(decoder, out, 0, split, false);
    lower.Get();
    if (!upperDecoded) {
        DecodeFailed(path, decoder.errors.message);
    }
    if (!lowerFailure.empty()) {
        DecodeFailed(path, lowerFailure);
    }
    return ReducedPicture{std::move(bitmap), fullSize};
}

}  // namespace

Bitmap DecodeJpegFile(const fs::path& path) {
    return std::move(DecodeFile(path, nullptr, nullptr)->bitmap);
}

std::optional<Size> JpegFileSize(const fs::path& path) {
    FileDecoder upper;
    if (!upper.Open(path)) {
        return std::nullopt;
    }
    Decoder& decoder = upper.decoder;
    if (!ReadHeader(decoder, upper.Input(), true)) {
        return std::nullopt;
    }
    return OrientedSize({static_cast<std::int32_t>(decoder.info.image_width),
                         static_cast<std::int32_t>(decoder.info.image_height)},
                        ReadExifOrientation(decoder.exif));
}

ReducedPicture DecodeJpegFileCovering(const fs::path& path,
                                      const std::function<Size(Size)>& wanted) {
    return std::move(*DecodeFile(path, wanted, nullptr));
}

std::optional<Size> DecodeJpegFileRows(const fs::path& path,
                                       const std::function<RowSink(Size)>& sinkFor,
                                       RowOrder order) {
    const std::optional<ReducedPicture> decoded =
        DecodeFile(path, nullptr, &sinkFor, order == RowOrder::TopDown);
    return decoded ? std::optional<Size>(decoded->fullSize) : std::nullopt;
}

void JpegFileToBmpFile(const fs::path& destination, const fs::path& source) {
    const Bitmap bitmap = DecodeJpegFile(source);
    WriteBmpFile(destination, bitmap);
}

fs::path ConvertToBmp(const fs::path& jpegPath) {
    return ConvertToBmpKeepingBitmap(jpegPath).bmpPath;
}

fs::path ConvertedBmpPath(const fs::path& jpegPath) {
    fs::path bmpPath = ReplaceExtension(jpegPath, ".bmp");
    // A download already named ".bmp" would be replaced by its own conversion
    // and then kept in the cache as if it were the download; write beside it.
    if (SameIgnoringAsciiCase(bmpPath, jpegPath)) {
        bmpPath = jpegPath;
        bmpPath += ".bmp";
    }
    return bmpPath;
}

bool ConversionIsCurrent(const fs::path& jpegPath, Size size) {
    return ConversionIsCurrent(jpegPath, ConvertedBmpPath(jpegPath), size);
}

bool ConversionIsCurrent(const fs::path& jpegPath, const fs::path& bmpPath, Size size) {
    std::error_code ec;
    if (size.width <= 0 || size.height <= 0 ||
        fs::symlink_status(bmpPath, ec).type() != fs::file_type::regular) {
        return false;
    }
    const std::uint64_t stride = (std::uint64_t(size.width) * 3 + 3) / 4 * 4;
    const std::uintmax_t bytes = fs::file_size(bmpPath, ec);
    if (ec || bytes != kBmpHeaderSize + stride * std::uint64_t(size.height)) {
        return false;
    }
    // Sizes of the same bytes (48 x 64 and 64 x 48) differ in the header.
    unsigned char header[26] = {};
    {
        const detail::StdioFile file = detail::OpenStdioFile(bmpPath, false);
        if (!file || std::fread(header, 1, sizeof header, file.get()) != sizeof header) {
            return false;
        }
    }
    const auto u32 = [&header](std::size_t at) {
        return std::uint32_t{header[at]} | std::uint32_t{header[at + 1]} << 8 |
               std::uint32_t{header[at + 2]} << 16 | std::uint32_t{header[at + 3]} << 24;
    };
    if (u32(18) != std::uint32_t(size.width) || u32(22) != std::uint32_t(size.height)) {
        return false;
    }
    const fs::file_time_type converted = fs::last_write_time(bmpPath, ec);
    if (ec) {
        return false;
    }
    const fs::file_time_type downloaded = fs::last_write_time(jpegPath, ec);
    return !ec && converted >= downloaded;
}

void TouchConversion(const fs::path& jpegPath) {
    TouchConversionFile(ConvertedBmpPath(jpegPath));
}

void TouchConversionFile(const fs::path& bmpPath) {
    std::error_code ignored;
    fs::last_write_time(bmpPath, fs::file_time_type::clock::now(), ignored);
}

ConvertedImage ConvertToBmpKeepingBitmap(const fs::path& jpegPath) {
    ConvertedImage converted{ConvertedBmpPath(jpegPath), DecodeJpegFile(jpegPath)};
    WriteBmpFile(converted.bmpPath, converted.bitmap);
    return converted;
}

fs::path ReplaceExtension(const fs::path& path, std::string_view extension) {
    using Char = fs::path::value_type;
    static constexpr Char kSeparators[] = {Char('/'), Char('\\'), Char(0)};
    const fs::path::string_type& text = path.native();
    const auto dot = text.find_last_of(Char('.'));
    const auto separator = text.find_last_of(kSeparators);
    const bool dotInName = dot != fs::path::string_type::npos &&
                           (separator == fs::path::string_type::npos || dot > separator);
    fs::path::string_type result = dotInName ? text.substr(0, dot) : text;
    result += fs::path(extension).native();
    return fs::path(std::move(result));
}

}  // namespace wylo
