#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "compose/Bitmap.h"

namespace wylo {

// Saves bitmap as a Windows BMP file: 24 bits per pixel, uncompressed,
// bottom-up rows. The file is written beside path under a temporary name and
// then renamed over path, so a reader never sees a half-written file and a
// failed write leaves any earlier file at path as it was. A plain file at
// path that already holds exactly this picture is kept as it is (only its
// time is set to now), which spares rewriting many megabytes when an image
// comes round again. Throws Error
// ("Unable to write <path>: <reason>") when the bitmap is empty or the file
// cannot be written.
void WriteBmpFile(const std::filesystem::path& path, const Bitmap& bitmap);

// True when name is that of WriteBmpFile's temporary file for a ".bmp"
// target ("desktop.bmp.tmp", "photo.bmp.tmp"), or of the earlier file it
// moves aside for a moment ("desktop.bmp.old"). They outlive the write only
// when the program was killed mid-way.
bool IsBmpWriteLeftover(std::string_view name);

// Loads a 24-bit uncompressed BMP file (bottom-up or top-down rows). Anything
// else, or anything malformed, cut off or larger than Bitmap::kMaxPixels,
// throws Error ("Unable to read <path>: <reason>").
Bitmap ReadBmpFile(const std::filesystem::path& path);

// The bytes of the file header and info header that WriteBmpFile writes.
inline constexpr std::size_t kBmpHeaderSize = 54;

}  // namespace wylo
