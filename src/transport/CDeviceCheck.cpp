#include "transport/CDeviceCheck.h"

#include "support/Log.h"

CDeviceCheck::Event CDeviceCheck::Check() {
    if (m_lost) {
        if (!m_hooks.reopen || !m_hooks.reopen())
            return Event::kNone;
        Log("The audio device runs again");
        m_lost = false;
        // Devices counted while the server was away do not count as a change.
        m_last.reset();
        CountsChanged();
        return Event::kDeviceBack;
    }
    if (m_hooks.failed && m_hooks.failed()) {
        Log("The audio device stopped on its own");
        m_lost = true;
        return Event::kDeviceLost;
    }
    // The MIDI devices are counted at the next check after an audio change.
    return CountsChanged() ? Event::kCountsChanged : MidiCountsChanged();
}

CDeviceCheck::Event CDeviceCheck::MidiCountsChanged() {
    if (!m_hooks.midiCount)
        return Event::kNone;
    const Counts now = m_hooks.midiCount();
    const std::optional<Counts> last = m_lastMidi;
    m_lastMidi = now;
    if (!last || *last == now)
        return Event::kNone;
    LogFmt("MIDI devices changed: %d inputs, %d outputs (were %d, %d)", now.first, now.second,
           last->first, last->second);
    if (last->first == now.first)
        return Event::kMidiOutputsChanged;
    if (m_hooks.reopenMidiInput)
        m_hooks.reopenMidiInput();
    return Event::kMidiInputsChanged;
}

bool CDeviceCheck::CountsChanged() {
    if (!m_hooks.count)
        return false;
    const Counts now = m_hooks.count();
    const bool changed = m_last && *m_last != now;
    if (changed)
        LogFmt("Audio devices changed: %d recording, %d playback (were %d, %d)", now.first,
               now.second, m_last->first, m_last->second);
    m_last = now;
    return changed;
}

void CDeviceCheck::Rebase() {
    m_last.reset();
    m_lastMidi.reset();
    m_lost = false;
}
