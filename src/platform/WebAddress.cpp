#include <algorithm>
#include <cctype>

#include "platform/Platform.h"

namespace wylo {

bool IsWebAddress(std::string_view url) {
    auto startsWith = [url](std::string_view prefix) {
        return url.size() > prefix.size() &&
               std::equal(prefix.begin(), prefix.end(), url.begin(),
                          [](char expected, char actual) {
                              return std::tolower(static_cast<unsigned char>(actual)) == expected;
                          });
    };
    return startsWith("http://") || startsWith("https://");
}

}  // namespace wylo
