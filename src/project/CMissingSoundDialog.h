#pragma once

#include "gui/CBaseDialog.h"
#include "project/MissingSoundAnswer.h"
#include "project/MissingSoundFolders.h"

#include <functional>
#include <string>

class CMissingSoundScan;

// Shown while the scan looks for a missing sound: names the file, shows the
// folder being searched, and lets the user browse to the file, add a folder
// to search (which restarts the scan), skip this sound or skip all. A timer
// polls the scan and ends the dialog as soon as it has found the file.
class CMissingSoundDialog : public CBaseDialog {
public:
    static constexpr int32_t kWidth = 460;
    static constexpr int32_t kHeight = 220;
    static constexpr uint32_t kPollTimer = 7401;
    static constexpr uint32_t kPollPeriodMs = 20;
    enum ButtonId { kBrowseId = 100, kEditPathId, kSkipId, kSkipAllId };

    CMissingSoundDialog(const MissingSoundRequest& request, CMissingSoundScan& scan,
                        MissingSoundFolders folders);
    ~CMissingSoundDialog() override;

    const MissingSoundAnswer& Answer() const { return m_answer; }
    const std::string& ShownSearchText() const { return m_searchingNow; }

    void OnTimer(uint32_t id) override;
    void OnDraw(const GuiRect& r) override;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnClose() override;

private:
    void Finish(MissingSoundChoice choice, const std::string& chosenPath = {});
    void PollScan(bool on);
    void Browse();
    void AddSearchFolder();
    void ShowSearchText(const std::string& text);
    GuiRect SearchTextRect() const;

    MissingSoundRequest m_request;
    CMissingSoundScan& m_scan;
    MissingSoundFolders m_folders;
    std::string m_searchingNow;
    MissingSoundAnswer m_answer;
};

// Answers the search in place of the user: the dialog is not shown and the
// hook's answer is taken (kScanResult waits for the scan to end). An empty
// function removes the hook.
using MissingSoundHook = std::function<MissingSoundAnswer(const MissingSoundRequest& request)>;
void SetMissingSoundHook(MissingSoundHook hook);

// Asks the hook, or shows the dialog over the main window while the scan
// (already started) runs. Without a window there is nobody to ask: the sound
// is skipped.
MissingSoundAnswer AskAboutMissingSound(const MissingSoundRequest& request, CMissingSoundScan& scan,
                                        MissingSoundFolders folders);
