#include "pianoroll/CEditNotesDlg.h"

#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogChoice.h"
#include "gui/CDialogTextField.h"
#include "gui/DialogLook.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PRNoteEdits.h"
#include "support/LocalizedStrings.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

constexpr int32_t kMargin = CBaseDialog::kMargin;
constexpr int32_t kLabelWidth = 110;
constexpr int32_t kControlLeft = kMargin + kLabelWidth;
constexpr int32_t kPartStep = 100;
constexpr int32_t kPartWidth = 44;
constexpr int32_t kRowStep = 30;
constexpr int kStartRow = 0, kDurationRow = 1, kPitchRow = 2, kChannelRow = 3, kVelocityRow = 4,
              kReleaseRow = 5;
const char* const kUnknown = "-";

int32_t RowTop(int row) {
    return CBaseDialog::kTitleHeight + kMargin + row * kRowStep;
}

// The number a field holds, -1 when it holds anything else.
int NumberIn(const std::string& text) {
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return -1;
    return std::stoi(text);
}

std::string Shown(int value) {
    return value < 0 ? kUnknown : std::to_string(value);
}

std::vector<std::string> PitchEntries() {
    static const char* const kNames[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
    std::vector<std::string> entries{kUnknown};
    for (int pitch = 127; pitch >= 0; --pitch)
        entries.push_back(kNames[pitch % 12] + std::to_string(pitch / 12));
    return entries;
}

std::vector<std::string> NumberEntries(int from, int to) {
    std::vector<std::string> entries{kUnknown};
    for (int n = from; n <= to; ++n)
        entries.push_back(std::to_string(n));
    return entries;
}

} // namespace

CEditNotesDlg::CEditNotesDlg(const PREditNoteValues& values, double tempo, int beatsPerMeasure)
    : CBaseDialog(MyLoadString("EMND_Title"), kWidth, kHeight), m_tempo(tempo),
      m_beatsPerMeasure(std::max(1, beatsPerMeasure)) {
    AddTimeFields(m_start, kStartRow, values.start, true);
    AddTimeFields(m_duration, kDurationRow, values.duration, false);
    m_pitch = std::make_unique<CDialogChoice>(120, PitchEntries());
    m_pitch->SetSelected(values.pitch < 0 ? 0 : 128 - values.pitch);
    AddFocusable(m_pitch.get(), kControlLeft, RowTop(kPitchRow));
    m_channel = std::make_unique<CDialogChoice>(120, NumberEntries(1, 16));
    m_channel->SetSelected(values.channel < 0 ? 0 : values.channel + 1);
    AddFocusable(m_channel.get(), kControlLeft, RowTop(kChannelRow));
    m_velocity = std::make_unique<CDialogTextField>(60, 3);
    m_velocity->SetText(Shown(values.velocity));
    AddFocusable(m_velocity.get(), kControlLeft, RowTop(kVelocityRow));
    m_release = std::make_unique<CDialogChoice>(120, NumberEntries(0, 127));
    m_release->SetSelected(values.releaseVelocity < 0 ? 0 : values.releaseVelocity + 1);
    AddFocusable(m_release.get(), kControlLeft, RowTop(kReleaseRow));

    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
    SetDefaultButton(IDOK);
}

CEditNotesDlg::~CEditNotesDlg() {
    for (auto* fields : {&m_start, &m_duration})
        for (auto& field : *fields)
            RemoveFocusable(field.get());
    for (VRGuiObject* object : std::initializer_list<VRGuiObject*>{
             m_pitch.get(), m_channel.get(), m_velocity.get(), m_release.get()})
        RemoveFocusable(object);
}

bool CEditNotesDlg::Run(VRGuiWindow* owner, PRNoteEdits& edits,
                        const std::vector<MidiNotePtr>& notes) {
    if (notes.empty())
        return false;
    CEditNotesDlg dialog(PREditNotes::Gather(notes), PREditNotes::TempoOf(edits.Sound()),
                         PREditNotes::BeatsPerMeasureOf(edits.Sound()));
    if (dialog.DoModal(owner) != IDOK)
        return false;
    return PREditNotes::Apply(edits, notes, dialog.Result());
}

void CEditNotesDlg::AddTimeFields(std::array<std::unique_ptr<CDialogTextField>, 3>& fields, int row,
                                  int timeValue, bool isStart) {
    const PRMusicalTime t =
        isStart ? PREditNotes::StartToMusical(timeValue, m_tempo, m_beatsPerMeasure)
                : PREditNotes::DurationToMusical(timeValue, m_tempo, m_beatsPerMeasure);
    const int parts[3] = {t.measures, t.beats, t.fraction};
    for (size_t part = 0; part < 3; ++part) {
        fields[part] = std::make_unique<CDialogTextField>(kPartWidth, 6);
        fields[part]->SetText(timeValue < 0 ? kUnknown : std::to_string(parts[part]));
        AddFocusable(fields[part].get(), kControlLeft + int32_t(part) * kPartStep, RowTop(row));
    }
}

void CEditNotesDlg::ReadFields() {
    const auto time = [](const std::array<std::unique_ptr<CDialogTextField>, 3>& fields) {
        return PRMusicalTime{NumberIn(fields[0]->GetText()), NumberIn(fields[1]->GetText()),
                             NumberIn(fields[2]->GetText())};
    };
    PRMusicalTime start = time(m_start);
    // The start's beat and fraction stay within a measure.
    if (start.beats >= 0)
        start.beats = std::clamp(start.beats, 1, m_beatsPerMeasure);
    if (start.fraction >= 0)
        start.fraction = std::min(start.fraction, 999);
    m_result.start = PREditNotes::MusicalToStart(start, m_tempo, m_beatsPerMeasure);
    m_result.duration =
        PREditNotes::MusicalToDuration(time(m_duration), m_tempo, m_beatsPerMeasure);
    m_result.pitch = m_pitch->GetSelected() > 0 ? 128 - m_pitch->GetSelected() : -1;
    m_result.channel = m_channel->GetSelected() - 1;
    const int velocity = NumberIn(m_velocity->GetText());
    m_result.velocity = velocity < 0 ? -1 : std::clamp(velocity, 1, 127);
    m_result.releaseVelocity = m_release->GetSelected() - 1;
}

void CEditNotesDlg::OnCommand(int id) {
    if (id == IDOK)
        ReadFields();
    CBaseDialog::OnCommand(id);
}

void CEditNotesDlg::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    const auto label = [&](const std::string& words, int32_t left, int row, int32_t width) {
        const int32_t top = RowTop(row);
        DrawDialogText(cr, words, {left, top, left + width, top + CDialogTextField::kHeight},
                       kDialogFont, text, false);
    };
    const char* const rowKeys[] = {"EMND_Start",       "EMND_Duration", "EMND_MIDINote",
                                   "EMND_MIDIChannel", "EMND_VelOn",    "EMND_VelOff"};
    for (int row = 0; row < 6; ++row)
        label(MyLoadString(rowKeys[row]), kMargin, row, kLabelWidth - 8);
    const char* const partKeys[] = {"EMND_Measures", "EMND_Beats", "EMND_Frac"};
    for (int row : {kStartRow, kDurationRow})
        for (int part = 0; part < 3; ++part)
            label(MyLoadString(partKeys[part]), kControlLeft + part * kPartStep + kPartWidth + 4,
                  row, kPartStep - kPartWidth - 6);
    const char* const hintKeys[] = {"EMND_RANGE_NOTES", "EMND_RANGE_MID", "EMND_RANGE_VEL",
                                    "EMND_RANGE_VEL_OFF"};
    for (int i = 0; i < 4; ++i)
        label(MyLoadString(hintKeys[i]), kControlLeft + 130, kPitchRow + i, 160);
}
