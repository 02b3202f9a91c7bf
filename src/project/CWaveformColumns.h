#pragma once

#include "engine/CPeaks.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// A clip's waveform as one peak range per pixel column of the clip. The
// columns of a clip that fits kMaxColumns are worked out once for the whole
// clip and kept until the picture changes (other peaks, width, offset,
// length or rate), so that a repaint only draws them; every part of the clip
// then shows the same columns, however the repaint cuts it up. Wider clips
// are worked out for the part asked for only.
class CWaveformColumns {
public:
    static constexpr int32_t kMaxColumns = 1 << 16;

    // What the columns show: the sound from offsetMs on, played at rate,
    // lengthMs of it spread over width pixels.
    struct View {
        // Held, so that new peaks at the address of freed ones are not
        // taken for the same.
        std::shared_ptr<const CPeaks> peaks;
        int32_t width = 0;
        double offsetMs = 0.0;
        double lengthMs = 0.0;
        double rate = 1.0;
        bool operator==(const View&) const = default;
    };

    // The columns [left, right) of the view (clipped to its width); empty
    // when that part holds no sound.
    std::span<const PeakRange> Columns(const View& view, int32_t left, int32_t right);

private:
    static bool Compute(const View& view, int32_t left, int32_t right,
                        std::vector<PeakRange>& columns);

    View m_view;
    std::vector<PeakRange> m_columns;
    std::vector<PeakRange> m_part;
};
