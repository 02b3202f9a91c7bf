#include "pianoroll/PRMixerPreview.h"

#include "engine/CPCMMixer.h"

PRMixerPreview::PRMixerPreview(CPCMMixer& mixer, int engineTrack)
    : m_mixer(mixer), m_engineTrack(engineTrack) {}

PRMixerPreview::~PRMixerPreview() {
    NoteOff();
}

bool PRMixerPreview::NoteOn(int pitch, int velocity, int channel) {
    NoteOff();
    m_mixer.SetPreviewTrack(m_engineTrack);
    if (!m_mixer.MidiNoteOnNow(pitch, velocity, channel))
        return false;
    m_pitch = pitch;
    m_channel = channel;
    return true;
}

void PRMixerPreview::NoteOff() {
    if (m_pitch < 0)
        return;
    m_mixer.MidiNoteOffNow(m_pitch, 0, m_channel);
    m_pitch = -1;
}
