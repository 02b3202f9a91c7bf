#pragma once

#include "engine/CAudioEffect.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

// The built-in General MIDI instrument: a SoundFont synthesizer (FluidSynth)
// that plays all sixteen MIDI channels of its track.
//
// Presets are named "bank:program" ("0:0" is the Acoustic Grand Piano,
// "128:0" the standard drum kit); GetPresetTitle gives the General MIDI
// name. A melodic preset selects its sound on every channel but channel 10
// (index 9), which keeps the standard drum kit as General MIDI has it; a
// drum-kit preset (bank 128) turns every channel into that kit. Program and
// bank changes in the MIDI stream then change single channels.
//
// Timing: HandleMidiEvent only stores the event; Process renders up to each
// event's frame before applying it. FluidSynth starts new voices and applies
// changes at its own 64-frame rendering steps, so an event is heard at most
// 63 frames after its frame and never before it.
//
// Previews (MidiNoteOnNow and the others) may be called from one other thread
// (the GUI thread) at any time: they pass through a lock-free queue that the
// audio thread empties at the start of each Process.
class CGMInstrument : public CAudioEffect {
public:
    static constexpr EffectID kID = MakeEffectID("MGrV");
    static constexpr int kBankParameter = 0;
    static constexpr int kProgramParameter = 1;
    static constexpr int kPercussionBank = 128;
    static constexpr int kDrumChannel = 9;
    static constexpr int kChannels = 16;
    // Events one block can carry; further ones in the same block are dropped.
    static constexpr int kMaxBlockEvents = 4096;
    // Previews waiting for the audio thread; further ones are dropped.
    static constexpr int kPreviewQueueSize = 256;

    // soundFontPath: a SoundFont to use before the installed General MIDI ones.
    explicit CGMInstrument(std::string soundFontPath = {});
    ~CGMInstrument() override;

    // Registers the instrument with the effects factory; false when it
    // already is (or the factory refuses it).
    static bool Register();

    // The SoundFont an instrument would load: soundFontPath when that file
    // exists, else the first installed one of FluidR3_GM.sf2 and TimGM6mb.sf2
    // under /usr/share/sounds/sf2/; "" when there is none.
    static std::string FindSoundFont(const std::string& soundFontPath);
    // The General MIDI name of a sound ("Acoustic Grand Piano"), "" for one
    // that the preset list does not have.
    static std::string GeneralMidiName(int bank, int program);

    // "" for a bad index.
    std::string GetPresetTitle(int index) const;
    // The SoundFont loaded by Prepare; "" before that or when none loaded.
    const std::string& GetSoundFontPath() const { return m_loadedPath; }
    bool HasSoundFont() const { return m_soundFontId >= 0; }

    bool IsInstrument() const override { return true; }
    double GetTailMs() const override { return kTailMs; }
    void HandleMidiEvent(const EffectMidiEvent& event) override;
    void Reset() override;

    // Any thread but the audio thread, one at a time. False when the queue
    // is full or a value is out of range.
    bool MidiNoteOnNow(int pitch, int velocity, int channel);
    bool MidiNoteOffNow(int pitch, int velocity, int channel);
    bool MidiAllNotesOffNow();

protected:
    void OnPrepare(double sampleRate, int maxBlockFrames) override;
    void OnProcess(float* stereo, int frames) override;

private:
    static constexpr double kTailMs = 3000.0;
    // FluidSynth renders in steps of this many frames and hands them out as
    // asked; Reset lets go of what is left of the step in progress.
    static constexpr int kSynthStepFrames = 64;

    // A single-producer, single-consumer ring of previews.
    class PreviewQueue {
    public:
        bool Push(const EffectMidiEvent& event);
        bool Pop(EffectMidiEvent& event);

    private:
        std::array<EffectMidiEvent, kPreviewQueueSize> m_ring{};
        std::atomic<uint32_t> m_head{0}; // next to read
        std::atomic<uint32_t> m_tail{0}; // next to write
    };

    bool CreateSynth(double sampleRate);
    void DeleteSynth();
    void ApplyEvent(const EffectMidiEvent& event);
    void ApplyPresetIfChanged();
    void SelectSound(int channel, int bank, int program);
    void DrainPreviews();
    void Render(float* stereo, int frames);

    std::string m_requestedPath;
    std::string m_loadedPath;
    _fluid_hashtable_t* m_settings = nullptr;
    _fluid_synth_t* m_synth = nullptr;
    int m_soundFontId = -1;
    double m_synthRate = 0.0;

    std::vector<float> m_left;
    std::vector<float> m_right;
    std::vector<EffectMidiEvent> m_events; // this block's, in arrival order
    int m_eventCount = 0;
    int m_nextEvent = 0;
    int m_blockPosition = 0; // frames rendered since the block's start
    bool m_blockStarted = false;
    uint64_t m_renderedFrames = 0; // since the synthesizer's last step boundary
    int m_appliedBank = -1;
    int m_appliedProgram = -1;
    PreviewQueue m_previews;
};
