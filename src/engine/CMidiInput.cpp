#include "engine/CMidiInput.h"

#include "engine/CJackClients.h"
#include "engine/CMidiInputQueue.h"
#include "engine/CPCMMixer.h"
#include "support/Log.h"

#include <rtmidi/RtMidi.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr RtMidi::Api kApis[] = {RtMidi::LINUX_ALSA, RtMidi::UNIX_JACK};

bool Compiled(RtMidi::Api api) {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

// An input client of the system, or none where the system cannot be asked
// (no ALSA sequencer, no JACK server): it then offers no ports, as in
// MidiInputNames.
std::unique_ptr<RtMidiIn> InputOf(RtMidi::Api api) {
    if (!Compiled(api))
        return nullptr;
    if (api == RtMidi::UNIX_JACK)
        CJackClients::BeforeOpening();
    try {
        return std::make_unique<RtMidiIn>(api, "Loomtone");
    } catch (const RtMidiError& error) {
        LogFmt("MIDI inputs: %s", error.getMessage().c_str());
        return nullptr;
    }
}

} // namespace

CMidiInput::CMidiInput(CPCMMixer& mixer, CMidiInputQueue& queue) : m_mixer(mixer), m_queue(queue) {}

CMidiInput::~CMidiInput() {
    Close();
}

bool CMidiInput::Open(int index, std::string& reason) {
    Close();
    if (index < 0) {
        reason = "no MIDI input is chosen";
        return false;
    }
    int remaining = index;
    for (RtMidi::Api api : kApis) {
        std::unique_ptr<RtMidiIn> input = InputOf(api);
        if (!input)
            continue;
        const int count = static_cast<int>(input->getPortCount());
        if (remaining >= count) {
            remaining -= count;
            continue;
        }
        try {
            const std::string name = input->getPortName(static_cast<unsigned>(remaining));
            input->ignoreTypes(true, true, true);
            input->setCallback(&CMidiInput::OnMessage, this);
            input->openPort(static_cast<unsigned>(remaining), "MIDI in");
            // A JACK port's client must not outlive its server (CJackClients).
            if (api == RtMidi::UNIX_JACK)
                m_clientsId = CJackClients::Add([this] { Close(); });
            m_input = std::move(input);
            LogFmt("MIDI input open: %s", name.c_str());
            return true;
        } catch (const RtMidiError& error) {
            reason = error.getMessage();
            return false;
        }
    }
    reason = "there is no MIDI input " + std::to_string(index);
    return false;
}

void CMidiInput::Close() {
    if (!m_input)
        return;
    if (m_clientsId) {
        CJackClients::Remove(m_clientsId);
        m_clientsId = 0;
    }
    try {
        m_input->closePort();
        m_input->cancelCallback();
    } catch (const RtMidiError& error) {
        LogFmt("MIDI input close: %s", error.getMessage().c_str());
    }
    m_input.reset();
}

uint32_t CMidiInput::Pack(const std::vector<unsigned char>& bytes) {
    if (bytes.empty() || bytes.size() > 3)
        return 0;
    uint32_t message = 0;
    for (size_t index = 0; index < bytes.size(); ++index)
        message |= static_cast<uint32_t>(bytes[index]) << (8 * index);
    return message;
}

double CMidiInput::ClockMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs on the MIDI input's own thread.
void CMidiInput::OnMessage(double, std::vector<unsigned char>* bytes, void* self) {
    auto& input = *static_cast<CMidiInput*>(self);
    const uint32_t message = bytes ? Pack(*bytes) : 0;
    if (message != 0)
        input.m_queue.Push({message, input.m_mixer.GetPositionMs(), ClockMs()});
}
