#pragma once

#include "gui/CBaseDialog.h"

#include <memory>
#include <string>

class CDialogCheckBox;
class CDialogTextField;
class CPCMMixer;
class CProject;
class CUndoMgr;
struct ProjectPreferences;

// Places CD-track markers in one step: at fixed intervals over a total
// length, or where the mixed project falls silent (the project rendered by
// the engine). The settings start from the preferences and go back to them
// on OK; the markers it adds (and those it removes first, when asked) are one
// undo step. A number outside its range, such as an interval of 0, keeps the
// dialog open and says which numbers it takes.
class CAutoMarkerWizard : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 364;

    CAutoMarkerWizard(CProject& project, CUndoMgr& undo, CPCMMixer& mixer,
                      ProjectPreferences& prefs);
    ~CAutoMarkerWizard() override;

    // Runs the wizard over the owner; the answer of the dialog.
    static int Run(CProject& project, CUndoMgr& undo, CPCMMixer& mixer, ProjectPreferences& prefs,
                   VRGuiWindow* owner);

    CDialogCheckBox& IntervalsBox() { return *m_intervals; }
    CDialogCheckBox& SilenceBox() { return *m_silence; }
    CDialogTextField& IntervalField() { return *m_interval; }
    CDialogTextField& TotalField() { return *m_total; }
    CDialogTextField& MinSilenceField() { return *m_minSilence; }
    CDialogTextField& ThresholdField() { return *m_threshold; }
    CDialogTextField& MinMinutesField() { return *m_minMinutes; }
    CDialogCheckBox& CdTrackBox() { return *m_cdTrack; }
    CDialogCheckBox& RemoveExistingBox() { return *m_removeExisting; }
    // The markers the last OK added.
    int AddedCount() const { return m_added; }
    bool ShowsRangeError() const { return !m_rangeError.empty(); }

    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    void AddControls();
    void LoadSettings();
    void ChooseMode(bool silence);
    // Reads the fields into the preferences; false, with the range shown, when one is out of range.
    bool ReadSettings();
    bool ReadField(const CDialogTextField& field, double minimum, double maximum, double& value);
    // Places the markers as the preferences say; false when the mix could not be scanned.
    bool PlaceMarkers();
    int32_t RowTop(int row) const { return ContentTop() + row * kRowHeight; }

    static constexpr int32_t kRowHeight = 28;

    CProject& m_project;
    CUndoMgr& m_undo;
    CPCMMixer& m_mixer;
    ProjectPreferences& m_prefs;
    std::unique_ptr<CDialogCheckBox> m_intervals;
    std::unique_ptr<CDialogTextField> m_interval;
    std::unique_ptr<CDialogTextField> m_total;
    std::unique_ptr<CDialogCheckBox> m_silence;
    std::unique_ptr<CDialogTextField> m_minSilence;
    std::unique_ptr<CDialogTextField> m_threshold;
    std::unique_ptr<CDialogTextField> m_minMinutes;
    std::unique_ptr<CDialogCheckBox> m_cdTrack;
    std::unique_ptr<CDialogCheckBox> m_removeExisting;
    std::string m_rangeError;
    int m_added = 0;
};
