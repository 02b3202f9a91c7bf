#include "engine/FormatDetails.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::array<int, 14> kMp3Bitrates = {32,  40,  48,  56,  64,  80,  96,
                                              112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 7> kWmaBitrates = {32, 48, 64, 96, 128, 160, 192};

bool Fail(std::string* reason, const char* text) {
    if (reason)
        *reason = text;
    return false;
}

bool IsMpeg1Rate(int rate) {
    return rate == 32000 || rate == 44100 || rate == 48000;
}

} // namespace

FormatDetails FormatDetails::FrozenTrack(int sampleRate, int channels) {
    FormatDetails details;
    details.kind = FormatKind::WavFloat;
    details.sampleRate = sampleRate;
    details.channels = channels;
    details.writeTags = false;
    return details;
}

bool FormatDetails::IsMp3Bitrate(int kbps) {
    return std::find(kMp3Bitrates.begin(), kMp3Bitrates.end(), kbps) != kMp3Bitrates.end();
}

bool FormatDetails::IsWmaBitrate(int kbps) {
    return std::find(kWmaBitrates.begin(), kWmaBitrates.end(), kbps) != kWmaBitrates.end();
}

bool FormatDetails::Validate(std::string* reason) const {
    if (sampleRate < kMinRate || sampleRate > kMaxRate)
        return Fail(reason, "sample rate out of range");
    if (channels < 1 || channels > kMaxChannels)
        return Fail(reason, "channel count out of range");
    switch (kind) {
    case FormatKind::Wav16:
    case FormatKind::Wav24:
    case FormatKind::WavFloat:
        return true;
    case FormatKind::Mp3:
        if (channels > 2)
            return Fail(reason, "MP3 holds at most two channels");
        if (!IsMpeg1Rate(sampleRate))
            return Fail(reason, "MP3 needs 32000, 44100 or 48000 Hz");
        if (!IsMp3Bitrate(bitrateKbps))
            return Fail(reason, "not an MP3 bit rate");
        return true;
    case FormatKind::Ogg:
        if (oggQuality < 0 || oggQuality > kMaxOggQuality)
            return Fail(reason, "OGG quality out of range");
        return true;
    case FormatKind::Wma:
        if (channels > 2)
            return Fail(reason, "WMA holds at most two channels");
        if (sampleRate > 48000)
            return Fail(reason, "WMA needs at most 48000 Hz");
        if (!IsWmaBitrate(bitrateKbps))
            return Fail(reason, "not a WMA bit rate");
        return true;
    }
    return Fail(reason, "unknown format kind");
}

ConversionType FormatDetails::Conversion() const {
    switch (kind) {
    case FormatKind::Mp3:
        return ConversionType::Mp3;
    case FormatKind::Ogg:
        return ConversionType::Ogg;
    case FormatKind::Wma:
        return ConversionType::Wma;
    default:
        return ConversionType::Wav;
    }
}

const char* FormatDetails::KindName() const {
    switch (kind) {
    case FormatKind::Wav16:
        return "WAV 16-bit";
    case FormatKind::Wav24:
        return "WAV 24-bit";
    case FormatKind::WavFloat:
        return "WAV float";
    case FormatKind::Mp3:
        return "MP3";
    case FormatKind::Ogg:
        return "OGG";
    case FormatKind::Wma:
        return "WMA";
    }
    return "unknown";
}

const char* FormatDetails::Extension() const {
    switch (Conversion()) {
    case ConversionType::Mp3:
        return "MP3";
    case ConversionType::Ogg:
        return "OGG";
    case ConversionType::Wma:
        return "WMA";
    case ConversionType::Wav:
        break;
    }
    return "WAV";
}

bool ConversionTypeForExtension(const std::string& extension, ConversionType* type) {
    std::string upper = extension;
    if (!upper.empty() && upper.front() == '.')
        upper.erase(0, 1);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static constexpr std::array<std::pair<const char*, ConversionType>, 4> kTypes = {{
        {"WAV", ConversionType::Wav},
        {"MP3", ConversionType::Mp3},
        {"WMA", ConversionType::Wma},
        {"OGG", ConversionType::Ogg},
    }};
    for (const auto& [name, value] : kTypes) {
        if (upper == name) {
            *type = value;
            return true;
        }
    }
    return false;
}
