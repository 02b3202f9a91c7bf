#include "burn/CBurnSession.h"

#include "burn/CBurnLayout.h"
#include "burn/CCueSheet.h"
#include "support/Log.h"

#include <cstdio>

CBurnSession::CBurnSession(CPCMMixer& mixer, CDiscBurner& burner, std::string tempFolder)
    : m_burner(burner), m_render(mixer, std::move(tempFolder)) {}

CBurnSession::~CBurnSession() {
    if (m_stage == Stage::Rendering || m_stage == Stage::Burning)
        Abort();
}

bool CBurnSession::Begin(const CBurnLayout& layout, const Settings& settings) {
    Log("BurnerWorker - ENTER");
    m_settings = settings;
    m_tracks = layout.Tracks();
    m_rangeStart = layout.RangeStart();
    m_outcome = Outcome::None;
    m_error.clear();
    m_aborted = false;
    if (!m_render.CheckFreeSpace(layout.Length())) {
        Finish(Outcome::FileError, m_render.Error());
        return false;
    }
    Log("Before Converting to WAV...");
    if (!m_render.Start(m_rangeStart, m_tracks)) {
        Log("Convert To WAV returned FALSE..exiting early.");
        Finish(Outcome::FileError, m_render.Error());
        return false;
    }
    m_stage = Stage::Rendering;
    return true;
}

void CBurnSession::Poll() {
    if (m_stage == Stage::Rendering && !m_render.IsRunning()) {
        if (!m_render.Finish(m_tracks)) {
            Log("Convert To WAV returned FALSE..exiting early.");
            Finish(m_aborted ? Outcome::Cancelled : Outcome::FileError, m_render.Error());
            return;
        }
        Log("After Converting to WAV...");
        StartBurn();
    } else if (m_stage == Stage::Burning && !m_burner.IsBurning()) {
        if (m_burner.Succeeded()) {
            Log(m_settings.simulate ? "Finished test..." : "Finished burn...!");
            Log(m_settings.simulate ? "Successful test - Ejecting CD!"
                                    : "Successful burn - Ejecting CD!");
            Finish(m_settings.simulate ? Outcome::TestSuccess : Outcome::Success, "");
        } else {
            Finish(m_aborted ? Outcome::Cancelled : Outcome::BurnError, m_burner.LastError());
        }
    }
}

void CBurnSession::StartBurn() {
    Log("Before BurnFilesNow");
    m_cueSheet = CCueSheet::Build(m_settings.albumTitle, m_tracks);
    if (!CCueSheet::Write(m_render.Folder(), m_cueSheet)) {
        Finish(Outcome::FileError, "cannot write the cue sheet");
        return;
    }
    Log("CBurner::ConvertAndBurnWorker - Calling StartDAOBurn");
    LogTrackList();
    CDiscBurner::Job job;
    job.tracks = m_tracks;
    job.albumTitle = m_settings.albumTitle;
    job.performer = m_settings.performer;
    job.cdText = m_settings.cdText;
    job.simulate = m_settings.simulate;
    job.speed = m_settings.speed;
    if (!m_burner.Start(job)) {
        Finish(Outcome::BurnError, m_burner.LastError());
        return;
    }
    m_stage = Stage::Burning;
}

void CBurnSession::LogTrackList() const {
    const std::string rule(46, '-');
    Log(rule.c_str());
    long total = 0;
    for (size_t index = 0; index < m_tracks.size(); ++index) {
        LogFmt("   %d. %s [%ld]", static_cast<int>(index + 1), m_tracks[index].wavPath.c_str(),
               static_cast<long>(m_tracks[index].length));
        total += m_tracks[index].length;
    }
    LogFmt("   Total: %ld", total);
    Log(rule.c_str());
}

void CBurnSession::Abort() {
    Log("CBurner::AbortBurn  Enter");
    m_aborted = true;
    if (m_stage == Stage::Rendering) {
        m_render.Cancel();
        Poll();
    } else if (m_stage == Stage::Burning) {
        m_burner.Cancel();
    }
    Log("CBurner::AbortBurn  Exit");
}

double CBurnSession::Progress() const {
    switch (m_stage) {
    case Stage::Rendering:
        return 0.5 * m_render.Fraction();
    case Stage::Burning:
        return 0.5 + 0.5 * m_burner.Progress();
    case Stage::Finished:
        return m_outcome == Outcome::Success || m_outcome == Outcome::TestSuccess ? 1.0 : 0.0;
    case Stage::Idle:
        break;
    }
    return 0.0;
}

void CBurnSession::Finish(Outcome outcome, const std::string& error) {
    m_outcome = outcome;
    m_error = error;
    m_stage = Stage::Finished;
    if (!error.empty())
        LogFmt("BurnerWorker - failed: %s", error.c_str());
    m_render.RemoveFiles();
    std::remove((m_render.Folder() + CCueSheet::kFileName).c_str());
    Log("BurnerWorker - EXIT");
}
