#pragma once

#include "pianoroll/PRNoteGeometry.h"
#include "support/CUndoAtom.h"

#include <memory>
#include <string>

class CMIDIClip;

// The piano roll's rubber band that a cut or delete acted on: undo shows it
// again where it was (its times drawn at the zoom of that moment), redo
// takes it away. It reaches the piano roll through the clip, so it does
// nothing while no piano roll shows the clip. Holds a reference on the clip.
class CSelRectUndo : public CUndoAtom {
public:
    CSelRectUndo(CMIDIClip& clip, const PRBandSpan& band);
    CSelRectUndo(const CSelRectUndo& other);
    CSelRectUndo& operator=(const CSelRectUndo&) = delete;
    ~CSelRectUndo() override;

    std::unique_ptr<CUndoAtom> Clone() const override;
    void Restore(bool redo) override;
    void GetDescription(std::string& out) const override;

private:
    CMIDIClip& m_clip;
    PRBandSpan m_band;
};
