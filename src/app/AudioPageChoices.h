#pragma once

#include <vector>

class CPrefs;
class DeviceCatalog;

// What the audio page of the preferences dialog shows and the user picks:
// positions in the catalog's lists of the driver, the MIDI input, the rate
// and the block size. Read from the preferences and stored back under the
// names start-up opens the devices by.
struct AudioPageChoices {
    // Driver entries 0 to 2 are the stored driver types (PulseAudio, JACK,
    // ALSA); the last entry plays on no device at all.
    static constexpr int kNoDevice = 3;

    int driver = 0;
    int output = 0;     // position in the driver's playback devices
    int input = 0;      // position in the driver's recording devices
    int midiInput = -1; // position in the MIDI inputs; -1 for none
    int sampleRate = 0;
    int blockFrames = 0;

    bool operator==(const AudioPageChoices&) const = default;

    // The rates the mixer runs at, and the block sizes offered, in frames.
    static std::vector<int> SampleRates();
    static std::vector<int> BlockSizes();

    // The choices the preferences hold now. A WaveRT output of -1 (the
    // default device) shows as the catalog's default; a block size the list
    // does not offer shows as the nearest one.
    static AudioPageChoices FromPrefs(const CPrefs& prefs, const DeviceCatalog& devices);
    // Stores the choices: the driver type, its output and input indexes (and
    // the output in its mixer record), the MIDI input, the rate and block
    // size in the driver's record, and the devices' names so that start-up
    // finds them again when numbers change.
    void Store(CPrefs& prefs, const DeviceCatalog& devices) const;
};
