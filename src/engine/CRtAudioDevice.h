#pragma once

#include "engine/AudioDeviceChoice.h"
#include "engine/CAudioDevice.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CPCMMixer;
class RtAudio;

// A sound card or sound server through RtAudio: each callback hands the
// input frames to the mixer's recording and has the mixer fill the output.
class CRtAudioDevice : public CAudioDevice {
public:
    explicit CRtAudioDevice(CPCMMixer& mixer);
    ~CRtAudioDevice() override;
    CRtAudioDevice(const CRtAudioDevice&) = delete;
    CRtAudioDevice& operator=(const CRtAudioDevice&) = delete;

    // Opens and starts the chosen devices at the mixer's rate. False with the
    // driver's reason when they cannot run.
    bool Start(const AudioDeviceChoice& choice, std::string& reason);
    void Stop() override;
    bool IsRunning() const override;
    int BlockFrames() const override { return m_blockFrames; }
    int OutputLatencyFrames() const override { return m_outputLatency; }
    int InputLatencyFrames() const override { return m_inputLatency; }
    int InputChannels() const override { return m_inputChannels; }
    std::string InputName() const override { return m_inputName; }
    // Its stream is named after this device's: "loomtone-in1" beside "loomtone".
    std::unique_ptr<CRtAudioInput> OpenOtherInput(const std::string& name,
                                                  std::string& reason) override;
    bool Failed() const override;
    std::string Description() const override { return m_description; }
    const CDeviceCallbackTimes& CallbackTimes() const override { return m_times; }

    // The names of the driver's devices with outputs (inputs); empty when the
    // driver has none or is not built in.
    static std::vector<std::string> OutputNames(int driverType);
    static std::vector<std::string> InputNames(int driverType);
    // The input channels of each device InputNames lists, in its order.
    static std::vector<int> InputChannelCounts(int driverType);
    // Position of the driver's default output among OutputNames; -1 for none.
    static int DefaultOutput(int driverType);

    // Called by RtAudio on its thread.
    int Callback(float* out, const float* in, unsigned int frames) LOOMTONE_REALTIME;

private:
    bool OpenStream(const AudioDeviceChoice& choice);
    void ReadLatencies();

    CPCMMixer& m_mixer;
    std::unique_ptr<RtAudio> m_audio;
    int m_blockFrames = 0;
    int m_outputLatency = 0;
    int m_inputLatency = 0;
    int m_inputChannels = 0;
    std::string m_inputName;
    int m_driverType = AudioDeviceChoice::kPulse;
    std::string m_clientName;
    int m_otherInputs = 0;
    std::string m_description;
    bool m_started = false;
    std::atomic<bool> m_stoppedOnPurpose{false};
    CDeviceCallbackTimes m_times;
};
