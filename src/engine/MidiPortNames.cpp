#include "engine/MidiPortNames.h"

#include "engine/CJackClients.h"
#include "support/Log.h"

#include <rtmidi/RtMidi.h>

#include <algorithm>

namespace {

// Port is RtMidiIn or RtMidiOut.
template <typename Port> void AddPortsOf(RtMidi::Api api, std::vector<std::string>& names) {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    if (std::find(apis.begin(), apis.end(), api) == apis.end())
        return;
    if (api == RtMidi::UNIX_JACK)
        CJackClients::BeforeOpening();
    try {
        Port ports(api, "loomtone-probe");
        const unsigned int count = ports.getPortCount();
        for (unsigned int port = 0; port < count; ++port)
            names.push_back(ports.getPortName(port));
    } catch (const RtMidiError& error) {
        LogFmt("MIDI ports: %s", error.getMessage().c_str());
    }
}

} // namespace

std::vector<std::string> MidiInputNames() {
    std::vector<std::string> names;
    AddPortsOf<RtMidiIn>(RtMidi::LINUX_ALSA, names);
    AddPortsOf<RtMidiIn>(RtMidi::UNIX_JACK, names);
    return names;
}

std::vector<std::string> MidiOutputNames() {
    std::vector<std::string> names;
    AddPortsOf<RtMidiOut>(RtMidi::LINUX_ALSA, names);
    AddPortsOf<RtMidiOut>(RtMidi::UNIX_JACK, names);
    return names;
}
