#pragma once

#include "gui/GuiButton.h"
#include "gui/GuiMenu.h"
#include "gui/GuiSlider.h"
#include "gui/GuiTexturePanel.h"
#include "support/Observer.h"
#include "transport/CPlayerInfoBar.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class CDeviceCheck;
class CPlaybackIndicator;
class CProject;
class CRecordSession;
class CTransport;
class CUndoMgr;

// The transport strip below the tracks: go to the start, step back, play
// (stop while playing), step forward, go to the end, record, loop play and
// the metronome; the master volume slider; the position and tempo read-out;
// and a context menu with the same commands. Record is enabled once a
// recording session is attached; while it records, timer 557 grows the
// recording clips. Timer 558 checks the audio devices every second: one
// coming or going, or the device in use stopping on its own, stops the
// recording and playback and tells the user.
class CMixMasterBar : public GuiTexturePanel, public Observer {
public:
    // Button identifiers, which are also the commands they give.
    enum Button : int32_t {
        kPlay = 11,
        kStop = 13,
        kStepBack = 14,
        kStepForward = 15,
        kGoToStart = 16,
        kGoToEnd = 17,
        kRecord = 18,
        kMetronome = 39,
        kLoopPlay = 40,
    };
    static constexpr int32_t kVolumeSlider = 41;
    // Context menu entries (identifiers are entry + kMenuBase).
    static constexpr int32_t kMenuBase = 100;
    enum MenuEntry : int32_t {
        kEntryPlay = 0,
        kEntryRecord = 1,
        kEntryGoToStart = 3,
        kEntryStepBack = 4,
        kEntryStepForward = 5,
        kEntryGoToEnd = 6,
        kEntryVolume = 8,
        kEntryGlobalEffects = 9,
        kEntryDetails = 11,
        kEntryExactVolume = 13,
        kEntryFirstVolume = 15, // 0.2 ... 2.0 up to entry 24
    };
    static constexpr int kVolumeSteps = 10;
    static constexpr uint32_t kRecordProgressTimer = 557;
    static constexpr uint32_t kDeviceCheckTimer = 558;
    static constexpr uint32_t kDeviceCheckPeriodMs = 1000;

    // What the bar's menu asks of the main window; entries without one are
    // disabled.
    struct WindowHooks {
        std::function<void()> editGlobalEffects;
        std::function<void()> askMasterVolume;
        std::function<void()> toggleDetails;
        std::function<bool()> detailsShown;
    };

    CMixMasterBar(CTransport& transport, CProject& project, CUndoMgr& undo);
    ~CMixMasterBar() override;

    // The read-out follows the line's position.
    void Watch(CPlaybackIndicator* line);
    void SetWindowHooks(WindowHooks hooks) { m_hooks = std::move(hooks); }
    // The session the record button drives; none: record is disabled.
    void AttachRecording(CRecordSession* recorder);
    CRecordSession* GetRecorder() const { return m_recorder; }
    // Starts checking the devices every second (needs the bar in a window).
    void StartDeviceCheck(CDeviceCheck* check);

    // A button's command.
    void RunCommand(int32_t button);
    // Buttons, images and tooltips, the slider and the read-out follow the
    // transport and the project.
    void RefreshState();
    // The context menu as it would open now.
    GuiMenu BuildContextMenu() const;
    // A chosen menu identifier; false for none of the bar's.
    bool RunMenuChoice(int32_t id);

    GuiButton* GetButton(int32_t id);
    GuiSlider& VolumeSlider() { return *m_volume; }
    CPlayerInfoBar& ReadOut() { return *m_readOut; }

    void SetSize(int32_t width, int32_t height) override;
    bool OnMouse(int32_t event, GuiPoint p, uint32_t keys) override;
    void OnNotification(int message, void* parameter) override;
    void OnTimer(uint32_t id) override;

private:
    GuiButton& AddButton(int32_t id, const std::string& skin, const std::string& tip);
    void LayOut();
    void OnVolumeChange(const GuiSliderChange& change);
    void ShowPosition(double heardMs);
    void ToggleRecording();
    void StopRecording();
    void CheckDevices();
    void TellBypassedEffects();
    void MidiDevicesChanged(bool inputs);
    bool IsRecording() const;
    void RefreshRecordButton();

    CTransport& m_transport;
    CProject& m_project;
    CUndoMgr& m_undo;
    CPlaybackIndicator* m_line = nullptr;
    WindowHooks m_hooks;
    CRecordSession* m_recorder = nullptr;
    CDeviceCheck* m_deviceCheck = nullptr;
    std::map<int32_t, std::unique_ptr<GuiButton>> m_buttons;
    std::unique_ptr<GuiSlider> m_volume;
    std::unique_ptr<CPlayerInfoBar> m_readOut;
    double m_volumeAtDragStart = 1.0;
    bool m_dragging = false;
};
