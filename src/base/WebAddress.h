#pragma once

#include <string_view>

namespace wylo {

// The rules for addresses that come from channels, the settings file or the
// command line. Wylo fetches and opens nothing but http and https.

// An absolute http:// or https:// address (scheme in any case) with something
// after the scheme: what may be opened in the user's browser.
bool IsWebAddress(std::string_view url);

// A web address without control characters: what may be requested. Blanks
// are allowed and sent as %20.
bool IsFetchableUrl(std::string_view url);

// A web address without blanks or control characters: what the settings file
// may name as the channel directory.
bool IsWebAddressWithoutBlanks(std::string_view url);

}  // namespace wylo
