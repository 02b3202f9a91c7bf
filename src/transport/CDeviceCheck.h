#pragma once

#include <functional>
#include <optional>
#include <utility>

// Notices audio and MIDI devices coming and going. Each check counts the
// recording and playback devices and tells whether the counts differ from the
// last check's (the first check only takes them); when they do not, it does
// the same for the MIDI inputs and outputs. It also notices the device in use
// stopping on its own (a JACK server that went away, a card pulled out) and
// from then on tries to open it again at every check until it runs.
class CDeviceCheck {
public:
    // Recording and playback devices of the driver in use; MIDI inputs and
    // outputs.
    using Counts = std::pair<int, int>;

    struct Hooks {
        std::function<Counts()> count;
        // Whether the device in use stopped on its own.
        std::function<bool()> failed;
        // Opens the chosen devices again; true when they run.
        std::function<bool()> reopen;
        std::function<Counts()> midiCount{};
        // Finds the chosen MIDI input again after the MIDI inputs changed.
        std::function<void()> reopenMidiInput{};
    };
    // A change of the MIDI outputs alone is told apart: its message carries no icon.
    enum class Event {
        kNone,
        kCountsChanged,
        kDeviceLost,
        kDeviceBack,
        kMidiInputsChanged,
        kMidiOutputsChanged
    };

    explicit CDeviceCheck(Hooks hooks) : m_hooks(std::move(hooks)) {}

    Event Check();
    bool IsDeviceLost() const { return m_lost; }
    // After the user chose other devices: the next check takes the counts
    // afresh, and nothing is lost.
    void Rebase();

private:
    bool CountsChanged();
    Event MidiCountsChanged();

    Hooks m_hooks;
    std::optional<Counts> m_last;
    std::optional<Counts> m_lastMidi;
    bool m_lost = false;
};
