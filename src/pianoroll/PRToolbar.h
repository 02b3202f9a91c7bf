#pragma once

#include "gui/GuiButton.h"
#include "gui/GuiTextPanel.h"
#include "gui/GuiTexturePanel.h"
#include "pianoroll/PRQuantize.h"
#include "support/Observer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class PianoRollBody;

// The strip of buttons over the piano roll: the tools (arrow, pencil,
// eraser), the length of new notes with its dotted and triplet modifiers,
// the snap level, the quantize dialog and the velocity of new notes. The
// settings live in the note area; every change made here is written there
// and then handed to the owner (which keeps them as the preferences and
// gives the velocity to the keyboard and the lanes).
class PRToolbar : public GuiTexturePanel, public Observer {
public:
    static constexpr int32_t kHeight = 28;
    enum ButtonId : int32_t {
        kArrow = 42,
        kPencil = 43,
        kEraser = 44,
        kNote1 = 45,
        kNote2 = 46,
        kNote4 = 47,
        kNote8 = 48,
        kNote16 = 49,
        kNote32 = 50,
        kDotted = 51,
        kTriplet = 52,
        kSnap = 53,
        kQuantize = 54,
        kVelocityUp = 55,
        kVelocityDown = 56,
    };
    static constexpr uint32_t kSnapOffCaption = 0xA0A0A0;
    static constexpr uint32_t kSnapOnCaption = 0xFFFFFF;

    // changed is called after every change of the settings the user made here.
    PRToolbar(PianoRollBody& body, std::function<void()> changed);
    ~PRToolbar() override;

    GuiButton* GetButton(int32_t id) const;
    const GuiTextPanel& VelocityReadOut() const { return m_velocity; }
    // Shows the note area's settings again (after a clicked note became the
    // model for new notes).
    void Refresh();
    // The quantize settings the dialog opens with: the last ones of this run.
    static PRQuantizeSettings& LastQuantizeSettings();

    void OnNotification(int message, void* parameter) override;

private:
    void CreateButtons();
    void Layout();
    void RunCommand(int32_t id);
    void SetTool(int32_t id);
    void SetLengthType(int type);
    // Dotted, else triplet.
    void ToggleModifier(bool dotted);
    void ChangeVelocity(int step);
    void RunSnapMenu();
    void RunQuantize();
    void ShowSnapLevel();

    PianoRollBody& m_body;
    std::function<void()> m_changed;
    std::vector<std::unique_ptr<GuiButton>> m_buttons;
    GuiTextPanel m_velocity;
};
