#pragma once

#include "engine/CAudioEffect.h"
#include "support/CLock.h"
#include "support/FourCC.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CRIFF;

// An ordered list of effects (or an instrument and effects) that a track's or
// the master bus's sound passes through, first slot first.
//
// Threads: the GUI thread edits the chain; each change of the slot list is
// made under the chain's lock, held only for the few instructions of the
// change (effects are created and prepared before it is taken, and deleted
// after it is released). The audio thread's Process only tries the lock;
// when the GUI thread holds it, that block comes out silent rather than
// unprocessed, so a chain that lowers the level (a gain cut, a limiter) never
// lets a loud block through. Queries (NumEffects, GetEffect, GetTailMs) are
// for the GUI thread, which is the only one that changes the list.
//
// Saved body (the whole body of one chunk such as "EfxL", "EisL" or "Eifx"),
// little-endian: u32 version (1), u32 effect count (at most kMaxEffects), and
// per effect: 16 bytes identifier, u8 active (0 or 1), u32 state size (at most
// kMaxStateBytes) and the effect's state (CAudioEffect::GetState).
class CEffectChain {
public:
    static constexpr uint32_t kBodyVersion = 1;
    static constexpr int kMaxEffects = 64;
    static constexpr uint32_t kMaxStateBytes = 1u << 20;
    static constexpr uint32_t kMaxBodyBytes = 64u << 20;
    static constexpr double kDefaultSampleRate = 44100.0;
    static constexpr int kDefaultMaxBlockFrames = 1024;

    CEffectChain();
    ~CEffectChain();
    CEffectChain(const CEffectChain&) = delete;
    CEffectChain& operator=(const CEffectChain&) = delete;

    // Prepares every effect, and those inserted later, for this rate and
    // block size (until then: 44.1 kHz, 1024 frames). False for values out
    // of reason; the chain keeps its old settings then.
    bool Prepare(double sampleRate, int maxBlockFrames);

    // Takes the effect into slot index (a negative index or one past the end
    // appends). The effect is prepared first. False for a null effect, a
    // full chain or an effect that cannot be prepared (which is then deleted).
    bool Insert(std::unique_ptr<CAudioEffect> effect, int index);
    // Takes the effect out of its slot and gives it to the caller (who lets
    // it go, deleting it, or keeps it for undo); null for a bad index.
    std::unique_ptr<CAudioEffect> Remove(int index);
    // Exchanges two slots; false for a bad index.
    bool Swap(int first, int second);
    // Deletes every effect.
    void RemoveAll();

    int NumEffects() const { return static_cast<int>(m_slots.size()); }
    // Null for a bad index; the chain keeps ownership.
    CAudioEffect* GetEffect(int index) const;
    // How long the active effects ring on after the input stops: the sum of
    // their tails, as each one rings on the tail of those before it.
    double GetTailMs() const;

    // Writes the chain as one chunk with the given code.
    bool Save(CRIFF* riff, FourCC chunkCode) const;
    // From the reader's current chunk on, finds the chunk with that code,
    // reads it and moves past it. False when it is missing, too large, short
    // or its body is refused; the chain is then unchanged.
    bool Load(CRIFF* riff, FourCC chunkCode);

    std::vector<uint8_t> SaveBody() const;
    // Replaces the chain's effects by those of the body. The whole body is
    // checked before anything changes: a wrong version, a count or size that
    // does not fit, a bad active byte, an effect refusing its state or bytes
    // left over refuse it. An effect the factory does not know is kept as a
    // CMissingEffect with a log line: the project opens, the chain plays it
    // dry, and saves it back as it was.
    bool LoadBody(const uint8_t* data, size_t size);

    // Audio thread: runs the block (interleaved stereo, in place) through
    // the active effects. An effect that was switched on again starts from
    // silence (Reset) rather than from what it held when switched off.
    // Returns false, with the block silenced, while the GUI thread is
    // changing the chain. Never allocates and never waits.
    bool Process(float* stereo, int frames);
    // The same for an instrument chain: the block's MIDI events (frame
    // offsets within the block) go to every active instrument in the chain
    // just before it renders.
    bool Process(float* stereo, int frames, const EffectMidiEvent* events, int eventCount);
    // The same for an instrument chain played live (see
    // CAudioEffect::SetLive): events are timed LiveLookAheadFrames ahead.
    bool ProcessLive(float* stereo, int frames, const EffectMidiEvent* events, int eventCount,
                     const LivePlace& place);
    // Audio thread: the largest look-ahead the chain's active instruments
    // want while live; 0 while the GUI thread is changing the chain.
    int LiveLookAheadFrames() const;

private:
    struct Slot {
        std::unique_ptr<CAudioEffect> effect;
        bool wasActive = true; // as the audio thread last saw it
    };

    bool ParseBody(const uint8_t* data, size_t size, std::vector<Slot>& slots) const;
    bool Run(float* stereo, int frames, const EffectMidiEvent* events, int eventCount, bool live,
             const LivePlace& place);

    mutable CLock m_lock;
    std::vector<Slot> m_slots;
    double m_sampleRate = kDefaultSampleRate;
    int m_maxBlockFrames = kDefaultMaxBlockFrames;
};
