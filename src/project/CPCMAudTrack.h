#pragma once

#include "project/CTrack.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CPCMSound;
class CPCMTrack;

// What audio and MIDI tracks share through their engine track: volume, pan,
// mute, solo, monitoring, arming, the effect chain and the frozen state.
class CPCMAudTrack : public CTrack {
public:
    using CTrack::CTrack;

    // Adds an engine track to the mixer. A track that was taken out of the
    // engine gets its volume, pan, mute, solo and chains back.
    bool CreateEngineTrack() override;
    bool HasEngineTrack() const override { return m_engineTrack != nullptr; }
    void RemoveFromEngine() override;
    CPCMTrack* GetPCMTrack() const { return m_engineTrack; }
    // The engine track's number, -1 without one.
    int GetTrackNumber() const;

    bool IsSolo() const override;
    void ToggleSolo() override;
    bool IsMute() const override;
    void ToggleMute() override;
    double GetVolume() const override;
    void SetVolume(double volume, bool undo) override;
    double GetPan() const override;
    void SetPan(double pan, bool undo) override;
    bool IsMonitoring() const;
    // Turning an audio track's monitoring on first tells how late the input
    // will be heard, unless the user asked not to be told.
    void SetMonitoring(bool on, bool undo);
    CEffectChain* GetEffectChain() const override;

    bool IsArmed() const override { return m_armed; }
    int32_t GetArmedDevice() const { return m_armedDevice; }
    int32_t GetArmedChannel() const { return m_armedChannel; }
    int32_t GetArmedDriverType() const { return m_armedDriverType; }
    // The name of the recording device the track is armed on, as its input
    // menu shows it; "" when the machine gave the device no name.
    std::string GetArmedDeviceName() const;
    virtual bool Arm(int32_t device, int32_t channel) = 0;
    virtual void Disarm();
    // The input menu (CTrackInputMenu) at a window point.
    void ShowArmMenu(GuiPoint at) override;

    // While frozen the track plays one sound, made from its clips through its
    // effects, in place of the clips; null otherwise.
    CPCMSound* GetFrozenSound() const { return m_frozenSound; }
    // Plays the frozen file from the reference time on in place of the clips,
    // whose sounds leave the mix; the effects turn off. The clips stay on the
    // track. False, with nothing changed, when the file cannot be loaded.
    bool TakeFrozenSound(const std::string& path, double referenceStartMs);
    // The clips and the effects play again and the frozen sound goes; its
    // file stays (see ForgetFrozenFile).
    void DropFrozenSound();
    void ForgetFrozenFile() { SetFrozenFilePath(std::string()); }

protected:
    ~CPCMAudTrack() override;

    void FillEngineSettings(TrackSettings& settings) const;
    // Applies the common and engine settings; solo changes are announced.
    void ApplyEngineSettings(const TrackSettings& settings);
    void SetArmedState(bool armed, int32_t device, int32_t channel, int32_t driverType);

    // Freezing turns the effects off; the file keeps them as the user left
    // them. Going into the frozen state remembers which effects were on and
    // turns them off, leaving it turns those on again.
    void SetFrozenState(bool frozen);
    // A copy of the engine chain for a file, with every effect as the user
    // left it before freezing.
    std::unique_ptr<CEffectChain> EffectChainForFile() const;
    // Replaces the engine chain's effects with those of a chain read from a
    // file. False when the engine does not take them.
    static bool TakeChain(CEffectChain* engineChain, const CEffectChain* fromFile);
    static std::unique_ptr<CEffectChain> CopyChain(const CEffectChain* chain);

private:
    // Opens or closes other input devices when this track's hearing of one
    // may have changed.
    void UpdateMonitoredInputs(bool heardBefore);
    struct DetachedEngineState {
        TrackSettings settings;
        std::vector<uint8_t> effects;
        std::vector<uint8_t> instrument;
        std::vector<uint8_t> instrumentEffects;
    };

    void SetSolo(bool solo);
    // The frozen sound joins or leaves the engine's sound group (with the
    // engine track, when the track list takes the track out or puts it back).
    void PlaceFrozenSound();
    void UnplaceFrozenSound();
    // Tells how late the input is heard while monitoring; the user may ask
    // not to be told again.
    void WarnAboutMonitorLatency();

    CPCMTrack* m_engineTrack = nullptr;
    std::optional<DetachedEngineState> m_detached;
    bool m_armed = false;
    int32_t m_armedDevice = 0;
    int32_t m_armedChannel = 0;
    int32_t m_armedDriverType = 0;
    std::vector<bool> m_activeAtFreezing;
    CPCMSound* m_frozenSound = nullptr;
};
