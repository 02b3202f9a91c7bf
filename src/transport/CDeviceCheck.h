#pragma once

#include <functional>
#include <optional>
#include <utility>

// Notices audio devices coming and going. Each check counts the recording
// and playback devices and tells whether the counts differ from the last
// check's (the first check only takes them). It also notices the device in
// use stopping on its own (a JACK server that went away, a card pulled out)
// and from then on tries to open it again at every check until it runs.
class CDeviceCheck {
public:
    // Recording and playback devices of the driver in use.
    using Counts = std::pair<int, int>;

    struct Hooks {
        std::function<Counts()> count;
        // Whether the device in use stopped on its own.
        std::function<bool()> failed;
        // Opens the chosen devices again; true when they run.
        std::function<bool()> reopen;
    };
    enum class Event { kNone, kCountsChanged, kDeviceLost, kDeviceBack };

    explicit CDeviceCheck(Hooks hooks) : m_hooks(std::move(hooks)) {}

    Event Check();
    bool IsDeviceLost() const { return m_lost; }
    // After the user chose other devices: the next check takes the counts
    // afresh, and nothing is lost.
    void Rebase();

private:
    bool CountsChanged();

    Hooks m_hooks;
    std::optional<Counts> m_last;
    bool m_lost = false;
};
