#pragma once

#include "gui/VRGuiContainer.h"
#include "pianoroll/PRNoteClipboard.h"
#include "pianoroll/PRNoteEdits.h"
#include "pianoroll/PRNoteGestures.h"
#include "support/Observable.h"
#include "support/Observer.h"

#include <cstdint>
#include <functional>
#include <optional>

class CMIDIClip;
class CUndoMgr;
class PRMixerPreview;

// The note area of the piano roll: the key rows, the bar and beat lines and
// the clip's notes, drawn at the content coordinates of PRNoteGeometry (the
// object is as large as its content; a scrolling parent shows part of it).
// Mouse and keys go to PRNoteGestures; previews go to the mixer through the
// preview given, and undo or redo of a note clears the selection. A double
// click on a note opens the note edit dialog for the selection, the right
// button the context menu. Observers hear kNotifyToolSettingsChanged when a
// clicked note became the model for new notes.
class PianoRollBody : public VRGuiContainer,
                      public Observable,
                      public Observer,
                      private PRNoteAreaListener {
public:
    // Content width beyond the clip's end.
    static constexpr int32_t kExtraWidth = 200;

    // preview may be null (no sound).
    PianoRollBody(CMIDIClip& clip, CUndoMgr& undo, PRMixerPreview* preview);
    ~PianoRollBody() override;

    PRNoteGestures& Gestures() { return m_gestures; }
    PRNoteEdits& Edits() { return m_edits; }
    PRNoteClipboard& Clipboard() { return m_clipboard; }
    const PRNoteClipboard& Clipboard() const { return m_clipboard; }
    const PRNoteEdits& Edits() const { return m_edits; }
    // The selected notes still in the sound, in selection order.
    std::vector<MidiNotePtr> SelectedNotes() const;
    // Horizontal scale; resizes the area to the clip's length.
    void SetMsPerPixel(double msPerPixel);

    // The play-position line at a sound time, or none.
    void SetPlayLine(std::optional<int32_t> soundMs);
    std::optional<int32_t> PlayLine() const { return m_playLineMs; }

    // Where the sound times under the pointer or of a dragged note go (the
    // read-out).
    void SetTimeSink(std::function<void(double soundMs)> sink) { m_timeSink = std::move(sink); }
    // The press and the last pointer position of the left-button gesture
    // under way (content coordinates); what auto-scrolling needs.
    GuiPoint PressPoint() const { return m_pressPoint; }
    GuiPoint LastPointer() const { return m_lastPointer; }

    void OnDraw(const GuiRect& r) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    bool OnKey(int32_t event, int32_t key, uint32_t modifiers) override;
    bool GetToolTip(GuiPoint p, std::string& text) override;
    void OnNotification(int message, void* parameter) override;

private:
    void PreviewNoteOn(int pitch, int velocity, int channel) override;
    void PreviewNoteOff(int pitch, int channel) override;
    void RepaintRect(const PRNoteRect& r) override;
    void ToolSettingsChanged() override;
    void EditSelectedNotes();
    void ShowTime(double soundMs) override;

    void FitSize();
    void DrawRows(const GuiRect& r);
    void DrawGridLines(const GuiRect& r);
    void DrawNotes(const GuiRect& r);
    void DrawPlayLine(const GuiRect& r);
    void DrawRubberBand(const GuiRect& r);
    void InvalidatePlayLine();

    CMIDIClip& m_clip;
    PRNoteEdits m_edits;
    PRNoteGestures m_gestures;
    PRNoteClipboard m_clipboard{m_edits, m_gestures};
    PRMixerPreview* m_preview;
    std::optional<int32_t> m_playLineMs;
    std::function<void(double)> m_timeSink;
    GuiPoint m_pressPoint{0, 0};
    GuiPoint m_lastPointer{0, 0};
};
