#pragma once

#include <functional>
#include <optional>
#include <utility>

// Notices audio devices coming and going: each check counts the recording
// and playback devices and tells whether the counts differ from the last
// check's. The first check only takes the counts.
class CDeviceCheck {
public:
    // Recording and playback devices of the driver in use.
    using Counts = std::pair<int, int>;

    explicit CDeviceCheck(std::function<Counts()> count) : m_count(std::move(count)) {}

    // True when a count changed since the last check.
    bool Changed();

private:
    std::function<Counts()> m_count;
    std::optional<Counts> m_last;
};
