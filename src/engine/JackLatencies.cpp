#include "engine/JackLatencies.h"

#include <jack/jack.h>

namespace {

// The least latency of the first physical port of that direction; -1 when there is none.
int FirstPortLatency(jack_client_t* client, unsigned long direction,
                     jack_latency_callback_mode_t mode) {
    const char** ports =
        jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | direction);
    if (!ports)
        return -1;
    int frames = -1;
    if (ports[0]) {
        jack_latency_range_t range{0, 0};
        jack_port_get_latency_range(jack_port_by_name(client, ports[0]), mode, &range);
        frames = static_cast<int>(range.min);
    }
    jack_free(ports);
    return frames;
}

} // namespace

JackLatencies ReadJackSystemLatencies() {
    JackLatencies latencies;
    jack_status_t status{};
    jack_client_t* client = jack_client_open("loomtone-latency", JackNoStartServer, &status);
    if (!client)
        return latencies;
    const int playback = FirstPortLatency(client, JackPortIsInput, JackPlaybackLatency);
    const int capture = FirstPortLatency(client, JackPortIsOutput, JackCaptureLatency);
    jack_client_close(client);
    if (playback >= 0 && capture >= 0) {
        latencies.known = true;
        latencies.playbackFrames = playback;
        latencies.captureFrames = capture;
    }
    return latencies;
}
