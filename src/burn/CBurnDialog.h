#pragma once

#include "burn/CBurnLayout.h"
#include "burn/CBurnSession.h"
#include "burn/CDiscBurner.h"
#include "gui/CBaseDialog.h"

#include <memory>
#include <string>
#include <vector>

class CDialogCheckBox;
class CDialogChoice;
class CPCMMixer;

// The Burn CD dialog: the writer, its speed, test mode, CD-Text, burning
// as one track and the whole project or only the time selection (offered
// when there is one); Burn opens the writer, waits for a blank disc, lays out the
// tracks for the disc's capacity and runs a burn session, whose stage and
// progress a timer shows. The outcome is told in a message box, with the
// skin's sound for a burn that went well or one that failed. Closing
// while burning asks first and stops the burn. While a burn runs the display
// is kept awake: a screen saver that starts mid-burn only hides the progress.
class CBurnDialog : public CBaseDialog {
public:
    static constexpr int kBurnId = 100;
    // Window timers share one table: this number is the burn dialog's own.
    static constexpr uint32_t kPollTimer = 701;
    static constexpr uint32_t kPollMs = 250;
    static constexpr int32_t kWidth = 440;
    // The skin items naming the sounds played when a burn ends.
    static constexpr const char* kSuccessSound = "BurnerSuccessSound";
    static constexpr const char* kFailureSound = "BurnerFailureSound";

    // The settings the dialog starts from and hands back (the preferences).
    struct Choices {
        int writerIndex = -1;
        // Times CD speed, 255 the fastest.
        int speed = 255;
        bool testMode = false;
        bool cdText = true;
        bool burnAsOne = false;
        // Burn the time selection rather than the whole project.
        bool selectionOnly = false;
    };

    // What is burned: the project's layout request (markers, end and, when
    // hasSelection, the time selection's heard range), its texts and the
    // folder for the temporary files.
    struct Source {
        CBurnLayout::Request request;
        bool hasSelection = false;
        std::string albumTitle;
        std::string performer;
        std::string tempFolder;
    };

    CBurnDialog(CDiscBurner& burner, CPCMMixer& mixer, Source source, const Choices& choices);
    ~CBurnDialog() override;

    const Choices& GetChoices() const { return m_choices; }
    // The stage line the dialog shows.
    const std::string& StageText() const { return m_stageText; }
    bool IsBurning() const;
    // The outcome of the last burn; None before one ended.
    CBurnSession::Outcome LastOutcome() const { return m_lastOutcome; }
    CDialogChoice* WriterChoice() const { return m_writerChoice.get(); }
    // "BD_All" or "BD_Selection".
    CDialogChoice* RangeChoice() const { return m_rangeChoice.get(); }
    // The tracks the dialog shows, for the range chosen.
    const CBurnLayout& Layout() const { return m_layout; }
    // Where the progress bar is drawn, in the dialog's coordinates.
    GuiRect ProgressBarRect() const;

    void OnDraw(const GuiRect& r) override;
    void OnTimer(uint32_t id) override;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnClose() override;

private:
    void FillSpeeds();
    void ReadChoices();
    void StartBurn();
    // Opens the writer and waits for, or refuses, the disc in it.
    bool PrepareWriter();
    void StartSession();
    void PollSession();
    void EndBurn(CBurnSession::Outcome outcome);
    // Plays the sound the skin names for the item, if it names one.
    void PlayEndSound(const char* item);
    void SetStage(const std::string& text);
    void SetControlsEnabled(bool enabled);
    // The layout request for the choices made.
    CBurnLayout::Request RequestFor(bool forBurn) const;
    void ShowLayout();
    void KeepDisplayAwake(bool awake);

    CDiscBurner& m_burner;
    CPCMMixer& m_mixer;
    Source m_source;
    Choices m_choices;
    std::vector<CDiscBurner::Writer> m_writers;
    std::vector<int> m_speeds;
    std::unique_ptr<CDialogChoice> m_writerChoice;
    std::unique_ptr<CDialogChoice> m_speedChoice;
    std::unique_ptr<CDialogCheckBox> m_testMode;
    std::unique_ptr<CDialogCheckBox> m_cdText;
    std::unique_ptr<CDialogCheckBox> m_oneTrack;
    std::unique_ptr<CDialogChoice> m_rangeChoice;
    std::unique_ptr<CBurnSession> m_session;
    CBurnLayout m_layout;
    bool m_waitingForBlank = false;
    bool m_keepingDisplayAwake = false;
    std::string m_stageText;
    double m_progress = 0.0;
    CBurnSession::Outcome m_lastOutcome = CBurnSession::Outcome::None;
};
