#pragma once

#include <stdexcept>

namespace wylo {

// An error whose message a user can read. Everything the core lets reach a
// caller derives from it, so the program can show it in its error box.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace wylo
