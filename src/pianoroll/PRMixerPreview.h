#pragma once

class CPCMMixer;

// Sounds preview notes at once through the mixer, on the instrument of one
// engine track, whether the transport plays or not. One pitch sounds at a
// time: a new one stops the one before.
class PRMixerPreview {
public:
    // engineTrack: the engine track whose instrument plays the previews.
    PRMixerPreview(CPCMMixer& mixer, int engineTrack);
    ~PRMixerPreview();
    PRMixerPreview(const PRMixerPreview&) = delete;
    PRMixerPreview& operator=(const PRMixerPreview&) = delete;

    // False when no instrument took the note.
    bool NoteOn(int pitch, int velocity, int channel);
    void NoteOff();
    int SoundingPitch() const { return m_pitch; }

private:
    CPCMMixer& m_mixer;
    int m_engineTrack;
    int m_pitch = -1;
    int m_channel = 0;
};
