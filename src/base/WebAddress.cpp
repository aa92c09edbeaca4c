#include "base/WebAddress.h"

#include <algorithm>

namespace wylo {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
    return text.size() >= lowerPrefix.size() &&
           std::equal(lowerPrefix.begin(), lowerPrefix.end(), text.begin(),
                      [](char expected, char actual) {
                          if (actual >= 'A' && actual <= 'Z') {
                              actual = static_cast<char>(actual - 'A' + 'a');
                          }
                          return actual == expected;
                      });
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == '\x7F';
}

}  // namespace

bool IsWebAddress(std::string_view url) {
    for (const std::string_view scheme :
         {std::string_view("http://"), std::string_view("https://")}) {
        if (url.size() > scheme.size() && StartsWithNoCase(url, scheme)) {
            return true;
        }
    }
    return false;
}

bool IsFetchableUrl(std::string_view url) {
    return IsWebAddress(url) && std::none_of(url.begin(), url.end(), IsControl);
}

bool IsWebAddressWithoutBlanks(std::string_view url) {
    return IsFetchableUrl(url) && url.find(' ') == std::string_view::npos;
}

}  // namespace wylo
