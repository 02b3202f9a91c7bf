#pragma once

#include "support/RefPtr.h"

#include <string>

class CEffectChain;
class CProject;
class CTrack;

// Which effect chain an editor works on: the project's global (master)
// chain, or one of a track's chains (an instrument track has its instrument
// chain and the instrument's effects chain before its own). It finds the
// chain afresh each time, so that an undo step recorded for a track still
// reaches that track's chain after the track was moved, or taken out and put
// back. A track owner keeps a reference on its track.
class CEffectChainOwner {
public:
    // A track's chains, in the order its sound passes them last: the
    // instrument, its effects, then the track's effects.
    enum TrackChain : int { kTrackEffects = 0, kInstrument = 1, kInstrumentEffects = 2 };

    static CEffectChainOwner Global(CProject& project);
    static CEffectChainOwner OfTrack(CProject& project, CTrack& track,
                                     TrackChain which = kTrackEffects);
    // Defined where the track is known, for its reference.
    CEffectChainOwner(const CEffectChainOwner& other);
    CEffectChainOwner& operator=(const CEffectChainOwner& other);
    ~CEffectChainOwner();

    // Null when the track has no engine track (any more).
    CEffectChain* Chain() const;
    bool IsGlobal() const { return !m_track; }
    // Null for the global chain.
    CTrack* Track() const { return m_track.Get(); }
    TrackChain Which() const { return m_which; }
    bool IsInstrumentChain() const { return m_track && m_which == kInstrument; }
    // Whether the track has the instrument chains (an instrument track).
    bool HasInstrumentChains() const;
    // The string key naming one of a track's chains ("FX_Instrument").
    static const char* ChainNameKey(TrackChain which);
    CProject& Project() const { return *m_project; }
    // Whether the track is still one of the project's (always for the global chain).
    bool IsInProject() const;
    // "Master", "Track 2: Bass" or "Track 4: Melody - Instrument", for titles.
    std::string Title() const;
    // Tells the project's observers that the chain changed.
    void AnnounceChange() const;

    bool operator==(const CEffectChainOwner& other) const {
        return m_project == other.m_project && m_track.Get() == other.m_track.Get() &&
               m_which == other.m_which;
    }

private:
    CEffectChainOwner(CProject& project, CTrack* track, TrackChain which);

    CProject* m_project;
    RefPtr<CTrack> m_track;
    TrackChain m_which;
};
