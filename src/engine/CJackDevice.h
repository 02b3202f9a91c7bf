#pragma once

#include "engine/AudioDeviceChoice.h"
#include "engine/CAudioDevice.h"

#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

class CPCMMixer;

// The mixer's device on a JACK server, as a client of its own: two output
// ports "outport 0" and "outport 1" (and input ports "inport N" when asked)
// connected to the chosen device, which is a JACK client named by the part of
// its port names before the colon ("system" for the sound card).
//
// When the server goes away, JACK calls the shutdown function on one of its
// own threads; that function only notes it, and the client is closed later
// on the thread that stops the device, or before any other JACK client opens. Closing a client from
// JACK's shutdown thread is what made the program abort: the close cancels JACK's threads
// asynchronously, and a thread cancelled while inside a function that may
// not throw ends the process.
class CJackDevice : public CAudioDevice {
public:
    explicit CJackDevice(CPCMMixer& mixer);
    ~CJackDevice() override;
    CJackDevice(const CJackDevice&) = delete;
    CJackDevice& operator=(const CJackDevice&) = delete;

    // Opens the client, connects it to the chosen devices and starts it. False
    // with the reason when the server does not run, runs at another rate than
    // the mixer's, or has no such device.
    bool Start(const AudioDeviceChoice& choice, std::string& reason);
    void Stop() override;
    bool IsRunning() const override;
    int BlockFrames() const override { return m_blockFrames.load(); }
    int OutputLatencyFrames() const override { return m_outputLatency; }
    int InputLatencyFrames() const override { return m_inputLatency; }
    int InputChannels() const override { return static_cast<int>(m_inPorts.size()); }
    std::string InputName() const override { return m_inputName; }
    std::unique_ptr<CRtAudioInput> OpenOtherInput(const std::string& name,
                                                  std::string& reason) override;
    bool Failed() const override;
    std::string Description() const override { return m_description; }
    const CDeviceCallbackTimes& CallbackTimes() const override { return m_times; }
    // Cycles the server reported as late since Start.
    int64_t Xruns() const { return m_xruns.load(); }

    // Called by JACK on its threads.
    int Process(jack_nframes_t frames) LOOMTONE_REALTIME;
    // The server went away or threw the client out; nothing more than noted here.
    void ShutDown() noexcept;
    void CountXrun() noexcept { m_xruns.fetch_add(1); }
    void SetBlockFrames(int frames) noexcept { m_blockFrames = frames; }

private:
    bool Open(const AudioDeviceChoice& choice, std::string& reason);
    bool RegisterPorts(int inputs);
    bool Connect(const std::vector<std::string>& devicePorts, const std::vector<jack_port_t*>& ours,
                 bool output);
    void Close();
    // Before another client opens (see CJackClients): a client whose server
    // is gone is closed, the device stays failed until started again.
    void CloseIfServerGone();

    CPCMMixer& m_mixer;
    int m_clientsId = 0;
    jack_client_t* m_client = nullptr;
    std::vector<jack_port_t*> m_outPorts;
    std::vector<jack_port_t*> m_inPorts;
    // Interleaved blocks for the mixer, sized for the largest block the
    // server may ask for, so that the callback allocates nothing.
    std::vector<float> m_out;
    std::vector<float> m_in;
    std::atomic<int> m_blockFrames{0};
    int m_outputLatency = 0;
    int m_inputLatency = 0;
    std::string m_clientName;
    std::string m_inputName;
    int m_otherInputs = 0;
    std::string m_description;
    bool m_started = false;
    // A request to the server failed while starting: the server may be going.
    bool m_requestFailed = false;
    std::atomic<bool> m_shutDown{false};
    std::atomic<bool> m_inProcess{false};
    std::atomic<int64_t> m_xruns{0};
    CDeviceCallbackTimes m_times;
};
