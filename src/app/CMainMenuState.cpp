#include "app/CMainMenuState.h"

#include "app/CPrefs.h"
#include "app/CTransportCommands.h"
#include "app/MainCommands.h"
#include "engine/CPCMMixer.h"
#include "gui/GuiMenu.h"
#include "project/CProject.h"
#include "project/CTrack.h"
#include "support/CMRUList.h"
#include "support/DistinctFileLabels.h"
#include "support/LocalizedStrings.h"
#include "timeline/CTimeGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A name shown in a menu: '&' would mark an access key.
std::string MenuSafe(const std::string& text) {
    std::string safe;
    for (char c : text) {
        safe += c;
        if (c == '&')
            safe += '&';
    }
    return safe;
}

} // namespace

CMainMenuState::CMainMenuState(const Sources& sources, std::function<bool(int32_t)> isEnabled)
    : m_project(sources.project), m_mixer(sources.mixer), m_prefs(sources.prefs),
      m_recent(sources.recent), m_transport(sources.transport), m_isEnabled(std::move(isEnabled)) {}

void CMainMenuState::Prepare(GuiMenu& menu) {
    FillRecentProjects();
    FillMarkerList(*m_lists.playFromMarker, kCmdPlayFromMarkerFirst);
    FillMarkerList(*m_lists.editMarker, kCmdEditMarkerFirst);
    SwapStateLabels(menu);
    UpdateFlags(menu);
}

void CMainMenuState::SwapStateLabels(GuiMenu& menu) {
    const CTrack* track = m_project.GetTrack(m_project.GetLastSelectedTrack());
    SetLocalizedItem(menu, kCmdPlay, m_mixer.Playing() ? "MixMenu:Stop" : "MixMenu:Play");
    SetLocalizedItem(menu, kCmdFreezeTrack,
                     track && track->IsFrozen() ? "TrackMenu:Unfreeze" : "TrackMenu:freeze");
    SetLocalizedItem(menu, kCmdToggleDetails,
                     m_prefs.bDetailsShowingState ? "ViewMenu:HideDetails"
                                                  : "ViewMenu:ShowDetails");
}

void CMainMenuState::FillRecentProjects() {
    GuiMenu& menu = *m_lists.recentProjects;
    menu.Clear();
    std::vector<std::string> paths;
    for (size_t index = 0; index < m_recent.NumMRUFiles(); ++index)
        paths.push_back(m_recent.GetFileWithPath(index));
    const std::vector<std::string> names = DistinctFileLabels(paths);
    for (size_t index = 0; index < names.size(); ++index) {
        char label[64];
        std::snprintf(label, sizeof(label), "&%u ", static_cast<unsigned>(index + 1));
        menu.AddItem(kCmdRecentFirst + static_cast<int32_t>(index), label + MenuSafe(names[index]));
    }
}

void CMainMenuState::FillMarkerList(GuiMenu& menu, int32_t firstCommand) {
    menu.Clear();
    const CProjectMarkers& markers = m_project.Markers();
    const int count = std::min(markers.Count(), static_cast<int>(kCmdMarkerRange));
    for (int index = 0; index < count; ++index) {
        const std::string& name = markers.At(index).name;
        char number[32];
        std::snprintf(number, sizeof(number), "&%d ", index + 1);
        menu.AddItem(firstCommand + index,
                     number + MenuSafe(name.empty() ? MyLoadString("unnamed marker") : name));
    }
}

void CMainMenuState::UpdateFlags(GuiMenu& menu) {
    const CTrack* track = m_project.GetTrack(m_project.GetLastSelectedTrack());
    const int masterPercent = static_cast<int>(std::lround(m_mixer.GetMasterVolume() * 100.0));
    // The selected track's values, as the commands that would set them.
    const int32_t trackVolume =
        track ? kCmdTrackVolumeFirst + static_cast<int>(std::lround(track->GetVolume() * 100.0))
              : 0;
    const int32_t trackPan =
        track ? kCmdTrackPanFirst + 100 + static_cast<int>(std::lround(track->GetPan() * 100.0))
              : 0;
    for (int index = 0; index < menu.ItemCount(); ++index) {
        GuiMenu::Item& item = menu.ItemAt(index);
        if (item.subMenu) {
            UpdateFlags(*item.subMenu);
            item.enabled = item.subMenu->ItemCount() > 0;
            continue;
        }
        if (item.separator)
            continue;
        item.enabled = m_isEnabled(item.id);
        switch (item.id) {
        case kCmdTimelineBeats:
            item.checked = m_project.GetTimeLineMode() == 0;
            break;
        case kCmdZoomIn:
            item.enabled = item.enabled && m_project.GetZoomLevel() > 0;
            break;
        case kCmdZoomOut:
            item.enabled =
                item.enabled && m_project.GetZoomLevel() < CTimeGrid::kZoomLevelCount - 1;
            break;
        case kCmdTimelineTime:
            item.checked = m_project.GetTimeLineMode() == 1;
            break;
        case kCmdAutoBeatMatch:
            item.checked = m_project.GetAutoBeatMatch();
            break;
        case kCmdLoopPlay:
        case kCmdMetronome:
        case kCmdRecord:
        case kCmdRecordingTimer:
            item.checked = m_transport.IsChecked(item.id);
            break;
        case kCmdMuteTrack:
            item.checked = track && track->IsMute();
            break;
        case kCmdSoloTrack:
            item.checked = track && track->IsSolo();
            break;
        case kCmdArmTrack:
            item.checked = track && track->IsArmed();
            break;
        case kCmdTrackHeightSmall:
        case kCmdTrackHeightNormal:
        case kCmdTrackHeightLarge:
            item.checked =
                track && track->GetHeight() == TrackHeightFor(item.id - kCmdTrackHeightSmall);
            break;
        default:
            item.checked = item.id == kCmdMasterVolumeFirst + masterPercent ||
                           (track && (item.id == trackVolume || item.id == trackPan));
            if (InCommandRange(item.id, kCmdSnapFirst, kCmdSnapLast - kCmdSnapFirst + 1))
                item.checked = item.id - kCmdSnapFirst == m_project.GetSnapLevel();
            break;
        }
    }
}
