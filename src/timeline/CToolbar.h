#pragma once

#include "gui/GuiButton.h"
#include "gui/GuiTexturePanel.h"
#include "support/Observer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CUndoMgr;
class ToolbarCommands;

// The strip of buttons across the top of the track area: the most used
// commands, the envelope type every clip shows, the snap level, and the
// logo at the right end. After every command the buttons' enabled states
// are brought in step with the document.
class CToolbar : public GuiTexturePanel, public Observer {
public:
    static constexpr int32_t kHeight = 46;
    enum ButtonId : int32_t {
        kNew = 19,
        kOpen = 20,
        kSave = 21,
        kAddSound = 22,
        kLibrary = 23,
        kUndo = 24,
        kRedo = 25,
        kBurn = 26,
        kRender = 27,
        kZoomIn = 28,
        kZoomOut = 29,
        kEnvelope = 30,
        kLogo = 32,
        kSnap = 36,
    };
    static constexpr int kEnvelopeTypeCount = 6;
    static constexpr int kLibraryPage = 2;

    CToolbar(int32_t width, ToolbarCommands& commands, CUndoMgr& undo);
    ~CToolbar() override;

    GuiButton* GetButton(int32_t id) const;
    // Enables and labels the buttons after the document's state.
    void Refresh();

    // The logo follows the right edge, but never covers the snap button.
    void SetSize(int32_t width, int32_t height) override;
    void OnNotification(int message, void* parameter) override;

    // File extension of a mix-down type: 0 ".WAV", 2 ".WMA", 3 ".OGG", else ".MP3".
    static std::string MixDownExtension(int32_t type);
    // String key of an envelope type's name; empty outside the six types.
    static const char* EnvelopeNameKey(int type);

private:
    void CreateButtons();
    void StyleCaption(GuiButton& button, uint32_t otherStatesColor);
    void Layout();
    void PlaceLogo();
    void RunCommand(int32_t id);
    void Undo();
    void Redo();
    void MixDown();
    void RunEnvelopeMenu();
    void RunSnapMenu();
    void SetEnabled(int32_t id, bool enabled);

    ToolbarCommands& m_commands;
    CUndoMgr& m_undo;
    std::vector<std::unique_ptr<GuiButton>> m_buttons;
};
