#include "project/CWaveformColumns.h"

#include "engine/WaveFormat.h"

#include <algorithm>
#include <cmath>

std::span<const PeakRange> CWaveformColumns::Columns(const View& view, int32_t left,
                                                     int32_t right) {
    left = std::max(left, 0);
    right = std::min(right, view.width);
    if (!view.peaks || left >= right)
        return {};
    if (view.width > kMaxColumns) {
        if (!Compute(view, left, right, m_part))
            return {};
        return m_part;
    }
    if (!(view == m_view)) {
        m_view = view;
        if (!Compute(view, 0, view.width, m_columns))
            m_columns.clear();
    }
    if (static_cast<size_t>(right) > m_columns.size())
        return {};
    return std::span<const PeakRange>(m_columns).subspan(static_cast<size_t>(left),
                                                         static_cast<size_t>(right - left));
}

bool CWaveformColumns::Compute(const View& view, int32_t left, int32_t right,
                               std::vector<PeakRange>& columns) {
    const double framesPerMs = kMixerSampleRate / 1000.0;
    const double msPerPixel = view.lengthMs / view.width;
    const double firstMs = view.offsetMs + left * msPerPixel * view.rate;
    const double lastMs = view.offsetMs + right * msPerPixel * view.rate;
    const auto startFrame = static_cast<int64_t>(std::fmax(firstMs * framesPerMs, 0.0));
    const auto endFrame =
        std::min<int64_t>(static_cast<int64_t>(lastMs * framesPerMs), view.peaks->Frames());
    if (endFrame <= startFrame)
        return false;
    columns.assign(static_cast<size_t>(right - left), PeakRange{});
    return view.peaks->Query(0, startFrame, endFrame, std::span<PeakRange>(columns));
}
