#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "base/WebAddress.h"

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

}  // namespace wylo::tool
