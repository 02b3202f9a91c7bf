#pragma once

#include "engine/CAudioEffect.h"
#include "engine/LV2PluginInfo.h"
#include "engine/Realtime.h"

#include <lv2/core/lv2.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LilvInstanceImpl;

// Runs one installed LV2 plug-in in a chain. Its parameters are the plug-in's
// control inputs. A plug-in with one audio input and output runs as two
// instances, one per channel of the stereo chain; one with a mono input and
// stereo outputs hears the two channels mixed.
//
// A plug-in whose output is ever not a finite number is bypassed from then
// on (the block and every later one pass unchanged), and its name goes to
// CBypassNotices for the user to be told.
//
// The saved state is a CLV2State: the plug-in's URI and its control values
// by port symbol.
class CLV2Effect : public CAudioEffect {
public:
    // The plug-in and the host's features (a null-terminated list) outlive the effect.
    CLV2Effect(const LV2PluginInfo& plugin, const LV2_Feature* const* features);
    ~CLV2Effect() override;

    const std::string& GetUri() const { return m_plugin.uri; }
    double GetTailMs() const override { return m_plugin.tailMs; }

    std::vector<uint8_t> GetState() const override;
    // Refuses a state of another plug-in or a damaged one. Controls the state
    // does not name go back to their defaults; symbols the plug-in no longer
    // has are ignored.
    bool SetState(const uint8_t* data, size_t size) override;

    // The plug-in's own memory (a reverb's tail) cannot be cleared while it
    // runs: LV2 only resets a plug-in when it is activated, which may allocate.
    void Reset() override {}

    // True once the plug-in gave a sample that is not finite, or could not be
    // made for the rate: it plays dry then.
    bool IsBypassed() const { return m_bypassed.load(std::memory_order_relaxed); }
    static bool AllFinite(const float* samples, size_t count) LOOMTONE_REALTIME;

private:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;

    int InstanceCount() const { return m_plugin.audioOutputs.size() == 1 ? 2 : 1; }
    bool MakeInstances(double sampleRate);
    void ConnectPorts(LilvInstanceImpl* instance, size_t channel);
    void FreeInstances();
    void Bypass() LOOMTONE_REALTIME;

    const LV2PluginInfo& m_plugin;
    const LV2_Feature* const* m_features;
    std::vector<LilvInstanceImpl*> m_instances;
    std::vector<float> m_portValues; // one per port: the control inputs' and outputs' values
    std::vector<float> m_in[2];
    std::vector<float> m_out[2];
    std::atomic<bool> m_bypassed{false};
};
