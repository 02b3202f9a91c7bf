#pragma once

#include "engine/TempoMap.h"
#include "gui/CBaseDialog.h"
#include "project/CMarkerEditSession.h"
#include "project/MarkerPosition.h"

#include <array>
#include <memory>
#include <string>

class CDialogCheckBox;
class CDialogChoice;
class CDialogTextField;
class CProject;
class CUndoMgr;

// Adds or edits one marker: its name, position, tempo, key and time
// signature changes, metronome beats, colour, CD-track start and ISRC code.
// Every change is written into the project's markers at once through a
// CMarkerEditSession, so that the ruler and playback follow; OK keeps the
// result as one undo step, Cancel (or closing) leaves the project as it was.
// The start marker's position and changes cannot be taken away here.
class CMarkerDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 460;
    static constexpr int32_t kHeight = 364;
    static constexpr size_t kMaxIsrcBytes = 24;
    // Spin buttons of the position fields: up kSpinUpId + field, down kSpinDownId + field.
    static constexpr int kSpinUpId = 100;
    static constexpr int kSpinDownId = 110;
    static constexpr int kColourId = 120;
    // Plays the project from the marker, or stops it.
    static constexpr int kPlayId = 130;

    CMarkerDialog(CProject& project, CUndoMgr& undo);
    ~CMarkerDialog() override;

    // Runs the dialog over a marker added at a reference time; false (with
    // the message shown) when a marker stands there already.
    static bool RunAdd(CProject& project, CUndoMgr& undo, VRGuiWindow* owner, double realMs);
    // Runs the dialog over marker i; false for a bad index.
    static bool RunEdit(CProject& project, CUndoMgr& undo, VRGuiWindow* owner, int index);

    bool BeginAdd(double realMs);
    bool BeginEdit(int index);
    const CMarkerEditSession& Session() const { return m_session; }

    CDialogTextField& NameField() { return *m_name; }
    CDialogTextField& PositionField(int field) { return *m_position[size_t(field)]; }
    CDialogCheckBox& TempoBox() { return *m_tempoBox; }
    CDialogTextField& TempoField() { return *m_tempo; }
    CDialogCheckBox& KeyBox() { return *m_keyBox; }
    CDialogChoice& KeyChoice() { return *m_key; }
    CDialogCheckBox& SignatureBox() { return *m_signatureBox; }
    CDialogTextField& NumeratorField() { return *m_numerator; }
    CDialogChoice& DenominatorChoice() { return *m_denominator; }
    CDialogTextField& BeatsField() { return *m_beats; }
    CDialogCheckBox& CdTrackBox() { return *m_cdTrack; }
    CDialogCheckBox& IsrcBox() { return *m_isrcBox; }
    CDialogTextField& IsrcField() { return *m_isrc; }
    // The swatch of the marker's colour, in the dialog's coordinates.
    GuiRect SwatchRect() const;
    // "%d.0" for a whole tempo, else the tempo without trailing zeros.
    static std::string TempoText(double tempo);

    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnClose() override;

private:
    void AddControls();
    void AddPositionControls(int32_t top);
    void ConnectControls();
    // Shows the working marker in every control.
    void LoadFields();
    void LoadPosition();
    void EnableControls();
    // Writes a changed copy of the working marker; a refusal shows the marker as it stays.
    void Write(const MarkerRecord& changed);
    void PositionTyped();
    void StepPosition(int field, int delta);
    void MoveTo(double realMs);
    void TempoTyped();
    void SignatureChanged();
    void BeatsTyped();
    void ChooseColour();
    void PlayOrStop();
    // The play button's caption and tooltip say what a press will do.
    void ShowPlayState(bool playing);
    // The position fields' arithmetic over the tempo map without the
    // marker's own change, which does not move the marker itself.
    MarkerPosition Position();
    int32_t RowTop(int row) const { return ContentTop() + row * kRowHeight; }

    static constexpr int32_t kRowHeight = 28;

    CProject& m_project;
    CMarkerEditSession m_session;
    TempoMap m_positionMap;
    std::unique_ptr<CDialogTextField> m_name;
    std::array<std::unique_ptr<CDialogTextField>, 3> m_position;
    std::unique_ptr<CDialogCheckBox> m_tempoBox;
    std::unique_ptr<CDialogTextField> m_tempo;
    std::unique_ptr<CDialogCheckBox> m_keyBox;
    std::unique_ptr<CDialogChoice> m_key;
    std::unique_ptr<CDialogCheckBox> m_signatureBox;
    std::unique_ptr<CDialogTextField> m_numerator;
    std::unique_ptr<CDialogChoice> m_denominator;
    std::unique_ptr<CDialogTextField> m_beats;
    std::unique_ptr<CDialogCheckBox> m_cdTrack;
    std::unique_ptr<CDialogCheckBox> m_isrcBox;
    std::unique_ptr<CDialogTextField> m_isrc;
};
