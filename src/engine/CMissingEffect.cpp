#include "engine/CMissingEffect.h"

#include "engine/CLV2State.h"

CMissingEffect::CMissingEffect(const EffectID& id, const uint8_t* state, size_t stateSize)
    : CAudioEffect(id, DescribeMissing(id, state, stateSize) + " (missing)", {}, {}) {
    SetState(state, stateSize);
}

std::string CMissingEffect::DescribeMissing(const EffectID& id, const uint8_t* state,
                                            size_t stateSize) {
    std::string uri;
    if (CLV2State::IsPluginID(id) && CLV2State::ReadUri(state, stateSize, uri))
        return uri;
    return EffectIDToText(id);
}

bool CMissingEffect::SetState(const uint8_t* data, size_t size) {
    m_state.assign(data, data + (data ? size : 0));
    return true;
}
