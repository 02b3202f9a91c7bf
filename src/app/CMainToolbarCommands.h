#pragma once

#include "timeline/ToolbarCommands.h"

#include <cstdint>
#include <string>

class CPCMMixer;
class CProject;
class LoomtoneMainWindow;

// Carries the track area toolbar's commands out through the main window
// and the project, and answers the state the toolbar's buttons follow.
class CMainToolbarCommands : public ToolbarCommands {
public:
    CMainToolbarCommands(LoomtoneMainWindow& window, CProject& project, CPCMMixer& mixer)
        : m_window(window), m_project(project), m_mixer(mixer) {}

    bool AskSaveBeforeNew() override;
    void NewProject() override;
    void OpenProject() override;
    bool SaveProject() override;
    void AddSound() override;
    void ShowDetailsPage(int page) override;
    bool HasProject() const override { return true; }
    void BurnCd() override;
    bool CanShowLibrary() const override;
    bool CanBurnCd() const override;
    Answer AskQuestion(const std::string& titleKey, const std::string& bodyKey) override;
    int32_t MixDownType() const override { return m_mixDownType; }
    void MixDown(const std::string& extension) override;
    int ZoomLevel() const override;
    void Zoom(bool zoomOut) override;
    int ShownEnvelopeType() const override;
    void SetMasterEnvelopeType(int type) override;
    int SnapLevel() const override;
    void SetSnapLevel(int level) override;
    int64_t ProjectLengthMs() const override;
    bool IsPlayingOrRecording() const override;
    void RefreshMainWindow() override;

private:
    LoomtoneMainWindow& m_window;
    CProject& m_project;
    CPCMMixer& m_mixer;
    // The file type the mix-down button renders to, WAV until the user
    // chooses another in the mix-down dialog.
    int32_t m_mixDownType = 0;
};
