#pragma once

#include "gui/GuiTextPanel.h"

#include <string>

class TempoMap;

// The master bar's read-out: the play position, as time or as measure and
// beat, and the tempo, time signature and key there.
class CPlayerInfoBar : public GuiTextPanel {
public:
    CPlayerInfoBar(int32_t width, int32_t height);

    // heardMs: the heard (tempo-adjusted) position; showTime: hours,
    // minutes, seconds and milliseconds rather than measure and beat.
    void ShowPosition(const TempoMap& tempo, double heardMs, bool showTime);

    // "hh:mm:ss.mmm" of the heard time, or "mm:bb.fff" of the measure, beat
    // and thousandths of the beat at the reference time it corresponds to.
    static std::string PositionText(const TempoMap& tempo, double heardMs, bool showTime);
    // The tempo, the signature and the key in effect at the position; empty
    // when the map has no event there.
    static std::string TempoText(const TempoMap& tempo, double heardMs);
};
