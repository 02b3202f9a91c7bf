#pragma once

// JACK clients a test plays into the program or listens to it with, on the
// test's own server (JackServer.h).

#include <jack/jack.h>

#include <algorithm>
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
