#pragma once

#include "gui/CBaseDialog.h"
#include "pianoroll/PRQuantize.h"

#include <memory>
#include <vector>

class CDialogCheckBox;
class CDialogChoice;
class CDialogTextField;
class PRNoteEdits;

// The quantize dialog of the piano roll: note starts to a snap level with an
// optional swing, note ends to a snap level, for all notes or the selected
// ones. It opens with the settings it is given; OK with neither starts nor
// lengths ticked tells the user so and stays open.
class CQuantizeDlg : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 380;
    static constexpr int32_t kHeight = 250;

    // hasSelection enables the choice of the selected notes.
    CQuantizeDlg(const PRQuantizeSettings& settings, bool hasSelection);
    ~CQuantizeDlg() override;

    // Shows the dialog with the last settings; on OK keeps the new ones in
    // last and quantizes the clip's notes as one undo step. False when it was
    // cancelled or there was nothing to quantize.
    static bool Run(VRGuiWindow* owner, PRNoteEdits& edits, PRQuantizeSettings& last,
                    const std::vector<MidiNotePtr>& selected);

    // The settings the dialog was closed with (the given ones until OK).
    const PRQuantizeSettings& Settings() const { return m_settings; }

    CDialogCheckBox& StartBox() { return *m_startBox; }
    CDialogChoice& StartLevel() { return *m_startLevel; }
    CDialogCheckBox& LengthBox() { return *m_lengthBox; }
    CDialogChoice& LengthLevel() { return *m_lengthLevel; }
    CDialogCheckBox& SwingBox() { return *m_swingBox; }
    CDialogTextField& SwingField() { return *m_swing; }
    CDialogChoice& Scope() { return *m_scope; }

    void OnDraw(const GuiRect& r) override;

protected:
    void OnCommand(int id) override;

private:
    void EnableControls();
    bool ReadControls();

    PRQuantizeSettings m_settings;
    std::unique_ptr<CDialogCheckBox> m_startBox;
    std::unique_ptr<CDialogChoice> m_startLevel;
    std::unique_ptr<CDialogCheckBox> m_lengthBox;
    std::unique_ptr<CDialogChoice> m_lengthLevel;
    std::unique_ptr<CDialogCheckBox> m_swingBox;
    std::unique_ptr<CDialogTextField> m_swing;
    std::unique_ptr<CDialogChoice> m_scope;
};
