#pragma once

#include "engine/CEffectChain.h"

#include <atomic>
#include <memory>
#include <string>

// One track of the mixer: the bus its sounds are summed on, with volume, pan,
// mute, solo and monitoring. Settings are atomics, so the GUI thread may change
// them at any time and the mixing thread reads them without a lock.
class CPCMTrack {
public:
    // The chains are made ready for the mixer's rate and block size, so that
    // effects inserted later are prepared on the inserting (GUI) thread.
    explicit CPCMTrack(int trackNumber);
    CPCMTrack(const CPCMTrack&) = delete;
    CPCMTrack& operator=(const CPCMTrack&) = delete;

    // The track's place in the mixer; sounds name their track by it.
    int GetTrackNumber() const { return m_trackNumber.load(std::memory_order_relaxed); }
    void SetTrackNumber(int number) { m_trackNumber.store(number, std::memory_order_relaxed); }

    // Linear gain, 1.0 unity; kept within 0..4.
    double GetVolume() const { return m_volume.load(std::memory_order_relaxed); }
    void SetVolume(double volume);
    // -1.0 full left, 0 centre, 1.0 full right.
    double GetPan() const { return m_pan.load(std::memory_order_relaxed); }
    void SetPan(double pan);

    bool IsMute() const { return m_mute.load(std::memory_order_relaxed); }
    void SetIsMute(bool mute) { m_mute.store(mute, std::memory_order_relaxed); }
    bool IsSolo() const { return m_solo.load(std::memory_order_relaxed); }
    void SetIsSolo(bool solo) { m_solo.store(solo, std::memory_order_relaxed); }
    bool IsMonitoring() const { return m_monitoring.load(std::memory_order_relaxed); }
    void SetIsMonitoring(bool on) { m_monitoring.store(on, std::memory_order_relaxed); }
    // The device input a monitoring track passes through its chains while
    // the device runs: 0 its left channel, 1 its right, 2 both, kNoInput
    // none (the track is not armed on an audio input).
    static constexpr int kNoInput = -1;
    int GetMonitorInput() const { return m_monitorInput.load(std::memory_order_relaxed); }
    void SetMonitorInput(int channelSelection) {
        m_monitorInput.store(channelSelection, std::memory_order_relaxed);
    }
    // Monitoring on an input: the live input is heard through the track.
    bool HearsInput() const { return IsMonitoring() && GetMonitorInput() != kNoInput; }
    // The input device the track is armed on, by name: "" for the input of
    // the device the mixer plays through. GUI thread.
    const std::string& GetMonitorDevice() const { return m_monitorDevice; }
    void SetMonitorDevice(const std::string& name) { m_monitorDevice = name; }
    // Where the mixing thread finds that device's frames: the block's own
    // input (kOwnInput), a slot of the mixer's monitored inputs, or nowhere
    // while that device is not open (kInputClosed: the track hears nothing).
    // Set by CMonitoredInputs under the mixer's lock.
    static constexpr int kOwnInput = -1;
    static constexpr int kInputClosed = -2;
    int GetMonitorSource() const { return m_monitorSource.load(std::memory_order_relaxed); }
    void SetMonitorSource(int source) { m_monitorSource.store(source, std::memory_order_relaxed); }

    // The track's sound passes, in this order, through the instrument chain
    // (which plays the track's MIDI and adds its voices), the instrument
    // effects chain and the effect chain, before volume and pan. Audio tracks
    // leave the two instrument chains empty. Never null.
    CEffectChain* GetInstrumentChain() const { return m_instrumentChain.get(); }
    CEffectChain* GetInstrumentEffectsChain() const { return m_instrumentEffectsChain.get(); }
    CEffectChain* GetEffectChain() const { return m_effectChain.get(); }
    // How long the track rings on after its last sound: each chain rings on
    // the tail of the one before it. GUI thread.
    double GetTailMs() const;

private:
    std::atomic<int> m_trackNumber;
    std::atomic<double> m_volume{1.0};
    std::atomic<double> m_pan{0.0};
    std::atomic<bool> m_mute{false};
    std::atomic<bool> m_solo{false};
    std::atomic<bool> m_monitoring{false};
    std::atomic<int> m_monitorInput{kNoInput};
    std::string m_monitorDevice;
    std::atomic<int> m_monitorSource{kOwnInput};
    std::unique_ptr<CEffectChain> m_instrumentChain;
    std::unique_ptr<CEffectChain> m_instrumentEffectsChain;
    std::unique_ptr<CEffectChain> m_effectChain;
};
