#pragma once

#include "project/CPCMAudTrack.h"

#include <string>

// A track of MIDI clips, played through its instrument chain and the
// instrument's effects chain, and recorded from a MIDI input device.
class CMIDITrack : public CPCMAudTrack {
public:
    static constexpr uint32_t kDefaultColour = 0xFF0000;

    explicit CMIDITrack(TrackServices& services) : CPCMAudTrack(services, kMidi) {}

    void Init() override;
    TrackSettings GetSettings() const override;
    void ApplySettings(const TrackSettings& settings) override;

    // Arms on the preferred MIDI input device with the track's input
    // channel; without a MIDI input device the user is told.
    void ToggleArm() override;
    bool Arm(int32_t device, int32_t channel) override;

    CEffectChain* GetInstrumentChain() const;
    CEffectChain* GetInstrumentEffectsChain() const;
    // An empty instrument chain (the preferred instrument did not load) gets
    // the built-in instrument, so that the track's notes are heard.
    void EnsureInstrument();

    // -1 for all channels, else 0..15; other values are refused.
    int32_t GetMidiInputChannel() const { return m_midiInputChannel; }
    bool SetMidiInputChannel(int32_t channel, bool undo);

    const std::string& GetPresetGroup() const { return m_presetGroup; }
    const std::string& GetPresetName() const { return m_presetName; }
    uint32_t GetPresetKind() const { return m_presetKind; }

    TrackFileContents MakeFileContents(bool asTemplate) const override;
    bool ApplyFileContents(TrackFileContents& contents) override;

private:
    std::string m_presetGroup;
    std::string m_presetName;
    uint32_t m_presetKind = 0;
    bool m_windowOption = false;
    int32_t m_windowX = -1;
    int32_t m_windowY = -1;
    int32_t m_midiInputChannel = -1;
};
