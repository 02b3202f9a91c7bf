#include "engine/MidiInputNames.h"

#include "support/Log.h"

#include <rtmidi/RtMidi.h>

#include <algorithm>

namespace {

void AddPortsOf(RtMidi::Api api, std::vector<std::string>& names) {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    if (std::find(apis.begin(), apis.end(), api) == apis.end())
        return;
    try {
        RtMidiIn input(api, "loomtone-probe");
        const unsigned int count = input.getPortCount();
        for (unsigned int port = 0; port < count; ++port)
            names.push_back(input.getPortName(port));
    } catch (const RtMidiError& error) {
        LogFmt("MIDI inputs: %s", error.getMessage().c_str());
    }
}

} // namespace

std::vector<std::string> MidiInputNames() {
    std::vector<std::string> names;
    AddPortsOf(RtMidi::LINUX_ALSA, names);
    AddPortsOf(RtMidi::UNIX_JACK, names);
    return names;
}
