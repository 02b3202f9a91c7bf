#pragma once

#include "app/DeviceCatalog.h"

#include <map>
#include <string>
#include <vector>

// The devices of a machine made up by the test.
class FakeDeviceCatalog : public DeviceCatalog {
public:
    std::map<int, std::vector<std::string>> playback;
    std::map<int, std::vector<std::string>> recording;
    std::map<int, std::vector<int>> recordingChannels;
    std::vector<std::string> midiInputs;
    std::vector<std::string> midiOutputs;
    int defaultWaveRT = -1;

    std::vector<std::string> PlaybackDevices(int type) const override { return Of(playback, type); }
    std::vector<std::string> RecordingDevices(int type) const override {
        return Of(recording, type);
    }
    // Each recording device has two channels unless the test says otherwise.
    std::vector<int> RecordingChannels(int type) const override {
        std::vector<int> channels(Of(recording, type).size(), 2);
        const auto found = recordingChannels.find(type);
        if (found != recordingChannels.end())
            channels = found->second;
        return channels;
    }
    std::vector<std::string> MidiInputDevices() const override { return midiInputs; }
    std::vector<std::string> MidiOutputDevices() const override { return midiOutputs; }
    int DefaultPlaybackDevice(int type) const override {
        return type == kWaveRT ? defaultWaveRT : -1;
    }

private:
    static std::vector<std::string> Of(const std::map<int, std::vector<std::string>>& lists,
                                       int type) {
        const auto found = lists.find(type);
        return found == lists.end() ? std::vector<std::string>{} : found->second;
    }
};
