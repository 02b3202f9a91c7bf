#pragma once

#include "support/Observer.h"
#include "gui/VRGuiWindow.h"

#include <memory>
#include <string>
#include <vector>

class GuiButton;
class GuiEditBox;
class GuiEditDrop;
class GuiMenuBar;
class GuiTextPanel;
class GuiTexturePanel;

// A window that shows every widget of the toolkit at once, so that their
// look can be judged side by side and the toolkit can be driven end to end:
// a menu bar, skin buttons, labels, an edit box, an edit drop and buttons
// that open each dialog. What the user did is written in the status line.
class CWidgetGallery : public VRGuiWindow, public Observer {
public:
    static constexpr int32_t kWidth = 640;
    static constexpr int32_t kHeight = 420;

    // Control identifiers of the gallery's widgets.
    enum Control : int32_t {
        kEditName = 10,
        kDropController = 11,
        kFirstSkinButton = 20,
        kOpenMessageBox = 40,
        kOpenFileDialog,
        kOpenProgress,
        kOpenValueEntry,
        kOpenColorChooser,
    };
    // Menu commands.
    enum Command : int32_t {
        kMenuNew = 100,
        kMenuOpen,
        kMenuSave,
        kMenuRecent1,
        kMenuRecent2,
        kMenuQuit,
        kMenuUndo,
        kMenuRedo,
        kMenuSnap,
        kMenuAbout,
    };

    CWidgetGallery();
    ~CWidgetGallery() override;

    // Lays the widgets out; call once the window is initialised.
    void Build();
    void OnNotification(int message, void* parameter) override;
    void OnDraw(const GuiRect& r) override;

    const std::string& GetStatus() const;
    GuiEditBox& EditBox() { return *m_editBox; }
    GuiEditDrop& EditDrop() { return *m_editDrop; }
    GuiMenuBar& MenuBar() { return *m_menuBar; }
    // The centre of a widget, in window coordinates, for scripted clicks.
    static GuiPoint EditBoxCentre();
    static GuiPoint SkinButtonCentre(int index);
    static GuiPoint DialogButtonCentre(int index);

private:
    void BuildMenus();
    void BuildSkinButtons();
    void BuildTextWidgets();
    void BuildDialogButtons();
    void OnClick(int32_t controlId);
    void OnCommand(int32_t command);
    void OpenDialog(int32_t controlId);
    void SetStatus(const std::string& text);
    GuiTextPanel* AddLabel(const std::string& text, int32_t x, int32_t y, int32_t width);

    std::unique_ptr<GuiTexturePanel> m_background;
    std::unique_ptr<GuiMenuBar> m_menuBar;
    std::vector<std::unique_ptr<GuiButton>> m_buttons;
    std::vector<std::unique_ptr<GuiTextPanel>> m_labels;
    std::unique_ptr<GuiEditBox> m_editBox;
    std::unique_ptr<GuiEditDrop> m_editDrop;
    GuiTextPanel* m_status = nullptr;
    bool m_snap = true;
};
