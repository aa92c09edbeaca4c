#pragma once

#include <filesystem>
#include <optional>

#include "compose/Bitmap.h"

namespace wylo {

// The kinds of channel preview a page can show, told by the file's extension.
enum class PreviewKind { Jpeg, Bitmap, Icon };

// The preview's kind; throws Error("Unable to show the channel preview ...")
// for any other extension.
PreviewKind PreviewKindOf(const std::filesystem::path& file);

// The preview decoded, for JPEG and bitmap files; nothing for an icon, which
// the window's toolkit reads itself. Throws Error when the file does not
// decode or is of another kind.
std::optional<Bitmap> DecodePreview(const std::filesystem::path& file);

// The error for a preview the toolkit could not read.
[[noreturn]] void ThrowPreviewError(const std::filesystem::path& file, const std::string& reason);

}  // namespace wylo
