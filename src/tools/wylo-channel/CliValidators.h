#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "base/WebAddress.h"
#include "tools/wylo-channel/GivenChannel.h"

namespace wylo::tool {

// Accepts an http or https address; also nothing at all when allowEmpty.
inline CLI::Validator WebAddressValidator(bool allowEmpty) {
    return CLI::Validator(
        [allowEmpty](const std::string& text) {
            return (allowEmpty && text.empty()) || IsFetchableUrl(text)
                       ? std::string()
                       : "must be an http or https address";
        },
        "URL", "WebAddress");
}

// Accepts what check and render read: an http or https address, or the
// path of an existing folder.
inline CLI::Validator GivenChannelValidator() {
    return CLI::Validator(GivenChannelProblem, "URL|FOLDER", "Channel");
}

}  // namespace wylo::tool
