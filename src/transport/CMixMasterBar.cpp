#include "transport/CMixMasterBar.h"

#include "engine/CBypassNotices.h"
#include "engine/CPCMMixer.h"
#include "gui/GuiInput.h"
#include "gui/GuiNotifications.h"
#include "gui/GuiPopupMenu.h"
#include "gui/MessageBoxes.h"
#include "gui/VRGuiWindow.h"
#include "project/CMasterVolUndo.h"
#include "project/CProject.h"
#include "support/CUndoMgr.h"
#include "support/CUndoStep.h"
#include "support/LocalizedStrings.h"
#include "support/Log.h"
#include "timeline/CPlaybackIndicator.h"
#include "transport/CDeviceCheck.h"
#include "transport/CRecordSession.h"
#include "transport/CTransport.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int32_t kBarHeight = 68;
constexpr int32_t kMargin = 8;
constexpr int32_t kGap = 2;
constexpr int32_t kReadOutWidth = 170;

std::string EntryLabel(int entry, bool alternative) {
    char key[48];
    std::snprintf(key, sizeof(key), alternative ? "MasterBarMenuItem%dAlt" : "MasterBarMenuItem%d",
                  entry);
    return MyLoadString(key);
}

int32_t MenuId(int entry) {
    return CMixMasterBar::kMenuBase + entry;
}

} // namespace

CMixMasterBar::CMixMasterBar(CTransport& transport, CProject& project, CUndoMgr& undo)
    : GuiTexturePanel("master control bkgrnd", 1, kBarHeight), m_transport(transport),
      m_project(project), m_undo(undo),
      m_volume(std::make_unique<GuiSlider>(kVolumeSlider, "main-slidevil", 0.0, 2.0)),
      m_readOut(std::make_unique<CPlayerInfoBar>(kReadOutWidth, kBarHeight - 8)) {
    AddButton(kGoToStart, "master rewindstart button", "Rewind_TT");
    AddButton(kStepBack, "master rewind button", "Rewind_Some_TT");
    AddButton(kStop, "master stop button", "Stop_TT");
    AddButton(kPlay, "master play button", "Play_TT");
    AddButton(kStepForward, "master ff button", "FF_Some_TT");
    AddButton(kGoToEnd, "master ffend button", "FF_TT");
    AddButton(kRecord, "master rec", "Rec_Master");
    AddButton(kLoopPlay, "master loop-play-off", "LPP_On");
    AddButton(kMetronome, "master metronome-off", "Metronome_Off");
    m_volume->AddObserver(this);
    AddChild(m_volume.get(), 0, 0);
    AddChild(m_readOut.get(), 0, 4);
    LayOut();
    RefreshState();
}

CMixMasterBar::~CMixMasterBar() {
    Watch(nullptr);
    m_volume->RemoveObserver(this);
    RemoveChild(m_volume.get());
    RemoveChild(m_readOut.get());
    for (auto& [id, button] : m_buttons) {
        button->RemoveObserver(this);
        RemoveChild(button.get());
    }
}

GuiButton& CMixMasterBar::AddButton(int32_t id, const std::string& skin, const std::string& tip) {
    auto button = std::make_unique<GuiButton>(id, skin, "", tip);
    button->AddObserver(this);
    AddChild(button.get(), 0, 0);
    return *(m_buttons[id] = std::move(button));
}

GuiButton* CMixMasterBar::GetButton(int32_t id) {
    const auto found = m_buttons.find(id);
    return found == m_buttons.end() ? nullptr : found->second.get();
}

void CMixMasterBar::Watch(CPlaybackIndicator* line) {
    if (m_line)
        m_line->RemoveObserver(this);
    m_line = line;
    if (m_line)
        m_line->AddObserver(this);
}

void CMixMasterBar::SetSize(int32_t width, int32_t height) {
    GuiTexturePanel::SetSize(width, height);
    LayOut();
}

// Left to right: the position buttons with play and stop in one place,
// record, loop play and the metronome, the volume slider, the read-out.
void CMixMasterBar::LayOut() {
    int32_t x = kMargin;
    auto place = [&](int32_t id) {
        GuiButton& button = *m_buttons[id];
        button.SetPosition(x, (GetHeight() - button.GetHeight()) / 2);
        return button.GetWidth() + kGap;
    };
    x += place(kGoToStart);
    x += place(kStepBack);
    place(kStop);
    x += place(kPlay);
    x += place(kStepForward);
    x += place(kGoToEnd) + kMargin;
    x += place(kRecord) + kMargin;
    x += place(kLoopPlay);
    x += place(kMetronome) + kMargin;
    m_volume->SetPosition(x, (GetHeight() - m_volume->GetHeight()) / 2);
    x += m_volume->GetWidth() + 2 * kMargin;
    m_readOut->SetPosition(x, (GetHeight() - m_readOut->GetHeight()) / 2);
}

void CMixMasterBar::RefreshState() {
    const bool playing = m_transport.IsPlaying();
    GuiButton& play = *m_buttons[kPlay];
    GuiButton& stop = *m_buttons[kStop];
    if (playing && play.IsVisible()) {
        play.Hide();
        stop.Show();
    } else if (!playing && stop.IsVisible()) {
        stop.Hide();
        play.Show();
    }
    GuiButton& loop = *m_buttons[kLoopPlay];
    const bool looping = m_transport.IsLoopPlay();
    if (loop.GetSkin() != (looping ? "master loop-play-on" : "master loop-play-off")) {
        loop.SetSkin(looping ? "master loop-play-on" : "master loop-play-off");
        // The tooltip names what a click would do.
        loop.SetTooltip(looping ? "LPP_Off" : "LPP_On");
        loop.Invalidate(nullptr);
    }
    GuiButton& metronome = *m_buttons[kMetronome];
    const bool clicking = m_transport.IsMetronomeOn();
    if (metronome.GetSkin() != (clicking ? "master metronome-on" : "master metronome-off")) {
        metronome.SetSkin(clicking ? "master metronome-on" : "master metronome-off");
        metronome.SetTooltip(clicking ? "Metronome_On" : "Metronome_Off");
        metronome.Invalidate(nullptr);
    }
    RefreshRecordButton();
    if (!m_dragging && m_volume->GetValue() != m_project.GetMasterVolume()) {
        m_volume->SetValue(m_project.GetMasterVolume());
        m_volume->Invalidate(nullptr);
    }
    ShowPosition(m_transport.PlayPosition());
}

void CMixMasterBar::RefreshRecordButton() {
    GuiButton& record = *m_buttons[kRecord];
    if (record.IsEnabled() != (m_recorder != nullptr)) {
        if (m_recorder)
            record.Enable();
        else
            record.Disable();
        record.Invalidate(nullptr);
    }
    const char* skin = IsRecording() ? "master rec-on" : "master rec";
    if (record.GetSkin() != skin) {
        record.SetSkin(skin);
        record.Invalidate(nullptr);
    }
}

void CMixMasterBar::AttachRecording(CRecordSession* recorder) {
    if (!recorder)
        StopRecording();
    m_recorder = recorder;
    RefreshState();
}

bool CMixMasterBar::IsRecording() const {
    return m_recorder && m_recorder->IsRecording();
}

void CMixMasterBar::ToggleRecording() {
    if (!m_recorder)
        return;
    if (IsRecording()) {
        StopRecording();
    } else if (m_recorder->Start()) {
        StartTimer(kRecordProgressTimer, CRecordSession::kProgressPeriodMs);
    }
}

void CMixMasterBar::StopRecording() {
    KillTimer(kRecordProgressTimer);
    if (IsRecording())
        m_recorder->Stop();
}

void CMixMasterBar::StartDeviceCheck(CDeviceCheck* check) {
    m_deviceCheck = check;
    if (check) {
        check->Check();
        StartTimer(kDeviceCheckTimer, kDeviceCheckPeriodMs);
    } else {
        KillTimer(kDeviceCheckTimer);
    }
}

// A device that came or went may be the one recording: the take stops and
// keeps what it holds, and the user is told. So too when the device in use
// stops on its own; the check then opens it again once it can.
void CMixMasterBar::CheckDevices() {
    if (!m_deviceCheck)
        return;
    const CDeviceCheck::Event event = m_deviceCheck->Check();
    if (event == CDeviceCheck::Event::kNone)
        return;
    if (event == CDeviceCheck::Event::kDeviceBack) {
        RefreshState();
        return;
    }
    if (event == CDeviceCheck::Event::kMidiInputsChanged ||
        event == CDeviceCheck::Event::kMidiOutputsChanged) {
        MidiDevicesChanged(event == CDeviceCheck::Event::kMidiInputsChanged);
        return;
    }
    KillTimer(kDeviceCheckTimer);
    StopRecording();
    m_transport.Stop();
    RefreshState();
    if (event == CDeviceCheck::Event::kCountsChanged)
        ShowMessage(nullptr, "CHANGED_NUM_AUDIO_DEVICES", MB_OK | MB_ICONASTERISK,
                    "CHANGED_DEVICES_TITLE");
    else
        ShowMessage(nullptr, "Err_NoPlaybackDevice", MB_OK | MB_ICONHAND, "ProgramName");
    StartTimer(kDeviceCheckTimer, kDeviceCheckPeriodMs);
}

// An effect that switched itself off on the audio thread (a plug-in whose
// output stopped being a number) could not tell the user there; it is told here.
void CMixMasterBar::TellBypassedEffects() {
    for (const std::string& name : CBypassNotices::Instance().Take())
        ShowFormattedMessage("Err_PluginBypassed_Title", "Err_PluginBypassed_Body",
                             MB_OK | MB_ICONEXCLAMATION, name);
}

// The audio devices are as they were: a punch-in's playback goes on.
void CMixMasterBar::MidiDevicesChanged(bool inputs) {
    KillTimer(kDeviceCheckTimer);
    StopRecording();
    RefreshState();
    ShowMessage(nullptr, "CHANGED_NUM_MIDI_DEVICES", inputs ? MB_OK | MB_ICONASTERISK : MB_OK,
                "CHANGED_DEVICES_TITLE");
    StartTimer(kDeviceCheckTimer, kDeviceCheckPeriodMs);
}

void CMixMasterBar::OnTimer(uint32_t id) {
    if (id == kRecordProgressTimer) {
        if (!m_recorder || !m_recorder->IsRecording() || m_recorder->Tick())
            KillTimer(kRecordProgressTimer);
        RefreshState();
    } else if (id == kDeviceCheckTimer) {
        CheckDevices();
        TellBypassedEffects();
    } else {
        GuiTexturePanel::OnTimer(id);
    }
}

void CMixMasterBar::ShowPosition(double heardMs) {
    m_readOut->ShowPosition(m_project.GetTempoMap(), heardMs, m_project.GetTimeLineMode() == 1);
}

void CMixMasterBar::RunCommand(int32_t button) {
    switch (button) {
    case kPlay:
        m_transport.Play();
        break;
    case kStop:
        StopRecording();
        m_transport.Stop();
        break;
    case kRecord:
        ToggleRecording();
        break;
    case kStepBack:
        m_transport.StepBack();
        break;
    case kStepForward:
        m_transport.StepForward();
        break;
    case kGoToStart:
        m_transport.GoToStart();
        break;
    case kGoToEnd:
        m_transport.GoToEnd();
        break;
    case kLoopPlay:
        m_transport.ToggleLoopPlay();
        break;
    case kMetronome:
        m_transport.ToggleMetronome();
        break;
    default:
        LogFmt("CMixMasterBar: button %d has no command yet", button);
        break;
    }
    RefreshState();
}

void CMixMasterBar::OnNotification(int message, void* parameter) {
    if (message == GuiButton::kNotifyClick) {
        RunCommand(NotificationArgument<GuiButton::kNotifyClick>(parameter));
    } else if (message == GuiSlider::kNotifyValueChange) {
        if (const GuiSliderChange* change =
                NotificationArgument<GuiSlider::kNotifyValueChange>(parameter))
            OnVolumeChange(*change);
    } else if (message == CPlaybackIndicator::kNotifyPosition) {
        RefreshState();
    }
}

// A drag is one undo step: the volume follows the slider as it moves, and
// the release records where it started.
void CMixMasterBar::OnVolumeChange(const GuiSliderChange& change) {
    if (change.phase == GuiSlider::kStart) {
        m_volumeAtDragStart = m_project.GetMasterVolume();
        m_dragging = true;
    }
    m_project.SetMasterVolume(change.value, false);
    if (change.phase != GuiSlider::kEnd)
        return;
    m_dragging = false;
    const double now = m_project.GetMasterVolume();
    if (now != m_volumeAtDragStart) {
        CUndoStep step(m_undo);
        m_undo.AddUndoNode(CMasterVolUndo(m_project, m_volumeAtDragStart, now));
    }
}

GuiMenu CMixMasterBar::BuildContextMenu() const {
    const bool playing = m_transport.IsPlaying();
    GuiMenu menu;
    menu.AddItem(MenuId(kEntryPlay), EntryLabel(kEntryPlay, playing));
    menu.AddItem(MenuId(kEntryRecord), EntryLabel(kEntryRecord, IsRecording()));
    menu.Enable(MenuId(kEntryRecord), m_recorder != nullptr);
    menu.AddSeparator();
    for (int entry : {kEntryGoToStart, kEntryStepBack, kEntryStepForward, kEntryGoToEnd})
        menu.AddItem(MenuId(entry), EntryLabel(entry, false));
    menu.AddSeparator();
    GuiMenu& volume = menu.AddSubMenu(EntryLabel(kEntryVolume, false));
    volume.AddItem(MenuId(kEntryExactVolume), EntryLabel(kEntryExactVolume, false));
    volume.Enable(MenuId(kEntryExactVolume), static_cast<bool>(m_hooks.askMasterVolume));
    volume.AddSeparator();
    const long current = std::lround(m_project.GetMasterVolume() * 10.0);
    for (int step = 0; step < kVolumeSteps; ++step) {
        const int entry = kEntryFirstVolume + step;
        volume.AddItem(MenuId(entry), EntryLabel(entry, false));
        // The current value shows greyed.
        volume.Enable(MenuId(entry), current != 2 * (step + 1));
    }
    menu.AddItem(MenuId(kEntryGlobalEffects), EntryLabel(kEntryGlobalEffects, false));
    menu.Enable(MenuId(kEntryGlobalEffects), static_cast<bool>(m_hooks.editGlobalEffects));
    menu.AddSeparator();
    const bool hidden = m_hooks.detailsShown && !m_hooks.detailsShown();
    menu.AddItem(MenuId(kEntryDetails), EntryLabel(kEntryDetails, hidden));
    menu.Enable(MenuId(kEntryDetails), static_cast<bool>(m_hooks.toggleDetails));
    return menu;
}

bool CMixMasterBar::RunMenuChoice(int32_t id) {
    const int entry = id - kMenuBase;
    switch (entry) {
    case kEntryPlay:
        RunCommand(m_transport.IsPlaying() ? kStop : kPlay);
        return true;
    case kEntryRecord:
        RunCommand(kRecord);
        return true;
    case kEntryGoToStart:
        RunCommand(kGoToStart);
        return true;
    case kEntryStepBack:
        RunCommand(kStepBack);
        return true;
    case kEntryStepForward:
        RunCommand(kStepForward);
        return true;
    case kEntryGoToEnd:
        RunCommand(kGoToEnd);
        return true;
    case kEntryGlobalEffects:
        if (m_hooks.editGlobalEffects)
            m_hooks.editGlobalEffects();
        return true;
    case kEntryDetails:
        if (m_hooks.toggleDetails)
            m_hooks.toggleDetails();
        return true;
    case kEntryExactVolume:
        if (m_hooks.askMasterVolume)
            m_hooks.askMasterVolume();
        RefreshState();
        return true;
    default:
        break;
    }
    if (entry >= kEntryFirstVolume && entry < kEntryFirstVolume + kVolumeSteps) {
        {
            CUndoStep step(m_undo);
            m_project.SetMasterVolume(0.2 * (entry - kEntryFirstVolume + 1), true);
        }
        RefreshState();
        return true;
    }
    return false;
}

bool CMixMasterBar::OnMouse(int32_t event, GuiPoint p, uint32_t keys) {
    if (GuiTexturePanel::OnMouse(event, p, keys))
        return true;
    if (event != kMouseRightUp)
        return event == kMouseRightDown;
    VRGuiWindow* window = GetWindow();
    if (!window)
        return false;
    const GuiMenu menu = BuildContextMenu();
    GuiPopupMenu popup(menu);
    RunMenuChoice(popup.Run(window, p.x + GetAbsX(), p.y + GetAbsY()));
    return true;
}
