#pragma once

// The latencies the running JACK server gives its physical ports: from the
// playback ports to the listener, and from the sound to the capture ports.
struct JackLatencies {
    bool known = false;
    int playbackFrames = 0;
    int captureFrames = 0;
};

// Asks the server named by the environment through a short-lived client of
// its own; unknown when no server runs.
JackLatencies ReadJackSystemLatencies();
