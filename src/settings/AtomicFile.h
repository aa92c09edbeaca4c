#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace wylo {

// Replaces the file at path with bytes so that a reader sees either the old
// file or the new one, never a mixture: the bytes go to a temporary file in
// the same folder, are flushed to the disk, and the temporary file is renamed
// over path. An existing file keeps its permissions. The folder must exist.
// On any failure the temporary file is removed, the old file stays as it was,
// and Error("Unable to write to <full path>") is thrown.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// True when name is the name WriteFileAtomically gives its temporary file for
// a target named targetName: targetName + ".tmp-" + 16 hexadecimal digits.
// Such a file outlives its save only when the program was killed mid-way.
bool IsAtomicWriteLeftover(std::string_view targetName, std::string_view name);

// The absolute form of path as UTF-8 text, for messages.
std::string FullPathText(const std::filesystem::path& path);

}  // namespace wylo
