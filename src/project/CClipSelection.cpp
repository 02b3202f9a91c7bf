#include "project/CClipSelection.h"

#include "gui/VRGuiObject.h"
#include "project/CClip.h"
#include "project/CTrack.h"
#include "project/CTrackBody.h"

#include <algorithm>

void CClipSelection::Restack(CClip& clip) {
    // The clip went above or below others on its track.
    if (CTrack* track = clip.GetTrack(); track && clip.GetParent() == track->GetBody())
        track->StackClips();
}

CClipSelection::~CClipSelection() {
    Clear();
}

bool CClipSelection::Add(CClip* clip) {
    if (!clip || clip->IsRecording())
        return false;
    if (!Contains(clip)) {
        clip->AddRef();
        m_clips.push_back(clip);
        std::stable_sort(m_clips.begin(), m_clips.end(), [](const CClip* a, const CClip* b) {
            return a->GetStartMs() < b->GetStartMs();
        });
    }
    clip->SetSelected(true);
    clip->SetZOrder(kSelectedZOrder);
    Restack(*clip);
    SetDetailsClip(clip);
    return true;
}

void CClipSelection::Unmark(CClip* clip) {
    clip->SetSelected(false);
    clip->SetZOrder(kDefaultZOrder);
    Restack(*clip);
    if (m_details == clip)
        m_details = nullptr;
    clip->DeleteRefObject();
}

void CClipSelection::Remove(CClip* clip) {
    const auto found = std::find(m_clips.begin(), m_clips.end(), clip);
    if (found == m_clips.end())
        return;
    m_clips.erase(found);
    Unmark(clip);
}

void CClipSelection::Clear() {
    std::vector<CClip*> clips;
    clips.swap(m_clips);
    for (CClip* clip : clips)
        Unmark(clip);
    m_details = nullptr;
}

bool CClipSelection::Contains(const CClip* clip) const {
    return std::find(m_clips.begin(), m_clips.end(), clip) != m_clips.end();
}

void CClipSelection::SetDetailsClip(CClip* clip) {
    m_details = clip && Contains(clip) ? clip : nullptr;
}

void CClipSelection::DropClipsOffTracks() {
    std::vector<CClip*> gone;
    for (CClip* clip : m_clips)
        if (!clip->GetTrack())
            gone.push_back(clip);
    for (CClip* clip : gone)
        Remove(clip);
}
