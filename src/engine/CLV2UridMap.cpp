#include "engine/CLV2UridMap.h"

CLV2UridMap::CLV2UridMap()
    : m_map{this, &CLV2UridMap::MapCallback}, m_unmap{this, &CLV2UridMap::UnmapCallback},
      m_mapFeature{LV2_URID__map, &m_map}, m_unmapFeature{LV2_URID__unmap, &m_unmap} {}

LV2_URID CLV2UridMap::Map(const char* uri) {
    if (!uri)
        return 0;
    std::lock_guard guard(m_mutex);
    for (size_t i = 0; i < m_uris.size(); ++i) {
        if (m_uris[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    }
    m_uris.emplace_back(uri);
    return static_cast<LV2_URID>(m_uris.size());
}

const char* CLV2UridMap::Unmap(LV2_URID urid) {
    std::lock_guard guard(m_mutex);
    if (urid == 0 || urid > m_uris.size())
        return nullptr;
    return m_uris[urid - 1].c_str();
}

LV2_URID CLV2UridMap::MapCallback(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<CLV2UridMap*>(handle)->Map(uri);
}

const char* CLV2UridMap::UnmapCallback(LV2_URID_Unmap_Handle handle, LV2_URID urid) {
    return static_cast<CLV2UridMap*>(handle)->Unmap(urid);
}
