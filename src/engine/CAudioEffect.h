#pragma once

#include "engine/EffectParameter.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Names an effect type for the factory and in saved chains: 16 bytes. The
// built-in ones are four characters followed by twelve zero bytes.
using EffectID = std::array<uint8_t, 16>;

constexpr EffectID MakeEffectID(const char (&code)[5]) {
    EffectID id{};
    for (int i = 0; i < 4; ++i)
        id[static_cast<size_t>(i)] = static_cast<uint8_t>(code[i]);
    return id;
}

// For log lines: the printable characters, '?' for other non-zero bytes,
// and the zero bytes left out ("LDly").
std::string EffectIDToText(const EffectID& id);

// A MIDI message for an instrument, timed in frames from the start of the
// block that the next Process call renders.
struct EffectMidiEvent {
    int frameOffset = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

// Where a live block plays on the transport's timeline, in frames at the
// mixer's rate (see CAudioEffect::SetLive).
struct LivePlace {
    // The transport jumped (start, stop, seek) since the last live block.
    bool transportJumped = false;
    // The transport's frame at the block's first frame; the frames after it
    // follow on, up to the loop end while looping.
    int64_t timelineFrame = 0;
    // Playback goes on at loopStart when it reaches loopEnd.
    bool looping = false;
    int64_t loopStart = 0;
    int64_t loopEnd = 0;
};

// Base of every effect and instrument in an effect chain.
//
// Threads: the GUI thread owns the effect's description, presets and state
// (parameters, preset name); parameter values themselves are atomics, so it
// may change them while the audio thread runs. The audio thread only calls
// Process, Reset and HandleMidiEvent. Prepare (which allocates) is called
// before the effect is handed to the audio thread, or under the chain's lock.
//
// Processing works on interleaved stereo float in place. An instrument
// derives from this class too: it says so with IsInstrument, takes the MIDI
// events of a block through HandleMidiEvent before that block's Process and
// adds its voices into the buffer.
class CAudioEffect {
public:
    // The preset name shown when the values were changed by hand.
    static constexpr const char* kCustomPresetName = "custom";

    virtual ~CAudioEffect();
    CAudioEffect(const CAudioEffect&) = delete;
    CAudioEffect& operator=(const CAudioEffect&) = delete;

    const EffectID& GetIdentifier() const { return m_id; }
    const std::string& GetName() const { return m_name; }

    // An inactive effect is passed over by its chain (setActive: lower case, as callers know it).
    bool isActive() const { return m_active.load(std::memory_order_relaxed); }
    void setActive(bool active) { m_active.store(active, std::memory_order_relaxed); }

    int GetNumParameters() const { return static_cast<int>(m_parameters.size()); }
    // Null for a bad index.
    const EffectParameterInfo* GetParameterInfo(int index) const;
    // 0 for a bad index.
    float GetParameter(int index) const;
    // Keeps the value within the parameter's range. A value that differs from
    // the current one turns the preset name into "custom". False for a bad index.
    bool SetParameter(int index, float value);

    int GetNumPresets() const { return static_cast<int>(m_presets.size()); }
    // "" for a bad index.
    std::string GetPresetName(int index) const;
    // Sets every parameter from the preset; false for a bad index or name.
    bool LoadPreset(int index);
    bool LoadPreset(const std::string& name);
    // The preset last loaded, or "custom" when values were changed since.
    const std::string& GetCurrentPresetName() const { return m_presetName; }

    // The parameter values and the preset name as bytes, for undo and for
    // saved chains (which take states of up to CEffectChain::kMaxStateBytes). SetState refuses
    // (changing nothing) bytes that are not a whole, well-formed state of this layout.
    // Effects whose settings need more than their parameter values (a plug-in
    // naming itself, a placeholder keeping bytes it cannot read) have a layout of their own.
    virtual std::vector<uint8_t> GetState() const;
    virtual bool SetState(const uint8_t* data, size_t size);

    // How long the effect keeps sounding after its input falls silent, with
    // the current settings, in milliseconds.
    virtual double GetTailMs() const { return 0.0; }

    virtual bool IsInstrument() const { return false; }
    // Audio thread, before the Process call of the block the event falls in.
    // Offsets count from the start of the block handed to Process; a block
    // longer than the prepared size reaches OnProcess in consecutive parts.
    virtual void HandleMidiEvent(const EffectMidiEvent& event);
    // Live playback (a device pulling blocks as they are heard) against
    // offline rendering. An instrument that renders ahead of the audio thread
    // on a thread of its own (CGMInstrument) returns how many frames early it
    // wants its MIDI while live: in a live block, event offsets count from the
    // start of the block that many frames later. 0 (every other effect):
    // events come with their own block, live or not.
    virtual int LiveLookAheadFrames() const { return 0; }
    // Audio thread, before a block's MIDI events: whether the block plays
    // live, and where on the timeline: after a jump, sound rendered ahead for
    // the old place is let go, and an instrument that renders in steps of its
    // own keeps them on the frames of the timeline that a render uses.
    virtual void SetLive(bool /*live*/, const LivePlace& /*place*/) {}

    // Makes the effect ready for blocks of up to maxBlockFrames at the rate
    // and forgets what it was playing. Allocates; never on the audio thread
    // while the effect is in use. False for a rate or size out of reason.
    bool Prepare(double sampleRate, int maxBlockFrames);
    // The rates (8 to 384 kHz) and block sizes (1 to 65536 frames) Prepare accepts.
    static bool IsValidFormat(double sampleRate, int maxBlockFrames);
    bool IsPrepared() const { return m_sampleRate > 0.0; }
    double GetSampleRate() const { return m_sampleRate; }
    int GetMaxBlockFrames() const { return m_maxBlockFrames; }

    // Processes frames of interleaved stereo in place. Longer blocks than the
    // prepared size are taken in parts. Does nothing before Prepare. Never
    // allocates, never waits.
    void Process(float* stereo, int frames);
    // Forgets the sound in progress (delay lines, filter memories) and jumps
    // smoothed values to their targets. Allocates nothing.
    virtual void Reset() = 0;

protected:
    CAudioEffect(const EffectID& id, std::string name, std::vector<EffectParameterInfo> parameters,
                 std::vector<EffectPreset> presets);

    // The value last set, for the audio thread; index must be valid.
    float ParameterValue(int index) const {
        return m_values[static_cast<size_t>(index)].load(std::memory_order_relaxed);
    }

    // Allocation of buffers sized by the rate and block size; then Reset is called.
    virtual void OnPrepare(double sampleRate, int maxBlockFrames) = 0;
    // frames is at most the prepared block size.
    virtual void OnProcess(float* stereo, int frames) = 0;

private:
    static constexpr uint16_t kStateVersion = 1;
    static constexpr size_t kMaxStateParameters = 256;
    static constexpr size_t kMaxPresetNameBytes = 255;

    EffectID m_id;
    std::string m_name;
    std::vector<EffectParameterInfo> m_parameters;
    std::vector<EffectPreset> m_presets;
    std::unique_ptr<std::atomic<float>[]> m_values;
    std::string m_presetName;
    std::atomic<bool> m_active{true};
    double m_sampleRate = 0.0;
    int m_maxBlockFrames = 0;
};
