#pragma once

#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

// The URID map and unmap features a host hands to LV2 plug-ins: URIs to
// small numbers and back, the same number for the same URI for the life of
// the program. Plug-ins call it while they are made, not while they run,
// so a lock is fine.
class CLV2UridMap {
public:
    CLV2UridMap();
    CLV2UridMap(const CLV2UridMap&) = delete;
    CLV2UridMap& operator=(const CLV2UridMap&) = delete;

    LV2_URID Map(const char* uri);
    // Null for a number never handed out.
    const char* Unmap(LV2_URID urid);

    const LV2_Feature* MapFeature() const { return &m_mapFeature; }
    const LV2_Feature* UnmapFeature() const { return &m_unmapFeature; }

private:
    static LV2_URID MapCallback(LV2_URID_Map_Handle handle, const char* uri);
    static const char* UnmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid);

    std::mutex m_mutex;
    // URID n is m_uris[n - 1]. A deque never moves its elements as it grows,
    // so the texts Unmap handed out stay where they are.
    std::deque<std::string> m_uris;
    LV2_URID_Map m_map;
    LV2_URID_Unmap m_unmap;
    LV2_Feature m_mapFeature;
    LV2_Feature m_unmapFeature;
};
