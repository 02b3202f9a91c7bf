#include "burn/CCdImage.h"

#include "burn/CdAddress.h"
#include "support/Log.h"
#include "support/Paths.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kLineEnd = "\r\n";

// Cue sheet texts are quoted: a quote inside would end them early.
std::string Quoted(std::string text) {
    std::replace(text.begin(), text.end(), '"', '\'');
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return "\"" + text + "\"";
}

bool IsCatalog(const std::string& catalog) {
    return catalog.size() == 13 && std::all_of(catalog.begin(), catalog.end(), [](unsigned char c) {
               return std::isdigit(c) != 0;
           });
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

std::string CCdImage::BinPathFor(const std::string& cuePath) {
    return RemoveExtensionFromFile(cuePath) + ".bin";
}

std::string CCdImage::CleanIsrc(const std::string& isrc) {
    std::string clean;
    for (const unsigned char c : isrc) {
        if (c == '-' || c == ' ')
            continue;
        if (!std::isalnum(c))
            return "";
        clean.push_back(static_cast<char>(std::toupper(c)));
    }
    // Country and registrant may be letters or digits; year and number are digits.
    const bool digitsAtEnd =
        clean.size() == 12 && std::all_of(clean.begin() + 5, clean.end(),
                                          [](unsigned char c) { return std::isdigit(c) != 0; });
    return digitsAtEnd ? clean : "";
}

std::string CCdImage::CueText(const std::string& binName, const Disc& disc,
                              const std::vector<BurnTrack>& tracks,
                              const std::vector<int64_t>& startSectors) {
    std::string text;
    const auto line = [&text](const std::string& content) { text += content + kLineEnd; };
    if (IsCatalog(disc.catalog))
        line("CATALOG " + disc.catalog);
    if (!disc.performer.empty())
        line("PERFORMER " + Quoted(disc.performer));
    line("TITLE " + Quoted(disc.title));
    line("FILE " + Quoted(binName) + " BINARY");
    for (size_t index = 0; index < tracks.size(); ++index) {
        char number[16];
        std::snprintf(number, sizeof(number), "%02d", static_cast<int>(index + 1));
        line(std::string("  TRACK ") + number + " AUDIO");
        line("    TITLE " + Quoted(tracks[index].title));
        if (!disc.performer.empty())
            line("    PERFORMER " + Quoted(disc.performer));
        if (const std::string isrc = CleanIsrc(tracks[index].isrc); !isrc.empty())
            line("    ISRC " + isrc);
        const int64_t sector = index < startSectors.size() ? startSectors[index] : 0;
        line("    INDEX 01 " + CdAddress::Msf(sector));
    }
    return text;
}

bool CCdImage::AppendTrack(const std::string& wavPath, std::FILE* bin, int64_t& sectors) {
    SF_INFO info{};
    SNDFILE* wav = sf_open(wavPath.c_str(), SFM_READ, &info);
    if (!wav) {
        m_error = "cannot read the track file " + wavPath;
        return false;
    }
    if (info.samplerate != 44100 || info.channels != 2) {
        sf_close(wav);
        m_error = "the track file " + wavPath + " is not CD audio";
        return false;
    }
    std::vector<short> samples(static_cast<size_t>(CdAddress::kFramesPerSector) * 2 * 64);
    std::vector<unsigned char> bytes(samples.size() * 2);
    int64_t frames = 0;
    bool ok = true;
    while (ok) {
        const sf_count_t read =
            sf_readf_short(wav, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
        if (read <= 0)
            break;
        // CD audio is little-endian whatever the machine.
        const size_t count = static_cast<size_t>(read) * 2;
        for (size_t i = 0; i < count; ++i) {
            const auto value = static_cast<unsigned short>(samples[i]);
            bytes[2 * i] = static_cast<unsigned char>(value & 0xFF);
            bytes[2 * i + 1] = static_cast<unsigned char>(value >> 8);
        }
        ok = std::fwrite(bytes.data(), 1, count * 2, bin) == count * 2;
        frames += read;
    }
    sf_close(wav);
    const int64_t padFrames = (CdAddress::kFramesPerSector - frames % CdAddress::kFramesPerSector) %
                              CdAddress::kFramesPerSector;
    const std::vector<unsigned char> silence(static_cast<size_t>(padFrames) *
                                             CdAddress::kBytesPerFrame);
    if (ok && !silence.empty())
        ok = std::fwrite(silence.data(), 1, silence.size(), bin) == silence.size();
    if (!ok) {
        m_error = "cannot write the disc image";
        return false;
    }
    sectors = (frames + padFrames) / CdAddress::kFramesPerSector;
    return true;
}

bool CCdImage::Write(const std::string& cuePath, const Disc& disc,
                     const std::vector<BurnTrack>& tracks) {
    m_error.clear();
    const std::string binPath = BinPathFor(cuePath);
    const std::string binTemp = binPath + ".part";
    const std::string cueTemp = cuePath + ".part";
    std::FILE* bin = std::fopen(binTemp.c_str(), "wb");
    if (!bin) {
        m_error = "cannot write " + binPath;
        return false;
    }
    std::vector<int64_t> starts;
    int64_t sector = 0;
    bool ok = true;
    for (const BurnTrack& track : tracks) {
        starts.push_back(sector);
        int64_t sectors = 0;
        ok = AppendTrack(track.wavPath, bin, sectors);
        if (!ok)
            break;
        sector += sectors;
    }
    if (std::fclose(bin) != 0 && ok) {
        m_error = "cannot write " + binPath;
        ok = false;
    }
    if (ok && !WriteFile(cueTemp, CueText(ExtractFileName(binPath), disc, tracks, starts))) {
        m_error = "cannot write " + cuePath;
        ok = false;
    }
    if (ok && (std::rename(binTemp.c_str(), binPath.c_str()) != 0 ||
               std::rename(cueTemp.c_str(), cuePath.c_str()) != 0)) {
        m_error = "cannot put the disc image in place at " + cuePath;
        ok = false;
    }
    std::remove(binTemp.c_str());
    std::remove(cueTemp.c_str());
    LogFmt("CCdImage::Write %s: %s", cuePath.c_str(),
           ok ? ("done, " + std::to_string(sector) + " sectors").c_str() : m_error.c_str());
    return ok;
}
