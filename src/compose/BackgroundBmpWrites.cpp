#include "compose/BackgroundBmpWrites.h"

#include <algorithm>

#include "compose/BmpFile.h"

namespace wylo {

void BackgroundBmpWrites::Start(const std::filesystem::path& path, const Bitmap& bitmap) {
    if (std::any_of(writes_.begin(), writes_.end(),
                    [&path](const Write& w) { return w.path == path; })) {
        return;
    }
    writes_.push_back(
        {path, std::make_unique<SideTask>([path, &bitmap] { WriteBmpFile(path, bitmap); })});
}

void BackgroundBmpWrites::Finish() {
    std::vector<Write> writes = std::move(writes_);
    writes_.clear();
    // Every write is waited for before the first error leaves.
    for (Write& w : writes) {
        w.done->Wait();
    }
    for (Write& w : writes) {
        w.done->Get();
    }
}

void BackgroundBmpWrites::Abandon() {
    for (Write& w : writes_) {
        w.done->Wait();
    }
    writes_.clear();
}

}  // namespace wylo
