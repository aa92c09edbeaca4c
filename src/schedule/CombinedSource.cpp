#include "schedule/CombinedSource.h"

namespace wylo {

std::int32_t CombinedSource::FirstOf(std::size_t part) const {
    std::int32_t first = 0;
    for (std::size_t k = 0; k < part && k < parts_.size(); ++k) {
        first += parts_[k]->ImageCount();
    }
    return first;
}

CombinedSource::Place CombinedSource::Locate(std::int32_t index) const {
    std::int32_t first = 0;
    for (std::size_t k = 0; k < parts_.size(); ++k) {
        const std::int32_t count = parts_[k]->ImageCount();
        if (index >= first && index - first < count) {
            return {k, index - first};
        }
        first += count;
    }
    return {0, index};
}

std::string CombinedSource::RefreshControlFile(std::int32_t channelIndex) {
    return parts_.front()->RefreshControlFile(channelIndex);
}

std::int32_t CombinedSource::ImageCount() const {
    return FirstOf(parts_.size());
}

ChannelPicture CombinedSource::Image(std::int32_t index) const {
    const Place at = Locate(index);
    return parts_[at.part]->Image(at.index);
}

std::filesystem::path CombinedSource::ImageFilePath(std::int32_t index) {
    const Place at = Locate(index);
    fetchedFrom_ = at.part;
    return parts_[at.part]->ImageFilePath(at.index);
}

std::filesystem::path CombinedSource::ConversionPath(std::int32_t index,
                                                     const std::filesystem::path& picture) const {
    const Place at = Locate(index);
    return parts_[at.part]->ConversionPath(at.index, picture);
}

std::string CombinedSource::LastDownloadError() const {
    return parts_[fetchedFrom_ < parts_.size() ? fetchedFrom_ : 0]->LastDownloadError();
}

std::string CombinedSource::ChannelName() const {
    return parts_.front()->ChannelName();
}

std::string CombinedSource::ChannelNameOf(std::int32_t index) const {
    return parts_[Locate(index).part]->ChannelName();
}

std::string CombinedSource::ChannelId(std::int32_t index) const {
    const Place at = Locate(index);
    return parts_[at.part]->ChannelId(at.index);
}

std::filesystem::path CombinedSource::CachedPicturePath(std::int32_t index) const {
    const Place at = Locate(index);
    return parts_[at.part]->CachedPicturePath(at.index);
}

}  // namespace wylo
