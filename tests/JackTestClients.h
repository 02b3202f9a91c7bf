#pragma once

// JACK clients a test plays into the program or listens to it with, on the
// test's own server (JackServer.h).

#include "engine/CPCMMixer.h"
#include "engine/MidiPortNames.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

// Plays a sine on its one output port "<name>:out", for an input of the
// program to read; a program's input device named `name` connects to it.
class JackToneSource {
public:
    JackToneSource(const std::string& name, double hz, float amplitude)
        : m_step(2.0 * std::numbers::pi * hz), m_amplitude(amplitude) {
        m_client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (!m_client)
            return;
        m_step /= jack_get_sample_rate(m_client);
        m_out = jack_port_register(m_client, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &JackToneSource::Process, this);
        m_active = m_out && jack_activate(m_client) == 0;
    }
    ~JackToneSource() {
        if (m_client)
            jack_client_close(m_client);
    }
    JackToneSource(const JackToneSource&) = delete;
    JackToneSource& operator=(const JackToneSource&) = delete;

    bool Active() const { return m_active; }
    // Connects the tone to a port of another client ("loomtone:inport 0").
    bool ConnectTo(const std::string& port) {
        return m_active && jack_connect(m_client, jack_port_name(m_out), port.c_str()) == 0;
    }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& tone = *static_cast<JackToneSource*>(self);
        auto* out = static_cast<float*>(jack_port_get_buffer(tone.m_out, frames));
        for (jack_nframes_t frame = 0; frame < frames; ++frame) {
            out[frame] = tone.m_amplitude * static_cast<float>(std::sin(tone.m_phase));
            tone.m_phase = std::fmod(tone.m_phase + tone.m_step, 2.0 * std::numbers::pi);
        }
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_out = nullptr;
    bool m_active = false;
    double m_phase = 0.0;
    double m_step;
    float m_amplitude;
};

// Listens to one port of another client and keeps the loudest sample since
// the last Reset.
class JackPeakMeter {
public:
    explicit JackPeakMeter(const std::string& name) {
        m_client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (!m_client)
            return;
        m_in = jack_port_register(m_client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(m_client, &JackPeakMeter::Process, this);
        m_active = m_in && jack_activate(m_client) == 0;
    }
    ~JackPeakMeter() {
        if (m_client)
            jack_client_close(m_client);
    }
    JackPeakMeter(const JackPeakMeter&) = delete;
    JackPeakMeter& operator=(const JackPeakMeter&) = delete;

    bool Listen(const std::string& port) {
        return m_active && jack_connect(m_client, port.c_str(), jack_port_name(m_in)) == 0;
    }
    void Reset() { m_peak = 0.0f; }
    float Peak() const { return m_peak.load(); }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& meter = *static_cast<JackPeakMeter*>(self);
        const auto* in = static_cast<const float*>(jack_port_get_buffer(meter.m_in, frames));
        float block = 0.0f;
        for (jack_nframes_t frame = 0; frame < frames; ++frame)
            block = std::max(block, std::fabs(in[frame]));
        // Raised only: a Reset on the test's thread is never undone.
        float peak = meter.m_peak.load();
        while (block > peak && !meter.m_peak.compare_exchange_weak(peak, block)) {
        }
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_in = nullptr;
    bool m_active = false;
    std::atomic<float> m_peak{0.0f};
};

// Keeps what one port of another client plays from Start to Stop, up to a
// capacity fixed beforehand: the callback never allocates.
class JackCapture {
public:
    JackCapture(const std::string& name, size_t capacity) : m_samples(capacity) {
        m_client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
        if (!m_client)
            return;
        m_in = jack_port_register(m_client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(m_client, &JackCapture::Process, this);
        m_active = m_in && jack_activate(m_client) == 0;
    }
    ~JackCapture() {
        if (m_client)
            jack_client_close(m_client);
    }
    JackCapture(const JackCapture&) = delete;
    JackCapture& operator=(const JackCapture&) = delete;

    bool Active() const { return m_active; }
    bool Listen(const std::string& port) {
        return m_active && jack_connect(m_client, port.c_str(), jack_port_name(m_in)) == 0;
    }
    void Start() {
        m_count.store(0);
        m_running.store(true);
    }
    // Stops keeping and gives what was kept.
    std::vector<float> Stop() {
        m_running.store(false);
        // A callback that saw the capture running may still be writing.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto kept = static_cast<std::ptrdiff_t>(m_count.load());
        return std::vector<float>(m_samples.begin(), m_samples.begin() + kept);
    }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& capture = *static_cast<JackCapture*>(self);
        if (!capture.m_running.load())
            return 0;
        const auto* in = static_cast<const float*>(jack_port_get_buffer(capture.m_in, frames));
        const size_t kept = capture.m_count.load();
        const size_t count = std::min<size_t>(frames, capture.m_samples.size() - kept);
        std::copy_n(in, count, capture.m_samples.begin() + static_cast<std::ptrdiff_t>(kept));
        capture.m_count.store(kept + count);
        return 0;
    }

    jack_client_t* m_client = nullptr;
    jack_port_t* m_in = nullptr;
    bool m_active = false;
    std::vector<float> m_samples;
    std::atomic<size_t> m_count{0};
    std::atomic<bool> m_running{false};
};

// A keyboard as a JACK MIDI client: every twentieth cycle it plays the next
// note and notes the mixer's play position as it sends it.
class JackNoteSender {
public:
    static constexpr int kNotes = 5;

    explicit JackNoteSender(const CPCMMixer& mixer) : m_mixer(mixer) {
        m_client = jack_client_open("notesender", JackNoStartServer, nullptr);
        if (!m_client)
            return;
        m_out = jack_port_register(m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(m_client, &JackNoteSender::Process, this);
        m_active = jack_activate(m_client) == 0;
    }
    ~JackNoteSender() {
        if (m_client)
            jack_client_close(m_client);
    }
    JackNoteSender(const JackNoteSender&) = delete;
    JackNoteSender& operator=(const JackNoteSender&) = delete;

    bool IsActive() const { return m_active; }
    void Start() { m_sending = true; }
    int Sent() const { return m_sent.load(); }
    double SentAtMs(int note) const { return m_sentAtMs[static_cast<size_t>(note)]; }
    static uint32_t Message(int note) { return 0x90u | ((60u + note) << 8) | (100u << 16); }
    // The sender's port among the MIDI inputs the program lists, or -1.
    static int InputIndex() {
        const std::vector<std::string> names = MidiInputNames();
        for (size_t index = 0; index < names.size(); ++index)
            if (names[index].find("notesender:out") != std::string::npos)
                return static_cast<int>(index);
        return -1;
    }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto& sender = *static_cast<JackNoteSender*>(self);
        void* buffer = jack_port_get_buffer(sender.m_out, frames);
        jack_midi_clear_buffer(buffer);
        const int sent = sender.m_sent.load();
        if (!sender.m_sending || sent >= kNotes || ++sender.m_cycle % 20 != 0)
            return 0;
        if (jack_midi_data_t* data = jack_midi_event_reserve(buffer, 0, 3)) {
            const uint32_t message = Message(sent);
            for (int byte = 0; byte < 3; ++byte)
                data[byte] = static_cast<jack_midi_data_t>(message >> (8 * byte));
            sender.m_sentAtMs[static_cast<size_t>(sent)] = sender.m_mixer.GetPositionMs();
            sender.m_sent.store(sent + 1);
        }
        return 0;
    }

    const CPCMMixer& m_mixer;
    jack_client_t* m_client = nullptr;
    jack_port_t* m_out = nullptr;
    bool m_active = false;
    std::atomic<bool> m_sending{false};
    std::atomic<int> m_sent{0};
    int m_cycle = 0;
    std::array<double, kNotes> m_sentAtMs{};
};
