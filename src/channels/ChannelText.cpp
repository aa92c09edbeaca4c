#include "channels/ChannelText.h"

#include "channels/ChannelDirectory.h"
#include "channels/Download.h"

namespace wylo {

std::string ShownTitle(std::string_view title) {
    return ShortenedText(title, kMaxShownTitleBytes);
}

std::string ShownDescription(std::string_view description) {
    description = description.substr(0, kMaxShownDescriptionBytes * 2);
    std::string shown;
    shown.reserve(description.size());
    for (std::size_t i = 0; i < description.size(); ++i) {
        const char c = description[i];
        if (c == '\t') {
            continue;
        }
        if (c == '\r') {
            shown += '\n';
            if (i + 1 < description.size() && description[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        shown += c;
    }
    return ShortenedText(shown, kMaxShownDescriptionBytes);
}

bool IsSubscriptionRequired(std::string_view value) {
    return value == "1" || UpperAscii(value) == "TRUE";
}

std::string ImageCaption(std::string_view title, std::string_view loc) {
    return ShownTitle(title.empty() ? FileNameFromUrl(loc) : std::string(title));
}

}  // namespace wylo
