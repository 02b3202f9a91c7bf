#pragma once

#include "support/RefPtr.h"

#include <string>

class CEffectChain;
class CProject;
class CTrack;

// Which effect chain an editor works on: the project's global (master)
// chain, or a track's chain. It finds the chain afresh each time, so that an
// undo step recorded for a track still reaches that track's chain after the
// track was moved, or taken out and put back. A track owner keeps a
// reference on its track.
class CEffectChainOwner {
public:
    static CEffectChainOwner Global(CProject& project);
    static CEffectChainOwner OfTrack(CProject& project, CTrack& track);
    // Defined where the track is known, for its reference.
    CEffectChainOwner(const CEffectChainOwner& other);
    CEffectChainOwner& operator=(const CEffectChainOwner& other);
    ~CEffectChainOwner();

    // Null when the track has no engine track (any more).
    CEffectChain* Chain() const;
    bool IsGlobal() const { return !m_track; }
    // Null for the global chain.
    CTrack* Track() const { return m_track.Get(); }
    CProject& Project() const { return *m_project; }
    // Whether the track is still one of the project's (always for the global chain).
    bool IsInProject() const;
    // "Master" or "Track 2: Bass", for titles.
    std::string Title() const;
    // Tells the project's observers that the chain changed.
    void AnnounceChange() const;

    bool operator==(const CEffectChainOwner& other) const {
        return m_project == other.m_project && m_track.Get() == other.m_track.Get();
    }

private:
    CEffectChainOwner(CProject& project, CTrack* track);

    CProject* m_project;
    RefPtr<CTrack> m_track;
};
