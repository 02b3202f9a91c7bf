#include "project/CTrack.h"

#include "project/CTrackBody.h"
#include "project/CTrackHeader.h"
#include "project/CTrackSettingsUndo.h"
#include "project/ProjectNotifications.h"
#include "support/CRIFF.h"
#include "support/CUndoMgr.h"
#include "support/Log.h"

#include <algorithm>
#include <optional>

CTrack::CTrack(TrackServices& services, Kind kind) : m_services(services), m_kind(kind) {}

CTrack::~CTrack() = default;

void CTrack::CreateControls() {
    m_header = std::make_unique<CTrackHeader>();
    m_body = std::make_unique<CTrackBody>();
    SetHeight(m_height);
}

void CTrack::OnNotification(int message, void* parameter) {
    switch (message) {
    case kNotifySelectTrack:
    case kNotifySelectTrackClips:
        SendNotification(message, NotificationNumber(m_index));
        break;
    case kNotifyTrackHeightDrag:
        if (parameter) {
            TrackHeightDrag drag = *static_cast<TrackHeightDrag*>(parameter);
            drag.trackIndex = m_index;
            SendNotification(message, &drag);
        }
        break;
    case kNotifyTrackColour:
        SetColour(static_cast<uint32_t>(NotificationNumberOf(parameter)), true);
        break;
    default:
        break;
    }
}

void CTrack::BeginSettingsChange() {
    m_settingsBefore = GetSettings();
    m_settingsChanging = true;
}

void CTrack::EndSettingsChange() {
    if (!m_settingsChanging)
        return;
    m_settingsChanging = false;
    const TrackSettings after = GetSettings();
    if (after == m_settingsBefore)
        return;
    m_services.undo.AddUndoNode(CTrackSettingsUndo(this, m_settingsBefore, after));
    m_services.undo.SetDirty(true);
}

bool CTrack::Save(CRIFF& riff) {
    if (!SaveLoad::Save(riff))
        return false;
    return MakeFileContents(m_templateSave).Write(riff);
}

bool CTrack::Load(CRIFF& riff) {
    if (!SaveLoad::Load(riff))
        return false;
    std::optional<TrackFileContents> contents;
    const ProjectReadError error = TrackFileContents::Read(riff, &contents);
    if (error != ProjectReadError::None || !contents || contents->IsMidi() != (m_kind == kMidi)) {
        LogFmt("CTrack::Load failed: %s -  returning false!", ProjectReadErrorText(error));
        return false;
    }
    return ApplyFileContents(*contents);
}

void CTrack::SetName(const std::string& name, bool undo) {
    if (undo)
        BeginSettingsChange();
    m_name = name;
    if (undo)
        EndSettingsChange();
}

void CTrack::SetImage(const std::string& name, bool undo) {
    if (undo)
        BeginSettingsChange();
    m_imageName = name;
    if (undo)
        EndSettingsChange();
}

void CTrack::SetColour(uint32_t colour, bool undo) {
    if (undo)
        BeginSettingsChange();
    m_colour = colour;
    if (undo)
        EndSettingsChange();
}

void CTrack::SetHeight(int32_t height) {
    m_height = std::clamp(height, kMinHeight, kMaxHeight);
    if (m_header)
        m_header->SetSize(CTrackHeader::kWidth, m_height);
    if (m_body)
        m_body->SetSize(m_body->GetRect().right, m_height);
}

void CTrack::MoveTo(int32_t y) {
    if (m_header)
        m_header->SetPosition(0, y);
    if (m_body)
        m_body->SetPosition(0, y);
}

void CTrack::FillCommonSettings(TrackSettings& settings) const {
    settings.name = m_name;
    settings.imageName = m_imageName;
    settings.colour = m_colour;
    settings.frozen = m_frozen;
}

void CTrack::ApplyCommonSettings(const TrackSettings& settings) {
    m_name = settings.name;
    m_imageName = settings.imageName;
    m_colour = settings.colour;
}
