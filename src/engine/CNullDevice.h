#pragma once

#include "engine/CAudioDevice.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CPCMMixer;

// An output device without a sound card: a thread that asks the mixer for a
// block at the pace a real device would (one block per block length of wall
// clock) and throws it away, or appends it to a float WAV file so that tests
// can check what was played. Also the offline entry that renders a number of
// frames straight into memory.
class CNullDevice : public CAudioDevice {
public:
    explicit CNullDevice(CPCMMixer& mixer) : m_mixer(mixer) {}
    ~CNullDevice() override;
    CNullDevice(const CNullDevice&) = delete;
    CNullDevice& operator=(const CNullDevice&) = delete;

    // Starts the output thread with blocks of blockFrames (1..8192). With a
    // non-empty path every block is also written to that file (32-bit float
    // stereo WAV at the mixer's rate). False when already running, for a bad
    // block size, while the mixer has a real device open, or when the file
    // cannot be created.
    bool Start(int blockFrames, const std::string& capturePath = "");
    // Stops the thread and closes the file; nothing when not running.
    void Stop() override;
    bool IsRunning() const override { return m_thread.joinable(); }
    int BlockFrames() const override { return m_blockFrames; }
    // Nothing stands between the mixer and the (imagined) listener.
    int OutputLatencyFrames() const override { return 0; }
    int InputLatencyFrames() const override { return 0; }
    int InputChannels() const override { return 0; }
    std::string InputName() const override { return ""; }
    // Without a driver there is no other input either.
    std::unique_ptr<CRtAudioInput> OpenOtherInput(const std::string& name,
                                                  std::string& reason) override;
    bool Failed() const override { return false; }
    std::string Description() const override { return "null device"; }
    const CDeviceCallbackTimes& CallbackTimes() const override { return m_times; }
    // Blocks produced since Start.
    int64_t BlocksRendered() const { return m_blocks.load(); }

    // Renders frames through the mixer's mixing routine into out (interleaved
    // stereo), block by block as the thread would, but waiting for the sound
    // reader where the thread would play silence. Any thread.
    void RenderOffline(float* out, int64_t frames, int blockFrames = 512);

private:
    void Run();

    CPCMMixer& m_mixer;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<int64_t> m_blocks{0};
    int m_blockFrames = 512;
    std::vector<float> m_block;
    void* m_capture = nullptr; // SNDFILE*, open while capturing
    CDeviceCallbackTimes m_times;
};
