#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wylo {

// UTF-8 (the core's texts) to UTF-16 (the W functions) and back. Nothing when
// the input is not valid in its encoding.
std::optional<std::wstring> WideFromUtf8(std::string_view text);
std::optional<std::string> Utf8FromWide(std::wstring_view text);

// The system's text for an error code (a Win32 or registry status), without
// its final full stop; "error N" when the system has none.
std::string SystemErrorText(unsigned long status);

}  // namespace wylo
