#include "transport/CPlayerInfoBar.h"

#include "engine/TempoMap.h"
#include "gui/CSkin.h"
#include "gui/GuiTextLayout.h"
#include "support/LocalizedStrings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

CPlayerInfoBar::CPlayerInfoBar(int32_t width, int32_t height)
    : GuiTextPanel(width, height, kTextLeft | kTextVCenter) {
    SetTransparent(true);
    SetTextColor(CSkin::ColorOf("time-text-color"));
}

void CPlayerInfoBar::ShowPosition(const TempoMap& tempo, double heardMs, bool showTime) {
    const std::string tempoText = TempoText(tempo, heardMs);
    std::string text = PositionText(tempo, heardMs, showTime);
    if (!tempoText.empty())
        text += "\n" + tempoText;
    if (text != GetText())
        SetText(text);
}

std::string CPlayerInfoBar::PositionText(const TempoMap& tempo, double heardMs, bool showTime) {
    char text[64];
    if (showTime) {
        // To the nearest millisecond: the mixer counts frames, which seldom
        // fall on a whole millisecond.
        const long long ms = std::llround(std::clamp(heardMs, 0.0, 1e12));
        std::snprintf(text, sizeof(text), "%02lld:%02lld:%02lld.%03lld", ms / 3600000,
                      ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        return text;
    }
    int measure = 1, beat = 1;
    double fraction = 0.0;
    tempo.GetMeasureAndBeat(tempo.GetRealTime(std::max(0.0, heardMs)), &measure, &beat, &fraction);
    std::snprintf(text, sizeof(text), "%02d:%02d.%03d", measure, beat,
                  static_cast<int>(std::trunc(fraction * 1000.0)));
    return text;
}

std::string CPlayerInfoBar::TempoText(const TempoMap& tempo, double heardMs) {
    TempoEvent event;
    if (!tempo.GetTempoEventAtTime(tempo.GetRealTime(std::max(0.0, heardMs)), TempoMap::kAnyChange,
                                   &event))
        return {};
    const char* key = TempoMap::GetKeyStr(event.key);
    char text[128];
    std::snprintf(text, sizeof(text), "%.01f %s\n%d / %d   %s", event.tempo,
                  MyLoadString("BPM").c_str(), event.numerator, event.denominator, key ? key : "");
    return text;
}
