#pragma once

#include <cstdint>
#include <string>

// What the track area's toolbar needs of the main window and the project:
// the commands its buttons run and the state its buttons reflect.
class ToolbarCommands {
public:
    enum class Answer { kYes, kNo, kCancel };

    virtual ~ToolbarCommands() = default;

    // The main window's question whether to save the changes first; true
    // when the command may go on.
    virtual bool AskSaveBeforeNew() = 0;
    virtual void NewProject() = 0;
    virtual void OpenProject() = 0;
    // True when the project was saved.
    virtual bool SaveProject() = 0;
    virtual void AddSound() = 0;
    // Shows a page of the details area (2 is the sound library).
    virtual void ShowDetailsPage(int page) = 0;
    virtual bool HasProject() const = 0;
    virtual void BurnCd() = 0;
    // Whether the sound library and CD burning are there to be used; their
    // buttons look enabled only then.
    virtual bool CanShowLibrary() const { return true; }
    virtual bool CanBurnCd() const { return true; }
    // A Yes/No/Cancel question with the question icon, by string keys.
    virtual Answer AskQuestion(const std::string& titleKey, const std::string& bodyKey) = 0;
    // The program-wide mix-down type (0 WAV, 1 MP3, 2 WMA, 3 OGG), shared
    // with the mix-down file dialog.
    virtual int32_t MixDownType() const = 0;
    // Mixes the project down into a file of the extension (".WAV" ...).
    virtual void MixDown(const std::string& extension) = 0;

    virtual int ZoomLevel() const = 0;
    virtual void Zoom(bool zoomOut) = 0;
    virtual int ShownEnvelopeType() const = 0;
    virtual void SetMasterEnvelopeType(int type) = 0;
    virtual int SnapLevel() const = 0;
    virtual void SetSnapLevel(int level) = 0;

    virtual int64_t ProjectLengthMs() const = 0;
    virtual bool IsPlayingOrRecording() const = 0;
    // Brings the main window's menus and title in step after a command.
    virtual void RefreshMainWindow() = 0;
};
