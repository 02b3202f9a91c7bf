#include "burn/CLibburnBurner.h"

#include "burn/CCdImage.h"
#include "burn/CdAddress.h"
#include "engine/CWaveChunks.h"
#include "support/Log.h"

#include <libburn.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

using namespace burn;

namespace {

// 1x CD speed in libburn's kilobytes (1000 bytes) per second.
constexpr int kCdSpeedKb = 176;

// CD-Text of the default character code is ISO-8859-1.
std::string Latin1Of(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
        } else if (c >= 0xC0) {
            // A character outside Latin-1: one question mark for its bytes.
            out.push_back('?');
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

void SetText(burn_track* track, const char* type, const std::string& text) {
    std::string payload = Latin1Of(text);
    burn_track_set_cdtext(track, 0, 0, const_cast<char*>(type),
                          reinterpret_cast<unsigned char*>(payload.data()),
                          static_cast<int>(payload.size()) + 1, 0);
}

void SetText(burn_session* session, const char* type, const std::string& text) {
    std::string payload = Latin1Of(text);
    burn_session_set_cdtext(session, 0, 0, const_cast<char*>(type),
                            reinterpret_cast<unsigned char*>(payload.data()),
                            static_cast<int>(payload.size()) + 1, 0);
}

} // namespace

CLibburnBurner::CLibburnBurner() {
    m_initialized = burn_initialize() == 1;
    if (!m_initialized) {
        m_error = "the CD writing library could not start";
        return;
    }
    // Messages are collected for the error text, never printed.
    burn_msgs_set_severities(const_cast<char*>("SORRY"), const_cast<char*>("NEVER"),
                             const_cast<char*>("libburn: "));
}

CLibburnBurner::~CLibburnBurner() {
    Close();
    if (m_initialized)
        burn_finish();
}

std::string CLibburnBurner::TakeMessages() {
    std::string messages;
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    int code = 0;
    int osErrno = 0;
    while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osErrno, severity) > 0) {
        LogFmt("libburn %s: %s", severity, text);
        if (!messages.empty())
            messages += "; ";
        messages += text;
    }
    return messages;
}

std::vector<CDiscBurner::Writer> CLibburnBurner::Writers() {
    std::vector<Writer> writers;
    if (!m_initialized || m_drive)
        return writers;
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    if (burn_drive_scan(&infos, &count) != 1) {
        TakeMessages();
        return writers;
    }
    for (unsigned int index = 0; index < count; ++index) {
        char address[BURN_DRIVE_ADR_LEN] = {};
        if (burn_drive_get_adr(&infos[index], address) <= 0)
            continue;
        writers.push_back(
            {address, std::string(infos[index].vendor) + " " + std::string(infos[index].product)});
    }
    for (unsigned int index = 0; index < count; ++index)
        burn_drive_info_forget(&infos[index], 0);
    burn_drive_info_free(infos);
    LogFmt("CLibburnBurner: %d writer(s) found", static_cast<int>(writers.size()));
    return writers;
}

bool CLibburnBurner::Open(const std::string& address) {
    Close();
    m_error.clear();
    if (!m_initialized) {
        m_error = "the CD writing library could not start";
        return false;
    }
    if (burn_drive_scan_and_grab(&m_driveInfos, const_cast<char*>(address.c_str()), 1) != 1) {
        m_driveInfos = nullptr;
        const std::string messages = TakeMessages();
        m_error = "the writer " + address + " cannot be used" +
                  (messages.empty() ? std::string() : ": " + messages);
        return false;
    }
    m_drive = m_driveInfos[0].drive;
    LogFmt("CLibburnBurner: opened %s (%s %s)", address.c_str(), m_driveInfos[0].vendor,
           m_driveInfos[0].product);
    return true;
}

void CLibburnBurner::Close() {
    if (m_drive && IsBurning()) {
        burn_drive_cancel(m_drive);
        while (burn_drive_get_status(m_drive, nullptr) != BURN_DRIVE_IDLE)
            usleep(100000);
    }
    FreeDisc();
    if (m_drive) {
        burn_drive_release(m_drive, m_started && m_eject && Succeeded() ? 1 : 0);
        m_drive = nullptr;
    }
    if (m_driveInfos) {
        burn_drive_info_free(m_driveInfos);
        m_driveInfos = nullptr;
    }
    m_started = false;
}

std::vector<int> CLibburnBurner::Speeds() {
    std::vector<int> speeds;
    if (!m_drive)
        return speeds;
    const int slowest = std::max(1, burn_drive_get_min_write_speed(m_drive) / kCdSpeedKb);
    const int fastest = burn_drive_get_write_speed(m_drive) / kCdSpeedKb;
    for (int speed = slowest; speed <= fastest; speed *= 2)
        speeds.push_back(speed);
    if (fastest > 0 && (speeds.empty() || speeds.back() != fastest))
        speeds.push_back(fastest);
    return speeds;
}

CDiscBurner::DiscState CLibburnBurner::Disc() {
    if (!m_drive)
        return DiscState::NoDisc;
    switch (burn_disc_get_status(m_drive)) {
    case BURN_DISC_BLANK:
        return DiscState::Blank;
    case BURN_DISC_APPENDABLE:
    case BURN_DISC_FULL:
        return DiscState::NotBlank;
    case BURN_DISC_EMPTY:
        return DiscState::NoDisc;
    default:
        return DiscState::Unsuitable;
    }
}

int32_t CLibburnBurner::CapacityMs() {
    if (!m_drive)
        return 0;
    burn_write_opts* options = burn_write_opts_new(m_drive);
    const off_t bytes = burn_disc_available_space(m_drive, options);
    burn_write_opts_free(options);
    // libburn counts data sectors of 2048 bytes; audio sectors hold 2352.
    const int64_t sectors = bytes / 2048;
    return sectors > 0 ? static_cast<int32_t>(std::min<int64_t>(
                             sectors * 1000 / CdAddress::kSectorsPerSecond, INT32_MAX))
                       : 0;
}

bool CLibburnBurner::BuildDisc(const Job& job) {
    m_disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_disc_add_session(m_disc, session, BURN_POS_END);
    for (const BurnTrack& item : job.tracks) {
        CWaveChunks chunks;
        const CWaveChunks::Chunk* data =
            chunks.ReadFile(item.wavPath) ? chunks.Find("data") : nullptr;
        const int fd = data ? open(item.wavPath.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        if (fd < 0 || lseek(fd, static_cast<off_t>(data->bodyOffset), SEEK_SET) < 0) {
            if (fd >= 0)
                close(fd);
            burn_session_free(session);
            m_error = "cannot read the track file " + item.wavPath;
            return false;
        }
        m_fds.push_back(fd);
        burn_track* track = burn_track_create();
        // Audio, padded with silence to the last whole sector.
        burn_track_define_data(track, 0, 0, 1, BURN_AUDIO);
        burn_source* source = burn_fd_source_new(fd, -1, static_cast<off_t>(data->presentSize));
        m_sources.push_back(source);
        burn_track_set_source(track, source);
        if (const std::string isrc = CCdImage::CleanIsrc(item.isrc); !isrc.empty()) {
            char code[13];
            std::memcpy(code, isrc.c_str(), sizeof(code));
            burn_track_set_isrc_string(track, code, 0);
        }
        if (job.cdText) {
            SetText(track, "TITLE", item.title);
            SetText(track, "PERFORMER", job.performer);
        }
        burn_session_add_track(session, track, BURN_POS_END);
        burn_track_free(track);
    }
    if (job.cdText) {
        SetText(session, "TITLE", job.albumTitle);
        SetText(session, "PERFORMER", job.performer);
    }
    burn_session_free(session);
    return true;
}

void CLibburnBurner::FreeDisc() {
    if (m_options) {
        burn_write_opts_free(m_options);
        m_options = nullptr;
    }
    if (m_disc) {
        burn_disc_free(m_disc);
        m_disc = nullptr;
    }
    for (burn_source* source : m_sources)
        burn_source_free(source);
    m_sources.clear();
    for (const int fd : m_fds)
        close(fd);
    m_fds.clear();
}

bool CLibburnBurner::Start(const Job& job) {
    m_error.clear();
    m_cancelled = false;
    m_lastProgress = 0.0;
    m_eject = job.ejectWhenDone;
    if (!m_drive || IsBurning()) {
        m_error = m_drive ? "the writer is busy" : "no writer is open";
        return false;
    }
    FreeDisc();
    TakeMessages();
    if (job.tracks.empty() || !BuildDisc(job)) {
        if (m_error.empty())
            m_error = "there is no track to burn";
        FreeDisc();
        return false;
    }
    m_options = burn_write_opts_new(m_drive);
    burn_write_opts_set_write_type(m_options, BURN_WRITE_SAO, BURN_BLOCK_SAO);
    burn_write_opts_set_simulate(m_options, job.simulate ? 1 : 0);
    burn_write_opts_set_underrun_proof(m_options, 1);
    burn_drive_set_speed(m_drive, 0, job.speed > 0 ? job.speed * kCdSpeedKb : 0);
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_precheck_write(m_options, m_disc, reasons, 1) != 1) {
        std::string why = reasons;
        // libburn ends each reason with a separator.
        while (!why.empty() && (why.back() == ' ' || why.back() == ','))
            why.pop_back();
        // Role 1 is a real drive; the others are files, which take data only.
        m_error = burn_drive_get_drive_role(m_drive) != 1
                      ? "this writer is a file, not a CD writer, and a file takes data only, "
                        "never audio tracks (" +
                            why + ")"
                      : "the writer refuses to burn this disc: " + why;
        LogFmt("CLibburnBurner::Start - %s", m_error.c_str());
        FreeDisc();
        return false;
    }
    LogFmt("CLibburnBurner::Start - disc-at-once burn of %d track(s)%s",
           static_cast<int>(job.tracks.size()), job.simulate ? ", simulated" : "");
    burn_disc_write(m_options, m_disc);
    m_started = true;
    return true;
}

bool CLibburnBurner::IsBurning() {
    return m_drive && burn_drive_get_status(m_drive, nullptr) != BURN_DRIVE_IDLE;
}

double CLibburnBurner::Progress() {
    if (!m_drive || !m_started)
        return 0.0;
    burn_progress progress{};
    if (burn_drive_get_status(m_drive, &progress) == BURN_DRIVE_IDLE)
        return Succeeded() ? 1.0 : m_lastProgress;
    if (progress.sectors > 0 && progress.sessions > 0)
        m_lastProgress =
            std::clamp(static_cast<double>(progress.sector) / progress.sectors, 0.0, 1.0);
    return m_lastProgress;
}

void CLibburnBurner::Cancel() {
    if (m_drive && IsBurning()) {
        m_cancelled = true;
        burn_drive_cancel(m_drive);
    }
}

bool CLibburnBurner::Succeeded() {
    if (!m_drive || !m_started || IsBurning())
        return false;
    const bool well = !m_cancelled && burn_drive_wrote_well(m_drive) == 1;
    if (!well && m_error.empty()) {
        const std::string messages = TakeMessages();
        m_error = m_cancelled ? "the burn was cancelled"
                              : "the burn failed" + (messages.empty() ? "" : ": " + messages);
    }
    return well;
}
