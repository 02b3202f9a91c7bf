#pragma once

#include <memory>
#include <string>
#include <vector>

class CMidiInputQueue;
class CPCMMixer;
class RtMidiIn;

// A MIDI input port of the system (ALSA sequencer or JACK, in the order
// MidiInputNames lists them). Each message is stamped with the mixer's play
// position as it arrives and pushed into the queue; the input's thread never
// waits. System exclusive, timing and active sensing messages are ignored.
class CMidiInput {
public:
    CMidiInput(CPCMMixer& mixer, CMidiInputQueue& queue);
    ~CMidiInput();
    CMidiInput(const CMidiInput&) = delete;
    CMidiInput& operator=(const CMidiInput&) = delete;

    // Opens the port at position index of MidiInputNames; false with the
    // reason when there is none or it cannot open.
    bool Open(int index, std::string& reason);
    void Close();
    bool IsOpen() const { return m_input != nullptr; }

    // A message of one to three bytes as the queue carries it; 0 for none.
    static uint32_t Pack(const std::vector<unsigned char>& bytes);
    // The steady clock in milliseconds, as messages are stamped with it.
    static double ClockMs();

private:
    static void OnMessage(double deltaSeconds, std::vector<unsigned char>* bytes, void* self);

    CPCMMixer& m_mixer;
    CMidiInputQueue& m_queue;
    std::unique_ptr<RtMidiIn> m_input;
    int m_clientsId = 0; // a JACK port's, in CJackClients
};
