#include "engine/CLV2Effect.h"

#include "engine/CBypassNotices.h"
#include "engine/CLV2State.h"
#include "support/Log.h"

#include <lilv/lilv.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

std::vector<EffectParameterInfo> ParametersOf(const LV2PluginInfo& plugin) {
    std::vector<EffectParameterInfo> parameters;
    parameters.reserve(plugin.controls.size());
    for (const LV2ControlPort& control : plugin.controls)
        parameters.push_back(control.info);
    return parameters;
}

// Making and freeing instances loads and unloads the plug-ins' libraries
// through the world, which is not safe from two threads at once.
std::mutex& InstanceMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

CLV2Effect::CLV2Effect(const LV2PluginInfo& plugin, const LV2_Feature* const* features)
    : CAudioEffect(CLV2State::MakeID(plugin.uri), plugin.name, ParametersOf(plugin), {}),
      m_plugin(plugin), m_features(features) {}

CLV2Effect::~CLV2Effect() {
    FreeInstances();
}

std::vector<uint8_t> CLV2Effect::GetState() const {
    CLV2State state;
    state.uri = m_plugin.uri;
    for (size_t i = 0; i < m_plugin.controls.size(); ++i)
        state.controls.emplace_back(m_plugin.controls[i].symbol, GetParameter(static_cast<int>(i)));
    return state.Write();
}

bool CLV2Effect::SetState(const uint8_t* data, size_t size) {
    CLV2State state;
    if (!state.Read(data, size) || state.uri != m_plugin.uri) {
        LogFmt("CLV2Effect::SetState - %s: not a state of this plug-in - returning false!",
               GetName().c_str());
        return false;
    }
    for (size_t i = 0; i < m_plugin.controls.size(); ++i) {
        const LV2ControlPort& control = m_plugin.controls[i];
        float value = control.info.defaultValue;
        for (const auto& [symbol, saved] : state.controls) {
            if (symbol == control.symbol)
                value = saved;
        }
        SetParameter(static_cast<int>(i), value);
    }
    return true;
}

bool CLV2Effect::AllFinite(const float* samples, size_t count) LOOMTONE_REALTIME {
    // Summing a difference keeps the loop free of branches: x - x is 0 for
    // every finite x and NaN for infinities and NaN.
    float sum = 0.0f;
    for (size_t i = 0; i < count; ++i)
        sum += samples[i] - samples[i];
    return sum == 0.0f;
}

void CLV2Effect::OnPrepare(double sampleRate, int maxBlockFrames) {
    FreeInstances();
    m_portValues.assign(m_plugin.numPorts, 0.0f);
    for (const LV2ControlPort& control : m_plugin.controls)
        m_portValues[control.index] = control.info.defaultValue;
    for (std::vector<float>& buffer : m_in)
        buffer.assign(static_cast<size_t>(maxBlockFrames), 0.0f);
    for (std::vector<float>& buffer : m_out)
        buffer.assign(static_cast<size_t>(maxBlockFrames), 0.0f);
    if (!MakeInstances(sampleRate)) {
        LogFmt("CLV2Effect::Prepare - %s could not be made at %.0f Hz; it plays dry",
               GetName().c_str(), sampleRate);
        FreeInstances();
        m_bypassed.store(true);
    }
}

bool CLV2Effect::MakeInstances(double sampleRate) {
    std::lock_guard guard(InstanceMutex());
    for (int i = 0; i < InstanceCount(); ++i) {
        LilvInstance* instance = lilv_plugin_instantiate(m_plugin.plugin, sampleRate, m_features);
        if (!instance)
            return false;
        m_instances.push_back(instance);
        ConnectPorts(instance, static_cast<size_t>(i));
        lilv_instance_activate(instance);
    }
    return true;
}

// Instance `channel` of a mono plug-in takes that channel; a stereo
// plug-in's one instance takes both.
void CLV2Effect::ConnectPorts(LilvInstance* instance, size_t channel) {
    for (uint32_t port = 0; port < m_plugin.numPorts; ++port)
        lilv_instance_connect_port(instance, port, nullptr);
    for (const LV2ControlPort& control : m_plugin.controls)
        lilv_instance_connect_port(instance, control.index, &m_portValues[control.index]);
    for (uint32_t port : m_plugin.controlOutputs)
        lilv_instance_connect_port(instance, port, &m_portValues[port]);
    for (size_t i = 0; i < m_plugin.audioInputs.size(); ++i)
        lilv_instance_connect_port(instance, m_plugin.audioInputs[i], m_in[channel + i].data());
    for (size_t i = 0; i < m_plugin.audioOutputs.size(); ++i)
        lilv_instance_connect_port(instance, m_plugin.audioOutputs[i], m_out[channel + i].data());
}

void CLV2Effect::FreeInstances() {
    std::lock_guard guard(InstanceMutex());
    for (LilvInstance* instance : m_instances) {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    m_instances.clear();
}

void CLV2Effect::OnProcess(float* stereo, int frames) {
    if (IsBypassed() || m_instances.empty())
        return;
    for (size_t i = 0; i < m_plugin.controls.size(); ++i)
        m_portValues[m_plugin.controls[i].index] = ParameterValue(static_cast<int>(i));
    const bool mixToMono = m_instances.size() == 1 && m_plugin.audioInputs.size() == 1;
    for (int frame = 0; frame < frames; ++frame) {
        const float left = stereo[2 * frame];
        const float right = stereo[2 * frame + 1];
        m_in[0][static_cast<size_t>(frame)] = mixToMono ? 0.5f * (left + right) : left;
        m_in[1][static_cast<size_t>(frame)] = right;
    }
    for (LilvInstance* instance : m_instances)
        lilv_instance_run(instance, static_cast<uint32_t>(frames));
    const size_t count = static_cast<size_t>(frames);
    if (!AllFinite(m_out[0].data(), count) || !AllFinite(m_out[1].data(), count)) {
        Bypass(); // the block stays as it came in
        return;
    }
    for (int frame = 0; frame < frames; ++frame) {
        stereo[2 * frame] = m_out[0][static_cast<size_t>(frame)];
        stereo[2 * frame + 1] = m_out[1][static_cast<size_t>(frame)];
    }
}

void CLV2Effect::Bypass() LOOMTONE_REALTIME {
    m_bypassed.store(true, std::memory_order_relaxed);
    CBypassNotices::Instance().Post(GetName().c_str());
}
