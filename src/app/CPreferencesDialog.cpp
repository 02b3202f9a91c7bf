#include "app/CPreferencesDialog.h"

#include "app/CAudioDevices.h"
#include "app/CPrefs.h"
#include "app/DeviceCatalog.h"
#include "gui/CDeluxeMessageBox.h"
#include "gui/CDialogButton.h"
#include "gui/CDialogChoice.h"
#include "gui/DialogLook.h"
#include "gui/VRGuiWindow.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int32_t kMargin = CBaseDialog::kMargin;
constexpr int32_t kLabelWidth = 150;
constexpr int32_t kControlLeft = kMargin + kLabelWidth + 8;
constexpr int32_t kControlWidth = CPreferencesDialog::kWidth - kControlLeft - kMargin;
constexpr int32_t kRowStep = 30;
// The page's heading takes the first row.
constexpr int kFirstControlRow = 1;

enum Row : int { kDriverRow, kOutputRow, kInputRow, kMidiRow, kRateRow, kBlockRow, kRowCount };

const char* const kRowLabels[kRowCount] = {"PRF_Driver",    "PRF_Output",     "PRF_Input",
                                           "PRF_MidiInput", "PRF_SampleRate", "PRF_BufferSize"};

int32_t RowTop(int row) {
    return CBaseDialog::kTitleHeight + kMargin + (row + kFirstControlRow) * kRowStep;
}

std::vector<std::string> DriverNames() {
    return {MyLoadString("PRF_DriverPulse"), MyLoadString("PRF_DriverJack"),
            MyLoadString("PRF_DriverAlsa"), MyLoadString("PRF_DriverNone")};
}

// Numbers with their unit, as the lists show them.
std::vector<std::string> Numbered(const std::vector<int>& values, const std::string& unit) {
    std::vector<std::string> names;
    for (const int value : values)
        names.push_back(std::to_string(value) + " " + unit);
    return names;
}

int PositionOf(const std::vector<int>& values, int value) {
    const auto found = std::find(values.begin(), values.end(), value);
    return found == values.end() ? 0 : static_cast<int>(std::distance(values.begin(), found));
}

// A device list; "(none found)" stands in for an empty one.
std::vector<std::string> DeviceEntries(std::vector<std::string> names) {
    if (names.empty())
        names.push_back(MyLoadString("PRF_NoDevice"));
    return names;
}

void SetEnabled(VRGuiObject& object, bool on) {
    if (on)
        object.Enable();
    else
        object.Disable();
}

} // namespace

CPreferencesDialog::CPreferencesDialog(const AudioPageChoices& start, const DeviceCatalog& devices,
                                       std::function<void()> playTestTone)
    : CBaseDialog(MyLoadString("PRF_Title"), kWidth, kHeight), m_devices(devices),
      m_playTestTone(std::move(playTestTone)), m_choices(start) {
    m_driver = AddChoice(kDriverRow, DriverNames(), start.driver);
    m_driver->SetOnChange([this] {
        ShowDevices(0, 0);
        EnableControls();
    });
    m_output = AddChoice(kOutputRow, {}, 0);
    m_input = AddChoice(kInputRow, {}, 0);
    std::vector<std::string> midi{MyLoadString("PRF_MidiNone")};
    for (const std::string& name : devices.MidiInputDevices())
        midi.push_back(name);
    // Entry 0 is "none", the devices follow from entry 1.
    m_midiInput = AddChoice(kMidiRow, midi, start.midiInput + 1);
    m_sampleRate =
        AddChoice(kRateRow, Numbered(AudioPageChoices::SampleRates(), MyLoadString("PRF_Hz")),
                  PositionOf(AudioPageChoices::SampleRates(), start.sampleRate));
    m_blockSize =
        AddChoice(kBlockRow, Numbered(AudioPageChoices::BlockSizes(), MyLoadString("PRF_Frames")),
                  PositionOf(AudioPageChoices::BlockSizes(), start.blockFrames));
    ShowDevices(start.output, start.input);

    const int32_t buttonTop = kHeight - kMargin - CDialogButton::kHeight;
    const int32_t cancelLeft = kWidth - kMargin - CDialogButton::kWidth;
    AddButton(kTestToneId, MyLoadString("PRF_TestTone"), kMargin, buttonTop);
    AddButton(IDOK, CDeluxeMessageBox::DefaultCaption(IDOK), cancelLeft - 8 - CDialogButton::kWidth,
              buttonTop);
    AddButton(IDCANCEL, CDeluxeMessageBox::DefaultCaption(IDCANCEL), cancelLeft, buttonTop);
    SetDefaultButton(IDOK);
    EnableControls();
}

CPreferencesDialog::~CPreferencesDialog() {
    for (const auto& control : m_choiceControls)
        RemoveFocusable(control.get());
}

bool CPreferencesDialog::Run(VRGuiWindow* owner, CAudioDevices& devices) {
    CPrefs& prefs = devices.Prefs();
    CPreferencesDialog dialog(AudioPageChoices::FromPrefs(prefs, devices.Catalog()),
                              devices.Catalog(), [&devices] { devices.PlayTestTone(); });
    if (dialog.DoModal(owner) != IDOK)
        return false;
    dialog.Choices().Store(prefs, devices.Catalog());
    if (!prefs.Save())
        Log("CPreferencesDialog::Run could not save the preferences");
    devices.Reopen();
    return true;
}

CDialogChoice* CPreferencesDialog::AddChoice(int row, std::vector<std::string> entries,
                                             int selected) {
    auto control = std::make_unique<CDialogChoice>(kControlWidth, std::move(entries));
    control->SetSelected(selected);
    AddFocusable(control.get(), kControlLeft, RowTop(row));
    m_choiceControls.push_back(std::move(control));
    return m_choiceControls.back().get();
}

void CPreferencesDialog::ShowDevices(int output, int input) {
    const int driver = m_driver->GetSelected();
    if (driver == AudioPageChoices::kNoDevice) {
        m_output->SetEntries(DeviceEntries({}), 0);
        m_input->SetEntries(DeviceEntries({}), 0);
        return;
    }
    m_output->SetEntries(DeviceEntries(m_devices.PlaybackDevices(driver)), output);
    m_input->SetEntries(DeviceEntries(m_devices.RecordingDevices(driver)), input);
}

void CPreferencesDialog::EnableControls() {
    const int driver = m_driver->GetSelected();
    const bool real = driver != AudioPageChoices::kNoDevice;
    SetEnabled(*m_output, real && !m_devices.PlaybackDevices(driver).empty());
    SetEnabled(*m_input, real && !m_devices.RecordingDevices(driver).empty());
    // The JACK server runs at its own block size.
    SetEnabled(*m_blockSize, driver != DeviceCatalog::kAsio);
    Invalidate(nullptr);
}

void CPreferencesDialog::ReadControls() {
    AudioPageChoices choices;
    choices.driver = m_driver->GetSelected();
    choices.output = m_output->GetSelected();
    choices.input = m_input->GetSelected();
    choices.midiInput = m_midiInput->GetSelected() - 1;
    choices.sampleRate = AudioPageChoices::SampleRates()[static_cast<size_t>(
        std::clamp(m_sampleRate->GetSelected(), 0,
                   static_cast<int>(AudioPageChoices::SampleRates().size()) - 1))];
    choices.blockFrames = AudioPageChoices::BlockSizes()[static_cast<size_t>(
        std::clamp(m_blockSize->GetSelected(), 0,
                   static_cast<int>(AudioPageChoices::BlockSizes().size()) - 1))];
    m_choices = choices;
}

void CPreferencesDialog::OnCommand(int id) {
    if (id == kTestToneId) {
        if (m_playTestTone)
            m_playTestTone();
        return;
    }
    if (id == IDOK)
        ReadControls();
    CBaseDialog::OnCommand(id);
}

void CPreferencesDialog::OnDraw(const GuiRect& r) {
    CBaseDialog::OnDraw(r);
    cairo_t* cr = GetWindow()->GetDrawContext();
    const uint32_t text = DialogColor(kDialogTextItem);
    const int32_t headingTop = kTitleHeight + kMargin;
    DrawDialogText(cr, MyLoadString("PRF_Audio"),
                   {kMargin, headingTop, kWidth - kMargin, headingTop + CDialogChoice::kHeight},
                   kDialogFont, text, false);
    for (int row = 0; row < kRowCount; ++row)
        DrawDialogText(
            cr, MyLoadString(kRowLabels[row]),
            {kMargin + 8, RowTop(row), kControlLeft - 8, RowTop(row) + CDialogChoice::kHeight},
            kDialogFont, text, false);
    if (m_driver->GetSelected() == DeviceCatalog::kAsio) {
        const int32_t noteTop = RowTop(kRowCount) - 4;
        DrawDialogText(cr, MyLoadString("PRF_ServerBuffer"),
                       {kControlLeft, noteTop, kWidth - kMargin, noteTop + 16}, kDialogFont, text,
                       false);
    }
}
