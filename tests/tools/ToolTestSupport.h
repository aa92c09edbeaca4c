#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "base/Colour.h"
#include "compose/Bitmap.h"
#include "support/JpegWriter.h"
#include "support/PictureChecks.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "tools/wylo-channel/PhotoPicture.h"

namespace wylo::test {

// Serves every file below root at "/" + its path relative to root, the way a
// static web server would.
inline void ServeTree(TestHttpServer& server, const std::filesystem::path& root) {
    const std::time_t now = std::time(nullptr);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            const std::string path =
                "/" + std::filesystem::relative(entry.path(), root).generic_string();
            server.Serve(path, ReadFile(entry.path()), now);
        }
    }
}

}  // namespace wylo::test
