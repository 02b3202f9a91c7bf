#pragma once

#include "engine/CInputRing.h"
#include "engine/Realtime.h"
#include "engine/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CPCMMixer;
class RtAudio;

// An input device opened beside the device the mixer plays through, so that
// a track can record from, and monitor, another input than the one the mixer
// reads. Its callback only puts the frames into rings of its own: while
// capturing, the recording ring, the first of them stamped with the mixer's
// play position when it arrived (the recording's writer empties it); always,
// the monitoring ring, which the mixing thread empties (CMonitoredInputs).
//
// The devices of one JACK server run on the server's one clock. Two sound
// cards under ALSA or PulseAudio each keep their own, so over a long take
// their files may drift apart by what the clocks differ.
class CRtAudioInput {
public:
    // Ten seconds of input: the file writer empties the ring every few ms.
    static constexpr int64_t kRingFrames = int64_t{10} * kMixerSampleRate;
    // A few of the longest blocks: the mixing thread takes one a block.
    static constexpr int64_t kMonitorRingFrames = 4 * 8192;

    explicit CRtAudioInput(CPCMMixer& mixer);
    ~CRtAudioInput();
    CRtAudioInput(const CRtAudioInput&) = delete;
    CRtAudioInput& operator=(const CRtAudioInput&) = delete;

    // Opens the named input of the driver (at most its first two channels)
    // and starts taking its frames into the monitoring ring. A JACK client
    // takes clientName. False with the driver's reason when it cannot run.
    bool Start(int driverType, const std::string& deviceName, const std::string& clientName,
               int blockFrames, std::string& reason);
    // After it returns no callback writes to the ring any more.
    void Stop();
    bool IsRunning() const;

    const std::string& DeviceName() const { return m_deviceName; }
    int Channels() const { return m_channels; }
    // Frames between a sound reaching the input and the callback receiving it.
    int LatencyFrames() const { return m_latency; }
    // Starts putting the frames into the recording ring as well, emptied,
    // stamping anew the first that arrives. GUI thread.
    void StartCapture();
    // After it returns no callback writes to the recording ring any more.
    void StopCapture();
    CInputRing& Ring() { return m_ring; }
    CInputRing& MonitorRing() { return m_monitorRing; }
    // The mixer's play position (frames) when the first captured frame
    // arrived; -1 before.
    int64_t CaptureStartFrame() const { return m_captureStartFrame.load(); }

    // Called by RtAudio on its thread.
    int Callback(const float* in, unsigned int frames) LOOMTONE_REALTIME;

private:
    CPCMMixer& m_mixer;
    std::unique_ptr<RtAudio> m_audio;
    CInputRing m_ring{kRingFrames};
    CInputRing m_monitorRing{kMonitorRingFrames};
    std::atomic<bool> m_capturing{false};
    std::atomic<bool> m_inCapture{false};
    std::string m_deviceName;
    int m_channels = 0;
    int m_latency = 0;
    std::atomic<int64_t> m_captureStartFrame{-1};
};
