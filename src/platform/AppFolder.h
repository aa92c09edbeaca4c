#pragma once

#include <filesystem>

#include "platform/Platform.h"

namespace wylo {

// The folder that holds every file Wylo writes: the shared application-data
// folder followed by "Wylo" and a separator. Worked out anew on every call.
std::filesystem::path AppFolder(const Platform& platform);

// Creates AppFolder with its parents when missing; a failure is not reported
// (the first write into it reports it).
void EnsureAppFolder(const Platform& platform);

}  // namespace wylo
