#include "pianoroll/PRControllerLane.h"

#include "engine/CMidiControllerList.h"

#include <algorithm>
#include <cstdlib>

PRControllerLane::PRControllerLane(PRLaneType type, int controller)
    : m_type(type),
      m_controller(CMidiControllerList::IsValidController(controller) ? controller : kVolume) {}

bool PRControllerLane::IsPitchBend() const {
    return m_type == PRLaneType::kController && m_controller == CMidiControllerList::kPitchBend;
}

int PRControllerLane::Least() const {
    return IsVelocity() ? 1 : 0;
}

int PRControllerLane::Greatest() const {
    return IsVelocity() ? 127 : CMidiControllerList::MaxValueOf(m_controller);
}

int PRControllerLane::Base() const {
    return IsPitchBend() ? CMidiControllerList::kPitchBendCentre : Least();
}

int PRControllerLane::DrawingHeight(int laneHeight) {
    return std::max(1, laneHeight - kResizeStrip);
}

int PRControllerLane::ClampY(int y, int drawingHeight) {
    return std::clamp(y, 0, std::max(0, drawingHeight - 1));
}

int PRControllerLane::ValueAtY(int y, int drawingHeight) const {
    const int rows = drawingHeight - 1;
    if (rows <= 0)
        return Greatest();
    const long long span = Greatest() - Least();
    const int value = Greatest() - static_cast<int>(ClampY(y, drawingHeight) * span / rows);
    // The rows next to the bend's centre give the centre itself, so that a
    // stroke can always bring the pitch back home.
    const int centre = CMidiControllerList::kPitchBendCentre;
    if (IsPitchBend() && std::abs(value - centre) * static_cast<long long>(rows) <= span)
        return centre;
    return value;
}

int PRControllerLane::YOfValue(int value, int drawingHeight) const {
    const int rows = drawingHeight - 1;
    const int span = Greatest() - Least();
    if (rows <= 0 || span <= 0)
        return 0;
    const long long fromTop = Greatest() - std::clamp(value, Least(), Greatest());
    return static_cast<int>((fromTop * rows + span - 1) / span);
}

int PRControllerLane::ShownValue(int value) const {
    return IsPitchBend() ? value - CMidiControllerList::kPitchBendCentre : value;
}
