#pragma once

#include "gui/CDialogButton.h"
#include "gui/VRGuiContainer.h"
#include "support/Observer.h"
#include "support/RefPtr.h"

#include <cstdint>
#include <functional>
#include <memory>

class CMIDIClip;
class CPrefs;
class CProject;
class PianoRollControl;

// The note editor docked in the main window's details area: it opens on the
// clip the project offers (a double click on a MIDI clip, its menu's editor
// entry, a new empty clip), with a Close button at the right of its strip,
// and closes by itself once the clip has left the project (undone, deleted,
// another project loaded). It keeps a reference on the clip while open.
class CPianoRollDock : public VRGuiContainer, public Observer {
public:
    // How often the dock looks whether its clip is still in the project.
    static constexpr uint32_t kWatchTimer = 624;
    static constexpr uint32_t kWatchPeriodMs = 250;
    static constexpr int kCloseButtonId = 1;
    // Below this height (the details area folded) the editor is hidden.
    static constexpr int32_t kMinVisibleHeight = 60;

    // showArea makes the details area visible (the dock takes its place).
    // With prefs, every editor opens with the remembered tool settings and
    // keeps each change of them there.
    CPianoRollDock(CProject& project, std::function<void()> showArea, CPrefs* prefs = nullptr);
    ~CPianoRollDock() override;

    void Open(CMIDIClip& clip);
    void Close();
    bool IsOpen() const { return m_control != nullptr; }
    // The open editor, or null.
    PianoRollControl* Control() { return m_control.get(); }
    const CMIDIClip* Clip() const { return m_clip.Get(); }
    const CDialogButton& CloseButton() const { return m_close; }

    // The details area's place in the window; the editor fills it.
    void Place(int32_t x, int32_t y, int32_t width, int32_t height);

    void OnNotification(int message, void* parameter) override;
    void OnTimer(uint32_t id) override;

private:
    // The Close button's clicks (kept apart from the project's codes, which
    // share numbers with the toolkit's).
    class CloseWatch : public Observer {
    public:
        explicit CloseWatch(CPianoRollDock& dock) : m_dock(dock) {}
        void OnNotification(int message, void* parameter) override;

    private:
        CPianoRollDock& m_dock;
    };

    bool ClipIsInProject() const;
    void ForgetEditorInput();
    bool IsInEditor(const VRGuiObject* object) const;
    void LayOutChildren();

    CProject& m_project;
    std::function<void()> m_showArea;
    CPrefs* m_prefs;
    RefPtr<CMIDIClip> m_clip;
    std::unique_ptr<PianoRollControl> m_control;
    CDialogButton m_close;
    CloseWatch m_closeWatch{*this};
};
