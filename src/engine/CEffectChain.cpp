#include "engine/CEffectChain.h"

#include "engine/CByteReader.h"
#include "engine/CByteWriter.h"
#include "engine/CMissingEffect.h"
#include "engine/EffectsFactory.h"
#include "support/CRIFF.h"
#include "support/Log.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

CEffectChain::CEffectChain() {
    // Inserting then never grows the list while the lock is held.
    m_slots.reserve(kMaxEffects);
}

CEffectChain::~CEffectChain() = default;

bool CEffectChain::Prepare(double sampleRate, int maxBlockFrames) {
    if (!CAudioEffect::IsValidFormat(sampleRate, maxBlockFrames))
        return false;
    std::lock_guard guard(m_lock);
    for (Slot& slot : m_slots)
        slot.effect->Prepare(sampleRate, maxBlockFrames);
    m_sampleRate = sampleRate;
    m_maxBlockFrames = maxBlockFrames;
    return true;
}

bool CEffectChain::Insert(std::unique_ptr<CAudioEffect> effect, int index) {
    if (!effect || NumEffects() >= kMaxEffects)
        return false;
    if (!effect->Prepare(m_sampleRate, m_maxBlockFrames)) {
        LogFmt("CEffectChain::Insert failed to prepare %s - returning false!",
               effect->GetName().c_str());
        return false;
    }
    const bool active = effect->isActive();
    std::lock_guard guard(m_lock);
    const int slot = index < 0 || index > NumEffects() ? NumEffects() : index;
    m_slots.insert(m_slots.begin() + slot, Slot{std::move(effect), active});
    return true;
}

std::unique_ptr<CAudioEffect> CEffectChain::Remove(int index) {
    if (index < 0 || index >= NumEffects())
        return nullptr;
    std::unique_ptr<CAudioEffect> effect;
    {
        std::lock_guard guard(m_lock);
        effect = std::move(m_slots[static_cast<size_t>(index)].effect);
        m_slots.erase(m_slots.begin() + index);
    }
    return effect;
}

bool CEffectChain::Swap(int first, int second) {
    if (first < 0 || first >= NumEffects() || second < 0 || second >= NumEffects())
        return false;
    std::lock_guard guard(m_lock);
    std::swap(m_slots[static_cast<size_t>(first)], m_slots[static_cast<size_t>(second)]);
    return true;
}

void CEffectChain::RemoveAll() {
    std::vector<Slot> old;
    old.reserve(kMaxEffects);
    {
        std::lock_guard guard(m_lock);
        std::swap(old, m_slots);
    }
}

CAudioEffect* CEffectChain::GetEffect(int index) const {
    if (index < 0 || index >= NumEffects())
        return nullptr;
    return m_slots[static_cast<size_t>(index)].effect.get();
}

double CEffectChain::GetTailMs() const {
    double tail = 0.0;
    for (const Slot& slot : m_slots) {
        if (slot.effect->isActive())
            tail += slot.effect->GetTailMs();
    }
    return tail;
}

std::vector<uint8_t> CEffectChain::SaveBody() const {
    CByteWriter writer;
    writer.WriteU32(kBodyVersion);
    writer.WriteU32(static_cast<uint32_t>(m_slots.size()));
    for (const Slot& slot : m_slots) {
        const std::vector<uint8_t> state = slot.effect->GetState();
        writer.WriteBytes(slot.effect->GetIdentifier().data(), sizeof(EffectID));
        writer.WriteU8(slot.effect->isActive() ? 1 : 0);
        writer.WriteU32(static_cast<uint32_t>(state.size()));
        writer.WriteBytes(state.data(), state.size());
    }
    return writer.TakeBytes();
}

bool CEffectChain::ParseBody(const uint8_t* data, size_t size, std::vector<Slot>& slots) const {
    CByteReader reader(data, size);
    uint32_t version = 0;
    uint32_t count = 0;
    if (!reader.ReadU32(version) || version != kBodyVersion) {
        LogFmt("CEffectChain::Load - unsupported chain version %u - returning false!", version);
        return false;
    }
    if (!reader.ReadU32(count) || count > static_cast<uint32_t>(kMaxEffects)) {
        LogFmt("CEffectChain::Load - bad effect count %u - returning false!", count);
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* idBytes = nullptr;
        uint8_t active = 0;
        uint32_t stateSize = 0;
        const uint8_t* state = nullptr;
        if (!reader.ReadSpan(sizeof(EffectID), idBytes) || !reader.ReadU8(active) || active > 1 ||
            !reader.ReadU32(stateSize) || stateSize > kMaxStateBytes ||
            !reader.ReadSpan(stateSize, state)) {
            LogFmt("CEffectChain::Load - effect %u is damaged - returning false!", i);
            return false;
        }
        EffectID id;
        std::memcpy(id.data(), idBytes, id.size());
        std::unique_ptr<CAudioEffect> effect = EffectsFactory::GetInstance()->LoadEffect(id);
        if (!effect) {
            // Leaving it out would lose it at the next save.
            LogFmt("CEffectChain::Load - effect '%s' is not available here; it is kept and plays "
                   "dry",
                   CMissingEffect::DescribeMissing(id, state, stateSize).c_str());
            effect = std::make_unique<CMissingEffect>(id, state, stateSize);
        }
        if (!effect->SetState(state, stateSize) ||
            !effect->Prepare(m_sampleRate, m_maxBlockFrames)) {
            LogFmt("CEffectChain::Load - %s refused its state - returning false!",
                   effect->GetName().c_str());
            return false;
        }
        effect->setActive(active == 1);
        slots.push_back(Slot{std::move(effect), active == 1});
    }
    if (!reader.AtEnd()) {
        LogFmt("CEffectChain::Load - %zu bytes after the last effect - returning false!",
               reader.Remaining());
        return false;
    }
    return true;
}

bool CEffectChain::LoadBody(const uint8_t* data, size_t size) {
    std::vector<Slot> slots;
    slots.reserve(kMaxEffects);
    if (!ParseBody(data, size, slots))
        return false;
    {
        std::lock_guard guard(m_lock);
        std::swap(slots, m_slots);
    }
    return true; // the old effects go with `slots`, outside the lock
}

bool CEffectChain::Save(CRIFF* riff, FourCC chunkCode) const {
    if (!riff || !riff->IsWriting())
        return false;
    const std::vector<uint8_t> body = SaveBody();
    if (!riff->WriteSubChunk(chunkCode, body.data(), static_cast<uint32_t>(body.size()))) {
        LogFmt("CEffectChain::Save failed on WriteSubChunk(%s) - returning false!",
               FourCCToText(chunkCode).c_str());
        return false;
    }
    return true;
}

bool CEffectChain::Load(CRIFF* riff, FourCC chunkCode) {
    if (!riff || !riff->IsReading())
        return false;
    RIFFChunkInfo chunk;
    if (!riff->SeekToChunk(chunkCode) || !riff->GetCurrentChunkInfo(nullptr, &chunk)) {
        LogFmt("CEffectChain::Load failed to find %s - returning false!",
               FourCCToText(chunkCode).c_str());
        return false;
    }
    if (chunk.chunkSize > kMaxBodyBytes) {
        LogFmt("CEffectChain::Load - %s is too large (%u bytes) - returning false!",
               FourCCToText(chunkCode).c_str(), chunk.chunkSize);
        riff->SeekToNextChunk();
        return false;
    }
    std::vector<uint8_t> body(chunk.chunkSize);
    const uint32_t read = riff->ReadCurrentSubChunk(body.data(), chunk.chunkSize);
    // The chunk is used up whatever its body holds, so the caller's next
    // read starts after it.
    riff->SeekToNextChunk();
    if (read != chunk.chunkSize) {
        LogFmt("CEffectChain::Load failed on %s (readSize != chunkSize) - returning false!",
               FourCCToText(chunkCode).c_str());
        return false;
    }
    return LoadBody(body.data(), body.size());
}

bool CEffectChain::Process(float* stereo, int frames) {
    return Process(stereo, frames, nullptr, 0);
}

bool CEffectChain::Process(float* stereo, int frames, const EffectMidiEvent* events,
                           int eventCount) {
    return Run(stereo, frames, events, eventCount, false, LivePlace{});
}

bool CEffectChain::ProcessLive(float* stereo, int frames, const EffectMidiEvent* events,
                               int eventCount, const LivePlace& place) {
    return Run(stereo, frames, events, eventCount, true, place);
}

int CEffectChain::LiveLookAheadFrames() const {
    if (!m_lock.TryLock())
        return 0;
    int frames = 0;
    for (const Slot& slot : m_slots) {
        if (slot.effect->isActive())
            frames = std::max(frames, slot.effect->LiveLookAheadFrames());
    }
    m_lock.Unlock();
    return frames;
}

bool CEffectChain::Run(float* stereo, int frames, const EffectMidiEvent* events, int eventCount,
                       bool live, const LivePlace& place) {
    if (!stereo || frames <= 0)
        return true;
    if (!m_lock.TryLock()) {
        std::fill(stereo, stereo + static_cast<ptrdiff_t>(frames) * 2, 0.0f);
        return false;
    }
    for (Slot& slot : m_slots) {
        CAudioEffect& effect = *slot.effect;
        const bool active = effect.isActive();
        if (active && !slot.wasActive)
            effect.Reset();
        slot.wasActive = active;
        if (!active)
            continue;
        if (effect.IsInstrument()) {
            effect.SetLive(live, place);
            for (int i = 0; i < eventCount; ++i)
                effect.HandleMidiEvent(events[i]);
        }
        effect.Process(stereo, frames);
    }
    m_lock.Unlock();
    return true;
}
