#pragma once

#include "engine/SoundTags.h"

#include <string>
#include <vector>

// One output file of a render: the timeline range it covers and the texts
// written into it where its format carries tags. The render worker's own
// name for it, kept because the mix-down and render code call it so.
struct _renderWorkerTrackStruct {
    // An end at or below this renders to where the mix of the sound group falls
    // silent (CPCMMixer::GetRingingEndTime: effects ringing on).
    static constexpr double kToEnd = -1.0;

    double startMs = 0.0;
    double endMs = kToEnd;
    std::string title;
    std::string artist;
    std::string album;
    std::string genre;
    int trackNumber = 0;
    int genreNumber = 0;
    std::string year;
    std::string comment;
    std::string copyright;

    // The texts as an encoder takes them.
    SoundTags Tags() const;
};

// The entries of a render, one per output file, in the order they are written.
class CTrackRenderList {
public:
    static constexpr int kMaxEntries = 999;

    // Appends a copy. False for a start that is negative or not a number, an
    // end before the start (other than kToEnd), or a full list.
    bool AddTrackInfo(const _renderWorkerTrackStruct& info);
    int Count() const { return static_cast<int>(m_entries.size()); }
    // Null for a bad index.
    const _renderWorkerTrackStruct* At(int index) const;
    void Clear() { m_entries.clear(); }

private:
    std::vector<_renderWorkerTrackStruct> m_entries;
};
