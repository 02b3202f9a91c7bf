#include "project/CAutoMarkerWizard.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogTextField.h"
#include "gui/CValueEntryDialog.h"
#include "gui/DialogLook.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CAutoMarkerPlacer.h"
#include "project/CProject.h"
#include "project/ProjectPreferences.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int32_t kIndent = 32;
constexpr int32_t kFieldWidth = 56;
constexpr int32_t kLabelGap = 6;
constexpr uint32_t kErrorColor = 0x000000C0; // red
// Longer than any disc or timeline.
constexpr double kMaxMinutes = 35000.0;

enum Row : int {
    kAutoRow,
    kIntervalsRow,
    kIntervalFieldsRow,
    kSilenceRow,
    kMinSilenceRow,
    kThresholdRow,
    kMinMinutesRow,
    kCdRow,
    kRemoveRow,
    kErrorRow,
};

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

CAutoMarkerWizard::CAutoMarkerWizard(CProject& project, CUndoMgr& undo, CPCMMixer& mixer,
                                     ProjectPreferences& prefs)
    : CBaseDialog(MyLoadString("TMW_Title"), kWidth, kHeight), m_project(project), m_undo(undo),
      m_mixer(mixer), m_prefs(prefs) {
    AddControls();
    LoadSettings();
}

CAutoMarkerWizard::~CAutoMarkerWizard() {
    for (VRGuiObject* object : std::initializer_list<VRGuiObject*>{
             m_intervals.get(), m_interval.get(), m_total.get(), m_silence.get(),
             m_minSilence.get(), m_threshold.get(), m_minMinutes.get(), m_cdTrack.get(),
             m_removeExisting.get()})
        RemoveFocusable(object);
}

int CAutoMarkerWizard::Run(CProject& project, CUndoMgr& undo, CPCMMixer& mixer,
                           ProjectPreferences& prefs, VRGuiWindow* owner) {
    CAutoMarkerWizard wizard(project, undo, mixer, prefs);
    return wizard.DoModal(owner);
}

void CAutoMarkerWizard::AddControls() {
    const int32_t wide = kWidth - 2 * kMargin - kIndent;
    auto field = [this](int32_t left, int row) {
        auto made = std::make_unique<CDialogTextField>(kFieldWidth, 10);
        made->SetNumeric(true);
        made->SetOnChange([this] {
            if (m_rangeError.empty())
                return;
            m_rangeError.clear();
            Invalidate(nullptr);
        });
        AddFocusable(made.get(), left, RowTop(row));
        return made;
    };
    m_intervals = std::make_unique<CDialogCheckBox>(wide, MyLoadString("TMW_Intervals"));
    AddFocusable(m_intervals.get(), kMargin, RowTop(kIntervalsRow));
    m_interval = field(kMargin + kIndent, kIntervalFieldsRow);
    m_total = field(kMargin + kIndent + kFieldWidth + 190, kIntervalFieldsRow);
    m_silence = std::make_unique<CDialogCheckBox>(wide, MyLoadString("TMW_BasedOnSilence"));
    AddFocusable(m_silence.get(), kMargin, RowTop(kSilenceRow));
    const int32_t silenceFields = kMargin + kIndent + 190;
    m_minSilence = field(silenceFields, kMinSilenceRow);
    m_threshold = field(silenceFields, kThresholdRow);
    m_minMinutes = field(silenceFields, kMinMinutesRow);
    m_cdTrack = std::make_unique<CDialogCheckBox>(wide, MyLoadString("TMW_CDTrack"));
    AddFocusable(m_cdTrack.get(), kMargin, RowTop(kCdRow));
    m_removeExisting = std::make_unique<CDialogCheckBox>(wide, MyLoadString("TMW_RemoveExisting"));
    AddFocusable(m_removeExisting.get(), kMargin, RowTop(kRemoveRow));
    m_intervals->SetOnChange([this] { ChooseMode(!m_intervals->IsChecked()); });
    m_silence->SetOnChange([this] { ChooseMode(m_silence->IsChecked()); });

    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
}

void CAutoMarkerWizard::LoadSettings() {
    m_interval->SetText(Number(m_prefs.fAutoTrackIntervalMinutes));
    m_total->SetText(Number(m_prefs.fAutoTrackIntervalTotalMinutes));
    m_minSilence->SetText(Number(m_prefs.iAutoTrackMinSilenceMils / 1000.0));
    m_threshold->SetText(Number(m_prefs.iAutoTrackSilenceThreshold));
    m_minMinutes->SetText(Number(m_prefs.fAutoTrackMinMinutesBetweenMarkers));
    m_cdTrack->SetChecked(m_prefs.bAutoTrackCreateCDMarkers);
    ChooseMode(m_prefs.bAutoTrackOnSilence);
}

void CAutoMarkerWizard::ChooseMode(bool silence) {
    // The two modes exclude each other, and only the chosen one's fields take input.
    m_intervals->SetChecked(!silence);
    m_silence->SetChecked(silence);
    for (CDialogTextField* field : {m_interval.get(), m_total.get()})
        silence ? field->Disable() : field->Enable();
    for (CDialogTextField* field : {m_minSilence.get(), m_threshold.get(), m_minMinutes.get()})
        silence ? field->Enable() : field->Disable();
    if (GetFocus() && !GetFocus()->IsEnabled())
        SetFocus(nullptr);
    Invalidate(nullptr);
}

bool CAutoMarkerWizard::ReadField(const CDialogTextField& field, double minimum, double maximum,
                                  double& value) {
    if (CValueEntryDialog::ParseNumber(field.GetText(), minimum, maximum, value))
        return true;
    m_rangeError = FormatLocalized(MyLoadString("guitools: value out of range"), minimum, maximum);
    SetFocus(const_cast<CDialogTextField*>(&field));
    Invalidate(nullptr);
    return false;
}

bool CAutoMarkerWizard::ReadSettings() {
    const bool silence = m_silence->IsChecked();
    double interval = 0.0, total = 0.0, seconds = 0.0, threshold = 0.0, minutes = 0.0;
    // An interval must move on: 0 would place markers forever.
    constexpr double kShortestInterval = 0.01;
    if (!silence && (!ReadField(*m_interval, kShortestInterval, kMaxMinutes, interval) ||
                     !ReadField(*m_total, 0.0, kMaxMinutes, total)))
        return false;
    if (silence && (!ReadField(*m_minSilence, 0.01, 3600.0, seconds) ||
                    !ReadField(*m_threshold, 0.0, 100.0, threshold) ||
                    !ReadField(*m_minMinutes, 0.0, kMaxMinutes, minutes)))
        return false;
    m_prefs.bAutoTrackOnSilence = silence;
    m_prefs.bAutoTrackCreateCDMarkers = m_cdTrack->IsChecked();
    if (silence) {
        m_prefs.iAutoTrackMinSilenceMils = static_cast<int32_t>(std::lround(seconds * 1000.0));
        m_prefs.iAutoTrackSilenceThreshold = static_cast<int32_t>(std::lround(threshold));
        m_prefs.fAutoTrackMinMinutesBetweenMarkers = minutes;
    } else {
        m_prefs.fAutoTrackIntervalMinutes = interval;
        m_prefs.fAutoTrackIntervalTotalMinutes = total;
    }
    return true;
}

bool CAutoMarkerWizard::PlaceMarkers() {
    CUndoStep step(m_undo);
    if (m_removeExisting->IsChecked())
        CAutoMarkerPlacer::RemoveFromProject(m_project, m_undo);
    std::vector<MarkerRecord> markers;
    if (m_prefs.bAutoTrackOnSilence) {
        CAutoMarkerPlacer::SilenceSettings settings;
        settings.thresholdPercent = m_prefs.iAutoTrackSilenceThreshold;
        settings.minSilenceMs = m_prefs.iAutoTrackMinSilenceMils;
        settings.minMinutesBetweenMarkers = m_prefs.fAutoTrackMinMinutesBetweenMarkers;
        std::string error;
        if (!CAutoMarkerPlacer::AtSilences(m_mixer, m_project, m_project.GetRecordingFolder(),
                                           settings, m_prefs.bAutoTrackCreateCDMarkers, markers,
                                           error)) {
            ShowFormattedMessage("TMW_ScanFailedTitle", "TMW_ScanFailedBody",
                                 MB_OK | MB_ICONEXCLAMATION, error.c_str());
            return false;
        }
    } else {
        markers = CAutoMarkerPlacer::AtIntervals(
            m_project.GetTempoMap(), m_prefs.fAutoTrackIntervalMinutes,
            m_prefs.fAutoTrackIntervalTotalMinutes, m_prefs.bAutoTrackCreateCDMarkers);
    }
    m_added = CAutoMarkerPlacer::AddToProject(m_project, m_undo, markers);
    return true;
}

void CAutoMarkerWizard::OnInitDialog() {
    m_rangeError.clear();
    SetFocus(m_intervals.get());
}

void CAutoMarkerWizard::OnCommand(int id) {
    if (id == IDOK && !ReadSettings())
        return;
    if (id == IDOK)
        PlaceMarkers();
    EndDialog(id);
}

void CAutoMarkerWizard::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    auto label = [&](const std::string& words, int32_t left, int row, int32_t width,
                     uint32_t color) {
        const int32_t top = RowTop(row);
        DrawDialogText(cr, words, {left, top, left + width, top + CDialogTextField::kHeight},
                       kDialogFont, color, false);
    };
    const uint32_t text = DialogColor(kDialogTextItem);
    const uint32_t background = DialogColor(kDialogBackgroundItem);
    // Labels of the mode not chosen are greyed with their fields.
    const uint32_t intervalText = m_silence->IsChecked() ? ShadeColor(background, -0.35) : text;
    const uint32_t silenceText = m_silence->IsChecked() ? text : ShadeColor(background, -0.35);
    const int32_t inner = kMargin + kIndent;
    label(MyLoadString("TMW_Auto"), kMargin, kAutoRow, kWidth - 2 * kMargin, text);
    label(MyLoadString("TMW_MinutesFor"), inner + kFieldWidth + kLabelGap, kIntervalFieldsRow,
          190 - 2 * kLabelGap, intervalText);
    label(MyLoadString("IDS_MINUTES"), inner + 2 * kFieldWidth + 190 + kLabelGap,
          kIntervalFieldsRow, 90, intervalText);
    const int32_t fields = inner + 190;
    const int32_t after = fields + kFieldWidth + kLabelGap;
    const int32_t afterWidth = kWidth - kMargin - after;
    label(MyLoadString("TMW_MustBeSilent"), inner, kMinSilenceRow, 190 - kLabelGap, silenceText);
    label(MyLoadString("IDS_SECONDS"), after, kMinSilenceRow, afterWidth, silenceText);
    label(MyLoadString("TMW_SilenceIs"), inner, kThresholdRow, 190 - kLabelGap, silenceText);
    label("% " + MyLoadString("TMW_OrLess"), after, kThresholdRow, afterWidth, silenceText);
    label(MyLoadString("TMW_MustBe"), inner, kMinMinutesRow, 190 - kLabelGap, silenceText);
    label(MyLoadString("TMW_MinsMarker"), after, kMinMinutesRow, afterWidth, silenceText);
    if (!m_rangeError.empty())
        label(m_rangeError, kMargin, kErrorRow, kWidth - 2 * kMargin, kErrorColor);
}
