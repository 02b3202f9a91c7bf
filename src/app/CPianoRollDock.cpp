#include "app/CPianoRollDock.h"

#include "app/PianoRollToolPrefs.h"
#include "gui/GuiButton.h"
#include "gui/GuiNotifications.h"
#include "gui/VRGuiWindow.h"
#include "pianoroll/PianoRollControl.h"
#include "project/CMIDIClip.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "project/ClipEditorNotification.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"

#include <algorithm>

CPianoRollDock::CPianoRollDock(CProject& project, std::function<void()> showArea, CPrefs* prefs)
    : m_project(project), m_showArea(std::move(showArea)), m_prefs(prefs),
      m_close(kCloseButtonId, MyLoadString("MC_PR_Close")) {
    m_close.SetTooltip("MC_PR_Close_TT");
    m_close.AddObserver(&m_closeWatch);
    m_project.AddObserver(this);
    Hide();
}

CPianoRollDock::~CPianoRollDock() {
    m_project.RemoveObserver(this);
    m_close.RemoveObserver(&m_closeWatch);
    Close();
}

void CPianoRollDock::Open(CMIDIClip& clip) {
    Close();
    LogFmt("CPianoRollDock::Open() clip: %s", clip.GetName().c_str());
    m_clip = RefPtr<CMIDIClip>::Share(&clip);
    m_control = std::make_unique<PianoRollControl>(clip);
    if (m_prefs) {
        m_control->TakeToolSettings(PianoRollToolPrefs::Read(*m_prefs));
        m_control->SetToolSettingsStore(
            [prefs = m_prefs](const PRToolSettings& s) { PianoRollToolPrefs::Write(s, *prefs); });
    }
    AddChild(m_control.get(), 0, 0);
    AddChild(&m_close, 0, 0);
    if (m_showArea)
        m_showArea();
    Show();
    LayOutChildren();
    m_control->Fit();
    m_control->StartTimers();
    StartTimer(kWatchTimer, kWatchPeriodMs);
    Invalidate(nullptr);
}

void CPianoRollDock::Close() {
    if (!m_control)
        return;
    Log("CPianoRollDock::Close()");
    KillTimer(kWatchTimer);
    m_control->StopTimers();
    ForgetEditorInput();
    RemoveChild(&m_close);
    RemoveChild(m_control.get());
    m_control.reset();
    m_clip.Reset();
    Hide();
    if (VRGuiContainer* parent = GetParent())
        parent->Invalidate(nullptr);
}

void CPianoRollDock::ForgetEditorInput() {
    VRGuiWindow* window = GetWindow();
    if (!window)
        return;
    // The editor's parts leave the window's tree before they are destroyed,
    // so the window would not hear of it: the pointer's object and the
    // capture are dropped here.
    for (VRGuiObject* object : {window->GetHovered(), window->GetCaptured()})
        if (IsInEditor(object))
            window->ForgetObject(object);
}

bool CPianoRollDock::IsInEditor(const VRGuiObject* object) const {
    for (; object; object = object->GetParent())
        if (object == m_control.get())
            return true;
    return false;
}

void CPianoRollDock::Place(int32_t x, int32_t y, int32_t width, int32_t height) {
    SetPosition(x, y);
    SetSize(width, height);
    LayOutChildren();
    // A folded details area shows no editor; unfolding it shows it again.
    if (m_control && height >= kMinVisibleHeight)
        Show();
    else
        Hide();
}

void CPianoRollDock::LayOutChildren() {
    if (!m_control)
        return;
    m_control->SetSize(GetWidth(), GetHeight());
    m_close.SetPosition(std::max(0, GetWidth() - CDialogButton::kWidth), 0);
}

void CPianoRollDock::OnNotification(int message, void* parameter) {
    if (message == kNotifyOpenClipEditor)
        if (CMIDIClip* clip = NotificationArgument<kNotifyOpenClipEditor>(parameter))
            Open(*clip);
}

void CPianoRollDock::CloseWatch::OnNotification(int message, void* parameter) {
    if (message == GuiButton::kNotifyClick &&
        NotificationArgument<GuiButton::kNotifyClick>(parameter) == kCloseButtonId)
        m_dock.Close();
}

void CPianoRollDock::OnTimer(uint32_t id) {
    if (id == kWatchTimer && !ClipIsInProject())
        Close();
}

bool CPianoRollDock::ClipIsInProject() const {
    for (int index = 0; index < m_project.GetNumTracks(); ++index)
        for (const CClip* clip : m_project.GetTrack(index)->Clips())
            if (clip == m_clip.Get())
                return true;
    return false;
}
