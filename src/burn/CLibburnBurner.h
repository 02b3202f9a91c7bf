#pragma once

#include "burn/CDiscBurner.h"

#include <string>
#include <vector>

namespace burn {
struct burn_drive;
struct burn_drive_info;
struct burn_disc;
struct burn_write_opts;
struct burn_source;
} // namespace burn

// CD writers through libburn. Audio tracks are burned disc-at-once (SAO)
// from the tracks' WAV files, with CD-Text and ISRCs when asked. A
// "stdio:" address opens libburn's file pseudo-drive, which writes data
// only: it refuses audio, and Start says why.
class CLibburnBurner : public CDiscBurner {
public:
    CLibburnBurner();
    ~CLibburnBurner() override;
    CLibburnBurner(const CLibburnBurner&) = delete;
    CLibburnBurner& operator=(const CLibburnBurner&) = delete;

    std::vector<Writer> Writers() override;
    bool Open(const std::string& address) override;
    void Close() override;
    std::vector<int> Speeds() override;
    DiscState Disc() override;
    int32_t CapacityMs() override;
    bool Start(const Job& job) override;
    bool IsBurning() override;
    double Progress() override;
    void Cancel() override;
    bool Succeeded() override;
    std::string LastError() override { return m_error; }

private:
    bool BuildDisc(const Job& job);
    void AddCdText(const Job& job);
    void FreeDisc();
    // The libburn messages queued since the last call, for the error text.
    std::string TakeMessages();

    bool m_initialized = false;
    burn::burn_drive_info* m_driveInfos = nullptr;
    burn::burn_drive* m_drive = nullptr;
    burn::burn_disc* m_disc = nullptr;
    burn::burn_write_opts* m_options = nullptr;
    std::vector<burn::burn_source*> m_sources;
    std::vector<int> m_fds;
    bool m_started = false;
    bool m_cancelled = false;
    bool m_eject = true;
    double m_lastProgress = 0.0;
    std::string m_error;
};
