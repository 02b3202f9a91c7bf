#pragma once

class CClip;
class CProject;
class CUndoMgr;

// Split and Join of the selected clips. Split cuts every selected clip that
// the caret lies strictly inside into the part before the caret and the part
// from it on; Join closes the gaps between the selected clips of each track,
// each clip starting where the one before it ends. Locked clips, clips on
// frozen tracks and clips being recorded stay as they are. Each is one undo
// step.
class CClipSplitJoin {
public:
    CClipSplitJoin(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}

    // atHeardMs: the split point on the timeline as heard (the caret).
    // Returns how many clips were split.
    int Split(double atHeardMs);
    // Returns how many clips moved.
    int Join();

    // Whether the operations may touch the clip.
    static bool IsEditable(const CClip& clip);

    // The clip's material from fromMs to toMs of its own heard time (0 is its
    // start), as a new clip without a track that its caller holds; null when
    // the clip cannot be copied.
    static CClip* CopyPart(const CClip& clip, double fromMs, double toMs);

private:
    bool SplitClip(CClip& clip, double atHeardMs);

    CProject& m_project;
    CUndoMgr& m_undo;
};
