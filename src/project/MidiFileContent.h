#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a Standard MIDI file holds, in the program's terms. Times are
// reference milliseconds: a quarter note lasts 500 ms, so the file's tempo
// events become tempo-map changes instead of moving the events.
struct MidiFileContent {
    // One channel message: status byte, first data byte in bits 8..14,
    // second in bits 16..22.
    struct Message {
        uint32_t message = 0;
        double timeMs = 0.0;
    };
    // One track of the file; a format-0 file gives one per channel used.
    struct Track {
        std::string name;
        // The channel of a channel-prefix meta event; -1 without one.
        int channelPrefix = -1;
        // The channel of the first channel message; -1 without messages.
        int firstChannel = -1;
        std::vector<Message> messages;
        // Up to the end-of-track event (or the last event without one).
        double lengthMs = 0.0;
    };
    // A meta event that belongs to the project rather than a track.
    struct Meta {
        enum Kind { kText, kCopyright, kMarker, kCuePoint, kTempo, kTimeSignature };
        Kind kind = kText;
        double timeMs = 0.0;
        std::string text;
        double tempo = 120.0; // beats per minute
        int numerator = 4;
        int denominator = 4;
    };

    int format = 0;
    // The header's track count (tracks holds those that were read).
    int declaredTracks = 0;
    double msPerTick = 0.0;
    // A SMPTE division counts absolute time: tempo events are ignored then.
    bool smpte = false;
    double initialTempo = 120.0;
    int initialNumerator = 4;
    int initialDenominator = 4;
    std::vector<Track> tracks;
    std::vector<Meta> metas;
};
