#include "engine/COneShotPlayer.h"

#include "engine/CSoundLoader.h"
#include "engine/WaveFormat.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

bool COneShotPlayer::Decode(const std::string& path, std::vector<float>& stereo,
                            std::string& reason) {
    stereo.clear();
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        reason = "no such file";
        return false;
    }
    const uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error || bytes > kMaxFileBytes) {
        reason = error ? error.message() : "the file is too large for a short sound";
        return false;
    }
    const LoadedSound loaded = CSoundLoader::Load(path, kMixerSampleRate);
    if (!loaded.data) {
        reason = loaded.error.empty() ? "not a sound file" : loaded.error;
        return false;
    }
    const int64_t frames = loaded.data->Frames();
    if (frames <= 0) {
        reason = "the file holds no sound";
        return false;
    }
    if (frames > static_cast<int64_t>(kMaxSeconds * kMixerSampleRate)) {
        reason = "longer than " + std::to_string(static_cast<int>(kMaxSeconds)) + " seconds";
        return false;
    }
    stereo.resize(static_cast<size_t>(frames) * 2);
    loaded.data->ReadStereo(0, frames, stereo.data());
    return true;
}

void COneShotPlayer::Start(std::vector<float> stereo) {
    m_stereo = std::move(stereo);
    m_next = 0;
}

void COneShotPlayer::MixInto(float* out, int frames) LOOMTONE_REALTIME {
    const int64_t count = std::min<int64_t>(frames, Frames() - m_next);
    if (count <= 0)
        return;
    const float* from = m_stereo.data() + m_next * 2;
    for (int64_t index = 0; index < count * 2; ++index)
        out[index] += from[index];
    m_next += count;
}
