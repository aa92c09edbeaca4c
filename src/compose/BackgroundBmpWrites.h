#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "base/SideTask.h"
#include "compose/Bitmap.h"

namespace wylo {

// BMP files written on threads of their own while the caller goes on with the
// pictures they hold: a change draws its monitors while the conversions
// beside the downloads are still being written. Each picture must stay alive
// and unchanged until the writes are finished or abandoned.
class BackgroundBmpWrites {
public:
    BackgroundBmpWrites() = default;
    // Waits for writes still running; their errors go unreported.
    ~BackgroundBmpWrites() { Abandon(); }
    BackgroundBmpWrites(const BackgroundBmpWrites&) = delete;
    BackgroundBmpWrites& operator=(const BackgroundBmpWrites&) = delete;

    // Starts writing bitmap to path as WriteBmpFile does. A path already
    // being written is not started again: two writers would share its
    // temporary file.
    void Start(const std::filesystem::path& path, const Bitmap& bitmap);
    // Waits for every write started and throws the first one's Error.
    void Finish();
    // Waits for every write started, ignoring how they ended: for a caller
    // already on its way out with an error of its own.
    void Abandon();

private:
    struct Write {
        std::filesystem::path path;
        std::unique_ptr<SideTask> done;
    };
    std::vector<Write> writes_;
};

}  // namespace wylo
