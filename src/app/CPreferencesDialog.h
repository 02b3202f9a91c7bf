#pragma once

#include "app/AudioPageChoices.h"
#include "gui/CBaseDialog.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAudioDevices;
class CDialogChoice;
class DeviceCatalog;

// The preferences dialog with its audio page: the audio system, its output
// and input device, the MIDI input, the sample rate and the buffer size, and
// a button that plays a test tone over the output that runs now. OK keeps
// the choices (Choices()); Cancel and the close control leave them.
class CPreferencesDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 480;
    static constexpr int32_t kHeight = 320;
    static constexpr int kTestToneId = 100;

    CPreferencesDialog(const AudioPageChoices& start, const DeviceCatalog& devices,
                       std::function<void()> playTestTone);
    ~CPreferencesDialog() override;

    // Shows the dialog over the owner; on OK stores the choices in the
    // preferences, saves them and opens the chosen devices. True on OK.
    static bool Run(VRGuiWindow* owner, CAudioDevices& devices);

    // What the controls show; after OK, what the user chose.
    const AudioPageChoices& Choices() const { return m_choices; }

    CDialogChoice& Driver() { return *m_driver; }
    CDialogChoice& Output() { return *m_output; }
    CDialogChoice& Input() { return *m_input; }
    CDialogChoice& MidiInput() { return *m_midiInput; }
    CDialogChoice& SampleRate() { return *m_sampleRate; }
    CDialogChoice& BlockSize() { return *m_blockSize; }

    void OnDraw(const GuiRect& r) override;

protected:
    void OnCommand(int id) override;

private:
    CDialogChoice* AddChoice(int row, std::vector<std::string> entries, int selected);
    // Lists the devices of the driver chosen now, at the given positions.
    void ShowDevices(int output, int input);
    void EnableControls();
    void ReadControls();

    const DeviceCatalog& m_devices;
    std::function<void()> m_playTestTone;
    AudioPageChoices m_choices;
    std::vector<std::unique_ptr<CDialogChoice>> m_choiceControls;
    CDialogChoice* m_driver = nullptr;
    CDialogChoice* m_output = nullptr;
    CDialogChoice* m_input = nullptr;
    CDialogChoice* m_midiInput = nullptr;
    CDialogChoice* m_sampleRate = nullptr;
    CDialogChoice* m_blockSize = nullptr;
};
