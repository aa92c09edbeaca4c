#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace wylo {

// The longest texts from a channel that reach the window, a file or a
// message: a title or a name, and a description. A channel can publish
// megabytes in one element; nobody reads past these.
inline constexpr std::size_t kMaxShownTitleBytes = 200;
inline constexpr std::size_t kMaxShownDescriptionBytes = 8 * 1024;

// A title, a name or a copyright line from a channel, cut to
// kMaxShownTitleBytes.
std::string ShownTitle(std::string_view title);

// A channel's description as the channel page shows it: every line break
// (LF, CR LF or a lone CR) is one "\n" and tab characters are removed; cut
// to kMaxShownDescriptionBytes.
std::string ShownDescription(std::string_view description);

// True when a control file's "subscription" value says the channel needs a
// subscription: "1", or "TRUE" in any mix of upper and lower case.
bool IsSubscriptionRequired(std::string_view value);

// The caption of an image's row: its title, or when that is empty the file
// name of its address; cut as ShownTitle.
std::string ImageCaption(std::string_view title, std::string_view loc);

}  // namespace wylo
