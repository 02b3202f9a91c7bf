#include "engine/CTrackRenderList.h"

#include <cmath>

SoundTags _renderWorkerTrackStruct::Tags() const {
    SoundTags tags;
    tags.title = title;
    tags.artist = artist;
    tags.album = album;
    tags.genre = genre;
    tags.year = year;
    tags.comment = comment;
    tags.copyright = copyright;
    tags.trackNumber = trackNumber;
    return tags;
}

bool CTrackRenderList::AddTrackInfo(const _renderWorkerTrackStruct& info) {
    if (Count() >= kMaxEntries || !std::isfinite(info.startMs) || info.startMs < 0.0 ||
        std::isnan(info.endMs))
        return false;
    const bool toEnd = info.endMs <= _renderWorkerTrackStruct::kToEnd;
    if (!toEnd && (info.endMs < info.startMs || std::isinf(info.endMs)))
        return false;
    m_entries.push_back(info);
    return true;
}

const _renderWorkerTrackStruct* CTrackRenderList::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_entries[static_cast<size_t>(index)];
}
