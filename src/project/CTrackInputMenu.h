#pragma once

#include "project/RecordingInput.h"

#include <cstdint>

class CPCMAudTrack;
class GuiMenu;

// The input menu of a track header, what the button beside the arm button
// opens: an audio track lists every recording device by name, each with its
// stereo, left and right inputs; a MIDI track lists every MIDI input device,
// each with all channels or one of the sixteen. The current arming is ticked.
// An audio track's menu ends with input monitoring, ticked while it is on.
// Choosing an input arms the track on it; the caller makes that one undo step.
class CTrackInputMenu {
public:
    // Items of a device's sub-menu: channel selections 2 (both), 0 (left), 1
    // (right) for audio; -1 (all) and 0..15 for MIDI.
    static constexpr int kAudioChoices = 3;
    static constexpr int kMidiChoices = 17;
    // The audio menu's last item turns input monitoring on or off.
    static constexpr int32_t kMonitorItem = 0x10000;

    CTrackInputMenu(CPCMAudTrack& track, const RecordingInput& input, int midiDeviceCount);

    // Fills the menu; false, after telling the user, when the track's kind
    // has no input device to choose.
    bool Build(GuiMenu& menu) const;
    // Arms the track on the chosen item; false for none (0) or an item the
    // track did not take.
    bool Choose(int32_t item);

    // The item that stands for a device's channel selection (audio) or MIDI
    // channel (-1 for all).
    static int32_t AudioItem(int device, int channelSelection);
    static int32_t MidiItem(int device, int midiChannel);

private:
    void BuildAudio(GuiMenu& menu) const;
    void BuildMidi(GuiMenu& menu) const;
    bool IsMidi() const;

    CPCMAudTrack& m_track;
    const RecordingInput m_input;
    int m_midiDeviceCount;
};
