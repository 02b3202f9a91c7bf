#include "app/CMainToolbarCommands.h"

#include "app/LoomtoneMainWindow.h"
#include "app/MainCommands.h"
#include "engine/CPCMMixer.h"
#include "gui/MessageBoxes.h"
#include "project/CProject.h"
#include "support/Log.h"

#include <cmath>

bool CMainToolbarCommands::AskSaveBeforeNew() {
    return m_window.AskToSave();
}

void CMainToolbarCommands::NewProject() {
    m_project.NewProject(false);
}

void CMainToolbarCommands::OpenProject() {
    m_window.ExecuteCommand(kCmdOpenProject);
}

bool CMainToolbarCommands::SaveProject() {
    return m_window.SaveProject();
}

void CMainToolbarCommands::AddSound() {
    m_window.ExecuteCommand(kCmdAddSound);
}

void CMainToolbarCommands::ShowDetailsPage(int page) {
    LogFmt("CDetailsTab::ShowPage %d - Enter", page);
    m_window.ShowDetailsArea();
    LogFmt("CDetailsTab::ShowPage %d - Exit", page);
}

bool CMainToolbarCommands::CanShowLibrary() const {
    return m_window.IsCommandEnabled(kCmdLoopLibrary);
}

bool CMainToolbarCommands::CanBurnCd() const {
    return m_window.IsCommandEnabled(kCmdBurnCD);
}

void CMainToolbarCommands::BurnCd() {
    m_window.ExecuteCommand(kCmdBurnCD);
}

ToolbarCommands::Answer CMainToolbarCommands::AskQuestion(const std::string& titleKey,
                                                          const std::string& bodyKey) {
    switch (ShowMessage(&m_window, bodyKey, MB_YESNOCANCEL | MB_ICONQUESTION, titleKey)) {
    case IDYES:
        return Answer::kYes;
    case IDNO:
        return Answer::kNo;
    default:
        return Answer::kCancel;
    }
}

void CMainToolbarCommands::MixDown(const std::string& extension) {
    m_window.RenderMixDown(extension);
}

int CMainToolbarCommands::ZoomLevel() const {
    return m_project.GetZoomLevel();
}

void CMainToolbarCommands::Zoom(bool zoomOut) {
    m_project.Zoom(zoomOut);
}

int CMainToolbarCommands::ShownEnvelopeType() const {
    return m_project.GetMasterEnvelopeType();
}

void CMainToolbarCommands::SetMasterEnvelopeType(int type) {
    m_project.SetMasterEnvelopeType(type);
}

int CMainToolbarCommands::SnapLevel() const {
    return m_project.GetSnapLevel();
}

void CMainToolbarCommands::SetSnapLevel(int level) {
    m_project.SetSnapLevel(level);
}

int64_t CMainToolbarCommands::ProjectLengthMs() const {
    return static_cast<int64_t>(std::ceil(m_project.GetProjectLengthMs()));
}

bool CMainToolbarCommands::IsPlayingOrRecording() const {
    return m_mixer.Playing();
}

void CMainToolbarCommands::RefreshMainWindow() {
    m_window.RefreshState();
}
