#pragma once

#include "burn/CBurnRender.h"
#include "burn/CDiscBurner.h"

#include <string>
#include <vector>

class CBurnLayout;
class CPCMMixer;

// One burn of a laid-out CD, driven by polling from the GUI thread (the burn
// dialog's timer): the tracks are rendered to temporary CD-audio WAV files
// by the engine's render worker, the cue sheet is written, then the writer
// burns them disc-at-once on its own thread. Whatever the outcome, the
// temporary files are gone once the session has finished.
class CBurnSession {
public:
    enum class Stage { Idle, Rendering, Burning, Finished };
    // How a finished session ended; each names the message the user gets.
    enum class Outcome { None, Success, TestSuccess, BurnError, FileError, Cancelled };

    struct Settings {
        std::string albumTitle;
        std::string performer;
        bool simulate = false;
        bool cdText = true;
        // Times CD speed; 0 the fastest.
        int speed = 0;
    };

    CBurnSession(CPCMMixer& mixer, CDiscBurner& burner, std::string tempFolder);
    ~CBurnSession();
    CBurnSession(const CBurnSession&) = delete;
    CBurnSession& operator=(const CBurnSession&) = delete;

    // The folder the tracks go to when the temporary one lacks space.
    void SetAskFolder(CBurnRender::AskFolder ask) { m_render.SetAskFolder(std::move(ask)); }
    // Starts rendering the layout's tracks for an open writer. False (and
    // Finished) when it cannot start.
    bool Begin(const CBurnLayout& layout, const Settings& settings);
    // Moves the session on; call about every 100 ms until Finished.
    void Poll();
    // Stops the render or the burn; the session finishes as Cancelled.
    void Abort();

    Stage GetStage() const { return m_stage; }
    Outcome GetOutcome() const { return m_outcome; }
    // Of the whole session, 0..1: the render is the first half.
    double Progress() const;
    // Why the session failed, for the log and the message.
    const std::string& Error() const { return m_error; }
    // The cue sheet text of the burn (CRLF lines).
    const std::string& CueSheet() const { return m_cueSheet; }

private:
    void StartBurn();
    void LogTrackList() const;
    void Finish(Outcome outcome, const std::string& error);

    CDiscBurner& m_burner;
    CBurnRender m_render;
    Settings m_settings;
    std::vector<BurnTrack> m_tracks;
    int32_t m_rangeStart = 0;
    Stage m_stage = Stage::Idle;
    Outcome m_outcome = Outcome::None;
    std::string m_error;
    std::string m_cueSheet;
    bool m_aborted = false;
};
