#pragma once

#include <string>
#include <string_view>

namespace wylo {

// A channel's description as the channel page shows it: every line break
// (LF, CR LF or a lone CR) is one "\n" and tab characters are removed.
std::string ShownDescription(std::string_view description);

// True when a control file's "subscription" value says the channel needs a
// subscription: "1", or "TRUE" in any mix of upper and lower case.
bool IsSubscriptionRequired(std::string_view value);

// The caption of an image's row: its title, or when that is empty the file
// name of its address.
std::string ImageCaption(std::string_view title, std::string_view loc);

}  // namespace wylo
