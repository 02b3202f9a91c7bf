#include "engine/CAudioEffect.h"

#include "engine/CByteReader.h"
#include "engine/CByteWriter.h"
#include "support/Log.h"

#include <algorithm>
#include <cmath>

std::string EffectIDToText(const EffectID& id) {
    std::string text;
    for (uint8_t byte : id) {
        if (byte == 0)
            continue;
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    }
    return text;
}

CAudioEffect::CAudioEffect(const EffectID& id, std::string name,
                           std::vector<EffectParameterInfo> parameters,
                           std::vector<EffectPreset> presets)
    : m_id(id), m_name(std::move(name)), m_parameters(std::move(parameters)),
      m_presets(std::move(presets)),
      m_values(std::make_unique<std::atomic<float>[]>(m_parameters.size())),
      m_presetName(kCustomPresetName) {
    for (size_t i = 0; i < m_parameters.size(); ++i)
        m_values[i].store(m_parameters[i].defaultValue);
    // A preset that holds exactly the defaults names the fresh effect's settings.
    for (const EffectPreset& preset : m_presets) {
        bool same = preset.values.size() == m_parameters.size();
        for (size_t i = 0; same && i < m_parameters.size(); ++i)
            same = m_parameters[i].Clamp(preset.values[i]) == m_values[i].load();
        if (same) {
            m_presetName = preset.name;
            break;
        }
    }
}

CAudioEffect::~CAudioEffect() = default;

const EffectParameterInfo* CAudioEffect::GetParameterInfo(int index) const {
    if (index < 0 || index >= GetNumParameters())
        return nullptr;
    return &m_parameters[static_cast<size_t>(index)];
}

float CAudioEffect::GetParameter(int index) const {
    if (index < 0 || index >= GetNumParameters())
        return 0.0f;
    return ParameterValue(index);
}

bool CAudioEffect::SetParameter(int index, float value) {
    const EffectParameterInfo* info = GetParameterInfo(index);
    if (!info)
        return false;
    const float clamped = info->Clamp(value);
    std::atomic<float>& slot = m_values[static_cast<size_t>(index)];
    if (slot.load() != clamped) {
        slot.store(clamped, std::memory_order_relaxed);
        m_presetName = kCustomPresetName;
    }
    return true;
}

std::string CAudioEffect::GetPresetName(int index) const {
    if (index < 0 || index >= GetNumPresets())
        return {};
    return m_presets[static_cast<size_t>(index)].name;
}

bool CAudioEffect::LoadPreset(int index) {
    if (index < 0 || index >= GetNumPresets())
        return false;
    const EffectPreset& preset = m_presets[static_cast<size_t>(index)];
    for (size_t i = 0; i < m_parameters.size(); ++i) {
        const float value =
            i < preset.values.size() ? preset.values[i] : m_parameters[i].defaultValue;
        m_values[i].store(m_parameters[i].Clamp(value), std::memory_order_relaxed);
    }
    m_presetName = preset.name;
    return true;
}

bool CAudioEffect::LoadPreset(const std::string& name) {
    for (int i = 0; i < GetNumPresets(); ++i) {
        if (m_presets[static_cast<size_t>(i)].name == name)
            return LoadPreset(i);
    }
    return false;
}

// State layout, little-endian: u16 version (1), u16 parameter count, one f32
// per parameter, then the preset name as u16 length and bytes.
std::vector<uint8_t> CAudioEffect::GetState() const {
    CByteWriter writer;
    writer.WriteU16(kStateVersion);
    writer.WriteU16(static_cast<uint16_t>(m_parameters.size()));
    for (size_t i = 0; i < m_parameters.size(); ++i)
        writer.WriteF32(m_values[i].load());
    writer.WriteText(m_presetName);
    return writer.TakeBytes();
}

bool CAudioEffect::SetState(const uint8_t* data, size_t size) {
    CByteReader reader(data, size);
    uint16_t version = 0;
    uint16_t count = 0;
    if (!reader.ReadU16(version) || version != kStateVersion || !reader.ReadU16(count) ||
        count > kMaxStateParameters) {
        LogFmt("CAudioEffect::SetState - %s: bad state header - returning false!", m_name.c_str());
        return false;
    }
    std::vector<float> values(count);
    for (float& value : values)
        reader.ReadF32(value);
    std::string presetName;
    if (!reader.Ok() || !reader.ReadText(presetName, kMaxPresetNameBytes) || !reader.AtEnd() ||
        !std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); })) {
        LogFmt("CAudioEffect::SetState - %s: bad state body - returning false!", m_name.c_str());
        return false;
    }
    // A state from a version of the effect with fewer parameters leaves the
    // newer ones at their defaults; extra values are ignored.
    for (size_t i = 0; i < m_parameters.size(); ++i) {
        const float value = i < values.size() ? values[i] : m_parameters[i].defaultValue;
        m_values[i].store(m_parameters[i].Clamp(value), std::memory_order_relaxed);
    }
    m_presetName = presetName.empty() ? kCustomPresetName : presetName;
    return true;
}

void CAudioEffect::HandleMidiEvent(const EffectMidiEvent&) {}

bool CAudioEffect::IsValidFormat(double sampleRate, int maxBlockFrames) {
    return sampleRate >= 8000.0 && sampleRate <= 384000.0 && maxBlockFrames >= 1 &&
           maxBlockFrames <= 65536;
}

bool CAudioEffect::Prepare(double sampleRate, int maxBlockFrames) {
    if (!IsValidFormat(sampleRate, maxBlockFrames))
        return false;
    m_sampleRate = sampleRate;
    m_maxBlockFrames = maxBlockFrames;
    OnPrepare(sampleRate, maxBlockFrames);
    Reset();
    return true;
}

void CAudioEffect::Process(float* stereo, int frames) {
    if (!IsPrepared() || !stereo)
        return;
    while (frames > 0) {
        const int part = std::min(frames, m_maxBlockFrames);
        OnProcess(stereo, part);
        stereo += static_cast<ptrdiff_t>(part) * 2;
        frames -= part;
    }
}
