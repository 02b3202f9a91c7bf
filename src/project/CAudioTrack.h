#pragma once

#include "project/CPCMAudTrack.h"

// A track of audio clips, recorded from an input of a recording device.
class CAudioTrack : public CPCMAudTrack {
public:
    explicit CAudioTrack(TrackServices& services) : CPCMAudTrack(services, kAudio) {}

    void Init() override;
    TrackSettings GetSettings() const override;
    void ApplySettings(const TrackSettings& settings) override;

    // Arms with the input of the last arming when it still exists, else
    // with the preferred input of the driver type in use; without any
    // recording device the user is told and the track stays disarmed.
    void ToggleArm() override;
    // A device of one channel records that channel whatever was asked.
    bool Arm(int32_t device, int32_t channel) override;

    // The last arming, reused by the next ToggleArm.
    bool WasArmedBefore() const { return m_armedBefore; }

    TrackFileContents MakeFileContents(bool asTemplate) const override;
    bool ApplyFileContents(TrackFileContents& contents) override;

private:
    bool m_armedBefore = false;
    int32_t m_lastDriverType = 0;
    int32_t m_lastDevice = 0;
    int32_t m_lastChannel = 0;
};
