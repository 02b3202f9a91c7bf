#pragma once

// Plays the project from a position and stops it again, for the marker
// dialog's play button. The transport provides it; without one the button
// stays disabled. Positions are heard (tempo-adjusted) milliseconds.
class MarkerPlayer {
public:
    virtual ~MarkerPlayer() = default;

    virtual bool PlayFrom(double heardMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
};
