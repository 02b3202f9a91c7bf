#include "project/CMarkerDialog.h"

#include "engine/TempoMap.h"
#include "gui/CColorChooserDialog.h"
#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogCheckBox.h"
#include "gui/CDialogChoice.h"
#include "gui/CDialogTextField.h"
#include "gui/CValueEntryDialog.h"
#include "gui/DialogLook.h"
#include "gui/VRGuiWindow.h"
#include "project/CProject.h"
#include "project/MarkerPlayer.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int32_t kLabelWidth = 140;
constexpr int32_t kControlLeft = CBaseDialog::kMargin + kLabelWidth;
constexpr int32_t kPositionWidth = 42;
constexpr int32_t kSpinWidth = 16;
constexpr int32_t kPositionStep = 96;
constexpr int32_t kSmallField = 44;
constexpr int32_t kSwatchSize = 20;
constexpr int kDenominators[] = {1, 2, 4, 8, 16, 32, 64};
constexpr int kMaxNumerator = 64;
constexpr double kMinTempo = 1.0;
constexpr double kMaxTempo = 999.0;

// Rows of the layout, top to bottom.
enum Row : int {
    kNameRow,
    kPositionRow,
    kTempoRow,
    kKeyRow,
    kSignatureRow,
    kBeatsRow,
    kColourRow,
    kOtherRow,
    kCdRow,
    kIsrcRow,
};

std::vector<std::string> KeyNames() {
    std::vector<std::string> names;
    for (int key = 0; key < TempoMap::kKeyCount; ++key)
        names.emplace_back(TempoMap::GetKeyStr(key));
    return names;
}

std::vector<std::string> DenominatorNames() {
    std::vector<std::string> names;
    for (int denominator : kDenominators)
        names.push_back(std::to_string(denominator));
    return names;
}

int DenominatorIndex(int denominator) {
    const auto at = std::find(std::begin(kDenominators), std::end(kDenominators), denominator);
    return at == std::end(kDenominators) ? 2 : static_cast<int>(at - std::begin(kDenominators));
}

// A whole number typed into a field; false for an empty or broken text.
bool ReadWhole(const CDialogTextField& field, int minimum, int maximum, int& value) {
    double number = 0.0;
    if (!CValueEntryDialog::ParseNumber(field.GetText(), -1e9, 1e9, number) ||
        number != std::floor(number))
        return false;
    value = static_cast<int>(std::clamp(number, double(minimum), double(maximum)));
    return true;
}

} // namespace

CMarkerDialog::CMarkerDialog(CProject& project, CUndoMgr& undo)
    : CBaseDialog(MyLoadString("MDT_AddTitle"), kWidth, kHeight), m_project(project),
      m_session(project, undo) {
    AddControls();
    ConnectControls();
}

CMarkerDialog::~CMarkerDialog() {
    for (VRGuiObject* object : std::initializer_list<VRGuiObject*>{
             m_name.get(), m_position[0].get(), m_position[1].get(), m_position[2].get(),
             m_tempoBox.get(), m_tempo.get(), m_keyBox.get(), m_key.get(), m_signatureBox.get(),
             m_numerator.get(), m_denominator.get(), m_beats.get(), m_cdTrack.get(),
             m_isrcBox.get(), m_isrc.get()})
        RemoveFocusable(object);
}

bool CMarkerDialog::RunAdd(CProject& project, CUndoMgr& undo, VRGuiWindow* owner, double realMs) {
    CMarkerDialog dialog(project, undo);
    if (!dialog.BeginAdd(realMs))
        return false;
    dialog.DoModal(owner);
    return true;
}

bool CMarkerDialog::RunEdit(CProject& project, CUndoMgr& undo, VRGuiWindow* owner, int index) {
    CMarkerDialog dialog(project, undo);
    if (!dialog.BeginEdit(index))
        return false;
    dialog.DoModal(owner);
    return true;
}

void CMarkerDialog::AddControls() {
    const int32_t fieldWidth = kWidth - kControlLeft - kMargin;
    m_name = std::make_unique<CDialogTextField>(fieldWidth, MarkerRecord::kNameSize - 1);
    AddFocusable(m_name.get(), kControlLeft, RowTop(kNameRow));
    AddPositionControls(RowTop(kPositionRow));

    m_tempoBox = std::make_unique<CDialogCheckBox>(kLabelWidth - 8, MyLoadString("MDT_Tempo"));
    AddFocusable(m_tempoBox.get(), kMargin, RowTop(kTempoRow));
    m_tempo = std::make_unique<CDialogTextField>(70, 10);
    m_tempo->SetNumeric(true);
    AddFocusable(m_tempo.get(), kControlLeft, RowTop(kTempoRow));

    m_keyBox = std::make_unique<CDialogCheckBox>(kLabelWidth - 8, MyLoadString("MDT_Key"));
    AddFocusable(m_keyBox.get(), kMargin, RowTop(kKeyRow));
    m_key = std::make_unique<CDialogChoice>(160, KeyNames());
    AddFocusable(m_key.get(), kControlLeft, RowTop(kKeyRow));

    m_signatureBox =
        std::make_unique<CDialogCheckBox>(kLabelWidth - 8, MyLoadString("MDT_Signature"));
    AddFocusable(m_signatureBox.get(), kMargin, RowTop(kSignatureRow));
    m_numerator = std::make_unique<CDialogTextField>(kSmallField, 2);
    m_numerator->SetNumeric(true);
    AddFocusable(m_numerator.get(), kControlLeft, RowTop(kSignatureRow));
    m_denominator = std::make_unique<CDialogChoice>(56, DenominatorNames());
    AddFocusable(m_denominator.get(), kControlLeft + kSmallField + 20, RowTop(kSignatureRow));

    m_beats = std::make_unique<CDialogTextField>(kSmallField, 2);
    m_beats->SetNumeric(true);
    AddFocusable(m_beats.get(), kControlLeft + 40, RowTop(kBeatsRow));

    AddButton(kColourId, MyLoadString("MDT_Color"), kMargin, RowTop(kColourRow));

    m_cdTrack =
        std::make_unique<CDialogCheckBox>(kWidth - 4 * kMargin, MyLoadString("MDT_CDTrack"));
    AddFocusable(m_cdTrack.get(), 2 * kMargin, RowTop(kCdRow));
    m_isrcBox = std::make_unique<CDialogCheckBox>(kLabelWidth - 8, MyLoadString("MDT_ISRC"));
    AddFocusable(m_isrcBox.get(), 2 * kMargin, RowTop(kIsrcRow));
    m_isrc = std::make_unique<CDialogTextField>(200, kMaxIsrcBytes);
    AddFocusable(m_isrc.get(), kControlLeft + kMargin, RowTop(kIsrcRow));

    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    CDialogButton* play = AddButton(kPlayId, "", kMargin, buttonTop);
    if (!m_project.GetMarkerPlayer())
        play->Disable();
    ShowPlayState(m_project.GetMarkerPlayer() && m_project.GetMarkerPlayer()->IsPlaying());
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
}

void CMarkerDialog::AddPositionControls(int32_t top) {
    for (int field = 0; field < 3; ++field) {
        const int32_t left = kControlLeft + field * kPositionStep;
        m_position[size_t(field)] = std::make_unique<CDialogTextField>(kPositionWidth, 7);
        m_position[size_t(field)]->SetNumeric(true);
        AddFocusable(m_position[size_t(field)].get(), left, top);
        const int32_t half = CDialogTextField::kHeight / 2;
        AddButton(kSpinUpId + field, "+", left + kPositionWidth, top)->SetSize(kSpinWidth, half);
        AddButton(kSpinDownId + field, "-", left + kPositionWidth, top + half)
            ->SetSize(kSpinWidth, half);
    }
}

void CMarkerDialog::ConnectControls() {
    m_name->SetOnChange([this] {
        MarkerRecord changed = m_session.Working();
        changed.name = m_name->GetText();
        Write(changed);
    });
    for (const std::unique_ptr<CDialogTextField>& field : m_position)
        field->SetOnChange([this] { PositionTyped(); });
    m_tempoBox->SetOnChange([this] {
        MarkerRecord changed = m_session.Working();
        changed.tempoEvent.tempoChange = m_tempoBox->IsChecked();
        double tempo = 0.0;
        if (CValueEntryDialog::ParseNumber(m_tempo->GetText(), kMinTempo, kMaxTempo, tempo))
            changed.tempoEvent.tempo = tempo;
        Write(changed);
    });
    m_tempo->SetOnChange([this] { TempoTyped(); });
    auto keyChanged = [this] {
        MarkerRecord changed = m_session.Working();
        changed.tempoEvent.keyChange = m_keyBox->IsChecked();
        changed.tempoEvent.key = m_key->GetSelected();
        Write(changed);
    };
    m_keyBox->SetOnChange(keyChanged);
    m_key->SetOnChange(keyChanged);
    m_signatureBox->SetOnChange([this] { SignatureChanged(); });
    m_numerator->SetOnChange([this] { SignatureChanged(); });
    m_denominator->SetOnChange([this] { SignatureChanged(); });
    m_beats->SetOnChange([this] { BeatsTyped(); });
    m_cdTrack->SetOnChange([this] {
        MarkerRecord changed = m_session.Working();
        changed.cdTrack = m_cdTrack->IsChecked();
        Write(changed);
    });
    m_isrcBox->SetOnChange([this] {
        MarkerRecord changed = m_session.Working();
        // Unticking the box takes the code away.
        if (!m_isrcBox->IsChecked()) {
            changed.isrc.clear();
            m_isrc->SetText("");
        }
        Write(changed);
    });
    m_isrc->SetOnChange([this] {
        MarkerRecord changed = m_session.Working();
        changed.isrc = m_isrc->GetText();
        Write(changed);
    });
}

bool CMarkerDialog::BeginAdd(double realMs) {
    if (!m_session.BeginAdd(realMs))
        return false;
    SetTitle(MyLoadString("MDT_AddTitle"));
    LoadFields();
    return true;
}

bool CMarkerDialog::BeginEdit(int index) {
    if (!m_session.BeginEdit(index))
        return false;
    SetTitle(MyLoadString("MDT_EditTitle"));
    LoadFields();
    return true;
}

MarkerPosition CMarkerDialog::Position() {
    m_positionMap = m_project.GetTempoMap();
    if (const int index = m_session.Index(); index > 0)
        m_positionMap.RemoveEvent(index);
    const bool measures = m_project.GetTimeLineMode() == uint32_t(CTimeGrid::kMeasureMode);
    return MarkerPosition(m_positionMap,
                          measures ? MarkerPosition::kMeasure : MarkerPosition::kClock);
}

std::string CMarkerDialog::TempoText(double tempo) {
    char text[32];
    if (tempo == std::floor(tempo) && std::fabs(tempo) < 1e9) {
        std::snprintf(text, sizeof text, "%d.0", static_cast<int>(tempo));
        return text;
    }
    std::snprintf(text, sizeof text, "%f", tempo);
    std::string shown = text;
    shown.erase(shown.find_last_not_of('0') + 1);
    return shown;
}

void CMarkerDialog::LoadFields() {
    const MarkerRecord& marker = m_session.Working();
    const TempoEvent& event = marker.tempoEvent;
    const TempoMap& map = m_project.GetTempoMap();
    m_name->SetText(marker.name);
    LoadPosition();
    // A change the marker does not make shows what is in effect there.
    m_tempoBox->SetChecked(event.tempoChange);
    m_tempo->SetText(TempoText(event.tempoChange ? event.tempo : map.GetTempoAtTime(event.time)));
    m_keyBox->SetChecked(event.keyChange);
    m_key->SetSelected(event.keyChange ? event.key : map.GetKeyAtTime(event.time));
    int numerator = event.numerator;
    int denominator = event.denominator;
    if (!event.timeSigChange)
        map.GetTimeSignatureAtTime(event.time, &numerator, &denominator);
    m_signatureBox->SetChecked(event.timeSigChange);
    m_numerator->SetText(std::to_string(numerator));
    m_denominator->SetSelected(DenominatorIndex(denominator));
    m_beats->SetText(std::to_string(event.setting));
    m_cdTrack->SetChecked(marker.cdTrack);
    m_isrcBox->SetChecked(!marker.isrc.empty());
    m_isrc->SetText(marker.isrc);
    EnableControls();
    Invalidate(nullptr);
}

void CMarkerDialog::LoadPosition() {
    const MarkerPosition::Fields fields = Position().FromReal(m_session.Working().tempoEvent.time);
    for (size_t field = 0; field < 3; ++field)
        m_position[field]->SetText(std::to_string(fields[field]));
}

void CMarkerDialog::EnableControls() {
    const bool start = m_session.Working().IsStartMarker();
    const TempoEvent& event = m_session.Working().tempoEvent;
    auto enable = [this](VRGuiObject& object, bool on) {
        if (on) {
            object.Enable();
            return;
        }
        object.Disable();
        if (GetFocus() == &object)
            SetFocus(nullptr);
    };
    for (int field = 0; field < 3; ++field) {
        enable(*m_position[size_t(field)], !start);
        enable(*GetButton(kSpinUpId + field), !start);
        enable(*GetButton(kSpinDownId + field), !start);
    }
    // The start marker keeps its tempo, key and signature.
    enable(*m_tempoBox, !start);
    enable(*m_keyBox, !start);
    enable(*m_signatureBox, !start);
    enable(*m_tempo, event.tempoChange);
    enable(*m_key, event.keyChange);
    enable(*m_numerator, event.timeSigChange);
    enable(*m_denominator, event.timeSigChange);
    enable(*m_isrc, m_isrcBox->IsChecked());
}

void CMarkerDialog::Write(const MarkerRecord& changed) {
    if (!m_session.Apply(changed)) {
        LoadFields();
        return;
    }
    EnableControls();
    // The metronome's label and the colour swatch follow the marker.
    Invalidate(nullptr);
}

void CMarkerDialog::PositionTyped() {
    MarkerPosition::Fields fields{};
    for (size_t field = 0; field < 3; ++field)
        if (!ReadWhole(*m_position[field], -1000000000, 1000000000, fields[field]))
            return; // a field being retyped: nothing to write yet
    const MarkerPosition position = Position();
    const MarkerPosition::Fields held = position.Clamped(fields);
    for (size_t field = 0; field < 3; ++field)
        if (held[field] != fields[field])
            m_position[field]->SetText(std::to_string(held[field]));
    MoveTo(position.ToReal(held));
}

void CMarkerDialog::StepPosition(int field, int delta) {
    const MarkerPosition position = Position();
    MarkerPosition::Fields fields = position.FromReal(m_session.Working().tempoEvent.time);
    fields = position.Step(fields, field, delta);
    MoveTo(position.ToReal(fields));
    LoadPosition();
}

void CMarkerDialog::MoveTo(double realMs) {
    if (std::lround(realMs) == m_session.Working().time)
        return;
    // A refusal has told the user; the fields show where the marker stays.
    if (!m_session.MoveTo(realMs))
        LoadPosition();
    Invalidate(nullptr);
}

void CMarkerDialog::TempoTyped() {
    double tempo = 0.0;
    if (!CValueEntryDialog::ParseNumber(m_tempo->GetText(), kMinTempo, kMaxTempo, tempo))
        return; // empty or not a number yet: OK keeps the tempo last written
    MarkerRecord changed = m_session.Working();
    changed.tempoEvent.tempo = tempo;
    Write(changed);
}

void CMarkerDialog::SignatureChanged() {
    MarkerRecord changed = m_session.Working();
    TempoEvent& event = changed.tempoEvent;
    event.timeSigChange = m_signatureBox->IsChecked();
    int numerator = 0;
    if (ReadWhole(*m_numerator, 1, kMaxNumerator, numerator))
        event.numerator = numerator;
    event.denominator = kDenominators[m_denominator->GetSelected()];
    // The metronome counts at most the beats of a measure.
    if (event.timeSigChange && event.setting > event.numerator) {
        event.setting = event.numerator;
        m_beats->SetText(std::to_string(event.setting));
    }
    Write(changed);
}

void CMarkerDialog::BeatsTyped() {
    int beats = 0;
    int numerator = 4;
    int denominator = 4;
    m_project.GetTempoMap().GetTimeSignatureAtTime(m_session.Working().tempoEvent.time, &numerator,
                                                   &denominator);
    if (!ReadWhole(*m_beats, 1, std::max(1, numerator), beats))
        return;
    if (m_beats->GetText() != std::to_string(beats))
        m_beats->SetText(std::to_string(beats));
    MarkerRecord changed = m_session.Working();
    changed.tempoEvent.setting = beats;
    Write(changed);
}

void CMarkerDialog::ChooseColour() {
    CColorChooserDialog chooser(MyLoadString("MDT_Color"), m_session.Working().colour);
    if (chooser.DoModal(Owner()) != IDOK)
        return;
    MarkerRecord changed = m_session.Working();
    changed.colour = chooser.GetColor();
    Write(changed);
}

void CMarkerDialog::PlayOrStop() {
    MarkerPlayer* player = m_project.GetMarkerPlayer();
    if (!player)
        return;
    if (player->IsPlaying())
        player->Stop();
    else
        player->PlayFrom(
            m_project.GetTempoMap().GetTempoAdjustedTime(m_session.Working().tempoEvent.time));
    ShowPlayState(player->IsPlaying());
}

void CMarkerDialog::ShowPlayState(bool playing) {
    const char* key = playing ? "SDTip_Stop" : "SDTip_Play";
    CDialogButton* play = GetButton(kPlayId);
    play->SetCaption(MyLoadString(key));
    play->SetTooltip(key);
}

void CMarkerDialog::OnInitDialog() {
    SetFocus(m_name.get());
}

void CMarkerDialog::OnCommand(int id) {
    if (id >= kSpinUpId && id < kSpinUpId + 3) {
        StepPosition(id - kSpinUpId, 1);
        return;
    }
    if (id >= kSpinDownId && id < kSpinDownId + 3) {
        StepPosition(id - kSpinDownId, -1);
        return;
    }
    if (id == kColourId) {
        ChooseColour();
        return;
    }
    if (id == kPlayId) {
        PlayOrStop();
        return;
    }
    if (id == IDOK)
        m_session.Finish();
    else
        m_session.Cancel();
    EndDialog(id);
}

void CMarkerDialog::OnClose() {
    m_session.Cancel();
    CBaseDialog::OnClose();
}

GuiRect CMarkerDialog::SwatchRect() const {
    const int32_t left = kMargin + CDialogButton::kWidth + 10;
    const int32_t top = RowTop(kColourRow) + (CDialogButton::kHeight - kSwatchSize) / 2;
    return {left, top, left + kSwatchSize, top + kSwatchSize};
}

void CMarkerDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    auto label = [&](const std::string& words, int32_t left, int row, int32_t width) {
        const int32_t top = RowTop(row);
        DrawDialogText(cr, words, {left, top, left + width, top + CDialogTextField::kHeight},
                       kDialogFont, text, false);
    };
    label(MyLoadString("MDT_Title"), kMargin, kNameRow, kLabelWidth - 8);
    label(MyLoadString("MDT_Offset"), kMargin, kPositionRow, kLabelWidth - 8);
    const bool measures = Position().GetMode() == MarkerPosition::kMeasure;
    const char* const unitKeys[2][3] = {{"MDT_Min", "MDT_Secs", "MDT_Mils"},
                                        {"MDT_Measure", "MDT_BeatOf", "MDT_Thousandths"}};
    for (int field = 0; field < 3; ++field)
        label(MyLoadString(unitKeys[measures][field]),
              kControlLeft + field * kPositionStep + kPositionWidth + kSpinWidth + 3, kPositionRow,
              kPositionStep - kPositionWidth - kSpinWidth - 4);
    label("/", kControlLeft + kSmallField + 6, kSignatureRow, 12);
    label(MyLoadString("MDT_PlayMetronome"), kMargin, kBeatsRow, kLabelWidth + 32);
    label(MyLoadString(m_session.Working().tempoEvent.setting < 2 ? "MDT_Beat" : "MDT_Beatz"),
          kControlLeft + 40 + kSmallField + 6, kBeatsRow, 100);
    // The marker's colour beside its button.
    FillDialogRect(cr, SwatchRect(), m_session.Working().colour);
    FrameDialogRect(cr, SwatchRect(), text);
    // The other settings sit in a framed box under their title.
    const int32_t boxTop = RowTop(kOtherRow) + CDialogTextField::kHeight / 2;
    FrameDialogRect(cr, {kMargin, boxTop, kWidth - kMargin, RowTop(kIsrcRow) + kRowHeight}, text);
    const int32_t titleTop = RowTop(kOtherRow);
    FillDialogRect(cr, {2 * kMargin - 4, titleTop + 2, 2 * kMargin + 60, titleTop + 20},
                   DialogColor(kDialogBackgroundItem));
    label(MyLoadString("MDT_OtherBox"), 2 * kMargin, kOtherRow, 56);
}
