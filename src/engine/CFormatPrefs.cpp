#include "engine/CFormatPrefs.h"

#include "support/CRegKey.h"
#include "support/Log.h"

#include <functional>

namespace {

constexpr const char* kLastFileType = "lastRenderFileType";
constexpr const char* kWavBitDepth = "renderWavBitDepth";
constexpr const char* kMp3Bitrate = "renderMp3Bitrate";
constexpr const char* kWmaBitrate = "renderWmaBitrate";
constexpr const char* kOggQuality = "renderOggQuality";

// Takes a stored number only when it is present, a number, and accepted by the check.
void ReadChecked(const CRegKey& key, const char* name, int* field,
                 const std::function<bool(int32_t)>& accept) {
    int32_t value = 0;
    if (!key.SubKeyExists(name) || !key.GetKeyNum(name, &value))
        return;
    if (!accept(value)) {
        LogFmt("CFormatPrefs: ignoring %s = %d, out of range", name, value);
        return;
    }
    *field = value;
}

FormatKind WavKind(int bitDepth) {
    return bitDepth == 24   ? FormatKind::Wav24
           : bitDepth == 32 ? FormatKind::WavFloat
                            : FormatKind::Wav16;
}

} // namespace

bool CFormatPrefs::ReadFormatPrefs(const std::string& keyPath) {
    CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> key = root.GetSubKey(keyPath);
    if (!key)
        return false;
    int fileType = static_cast<int>(lastFileType);
    ReadChecked(*key, kLastFileType, &fileType, [](int32_t v) { return v >= 0 && v <= 3; });
    lastFileType = static_cast<ConversionType>(fileType);
    ReadChecked(*key, kWavBitDepth, &wavBitDepth,
                [](int32_t v) { return v == 16 || v == 24 || v == 32; });
    ReadChecked(*key, kMp3Bitrate, &mp3Bitrate, FormatDetails::IsMp3Bitrate);
    ReadChecked(*key, kWmaBitrate, &wmaBitrate, FormatDetails::IsWmaBitrate);
    ReadChecked(*key, kOggQuality, &oggQuality,
                [](int32_t v) { return v >= 0 && v <= FormatDetails::kMaxOggQuality; });
    return true;
}

bool CFormatPrefs::SaveFormatPrefs(const std::string& keyPath) const {
    CRegKey root(RegRoot::CurrentUser);
    const std::unique_ptr<CRegKey> key = root.CreateSubKey(keyPath);
    if (!key) {
        LogFmt("CFormatPrefs::SaveFormatPrefs failed on CreateSubKey(%s) - returning false!",
               keyPath.c_str());
        return false;
    }
    const bool written =
        key->SetKeyNum(kLastFileType, static_cast<int32_t>(lastFileType)) &&
        key->SetKeyNum(kWavBitDepth, wavBitDepth) && key->SetKeyNum(kMp3Bitrate, mp3Bitrate) &&
        key->SetKeyNum(kWmaBitrate, wmaBitrate) && key->SetKeyNum(kOggQuality, oggQuality);
    if (!written || !key->Flush()) {
        LogFmt("CFormatPrefs::SaveFormatPrefs failed on writing %s - returning false!",
               keyPath.c_str());
        return false;
    }
    return true;
}

FormatDetails CFormatPrefs::DetailsFor(ConversionType type, int sampleRate, int channels) const {
    FormatDetails details;
    details.sampleRate = sampleRate;
    details.channels = channels;
    switch (type) {
    case ConversionType::Wav:
        details.kind = WavKind(wavBitDepth);
        break;
    case ConversionType::Mp3:
        details.kind = FormatKind::Mp3;
        details.bitrateKbps = mp3Bitrate;
        break;
    case ConversionType::Wma:
        details.kind = FormatKind::Wma;
        details.bitrateKbps = wmaBitrate;
        break;
    case ConversionType::Ogg:
        details.kind = FormatKind::Ogg;
        details.oggQuality = oggQuality;
        break;
    }
    return details;
}
