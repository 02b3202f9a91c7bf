#pragma once

#include "project/MarkerRecord.h"

class CProject;
class CUndoMgr;

// What the marker dialog does to the project: it adds a marker (or takes an
// existing one) and writes every change into the project's markers at once,
// so that the ruler, the tempo map and playback follow while the dialog is
// open. Finish keeps the result as one undoable step; Cancel puts
// everything back as it was, leaving no undo step.
class CMarkerEditSession {
public:
    static constexpr uint32_t kNewMarkerColour = 8454143; // red 255, green 255, blue 128

    CMarkerEditSession(CProject& project, CUndoMgr& undo) : m_project(project), m_undo(undo) {}
    // An open session is cancelled.
    ~CMarkerEditSession();
    CMarkerEditSession(const CMarkerEditSession&) = delete;
    CMarkerEditSession& operator=(const CMarkerEditSession&) = delete;

    // Adds a marker at a reference time. False, with "MDT_TimeUnavail_Body"
    // shown and nothing added, when a marker stands there already.
    bool BeginAdd(double realMs);
    // False for a bad index.
    bool BeginEdit(int index);
    bool IsOpen() const { return m_open; }
    bool IsAdding() const { return m_adding; }

    // Writes a changed copy of the marker. When the project refuses it (its
    // time is taken, a value is out of range), the working copy takes back
    // the marker as the project has it and false is returned.
    bool Apply(const MarkerRecord& changed);
    // Moves the marker to a reference time; a refusal shows
    // "MDT_TimeUnavail_Title" / "MDT_TimeUnavail_Body".
    bool MoveTo(double realMs);
    const MarkerRecord& Working() const { return m_working; }
    // The marker's index now (a move past another marker changes it).
    int Index() const;

    // OK: one CTimeGridUndo in a new undo set (kind added or changed).
    void Finish();
    // Cancel: the added marker goes, an edited one gets its saved record back.
    void Cancel();

private:
    void Refresh();

    CProject& m_project;
    CUndoMgr& m_undo;
    MarkerRecord m_saved;
    MarkerRecord m_working;
    bool m_open = false;
    bool m_adding = false;
};
