#pragma once

#include <cstdint>
#include <vector>

class CClip;

// The clips the user has chosen, ordered by their place on the timeline,
// and the "details" clip: the one chosen last, whose settings the details
// area shows and whose position keyboard nudges work from. The selection
// holds a reference on each clip, so a clip removed meanwhile (by an undo)
// is never reached through a dangling pointer.
class CClipSelection {
public:
    // Selected clips lie above all others.
    static constexpr int32_t kSelectedZOrder = 2147483647;

    CClipSelection() = default;
    CClipSelection(const CClipSelection&) = delete;
    CClipSelection& operator=(const CClipSelection&) = delete;
    ~CClipSelection();

    // Marks the clip selected and makes it the details clip. A clip being
    // recorded is refused.
    bool Add(CClip* clip);
    void Remove(CClip* clip);
    // Deselects every clip.
    void Clear();
    bool Contains(const CClip* clip) const;
    bool IsEmpty() const { return m_clips.empty(); }
    const std::vector<CClip*>& Clips() const { return m_clips; }
    CClip* DetailsClip() const { return m_details; }
    void SetDetailsClip(CClip* clip);
    // Drops clips that left their track (removed, or undone away).
    void DropClipsOffTracks();

private:
    void Unmark(CClip* clip);
    // Lays the clip's track out again after the clip changed its place in the stack.
    static void Restack(CClip& clip);

    std::vector<CClip*> m_clips;
    CClip* m_details = nullptr;
};
