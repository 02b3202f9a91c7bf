#pragma once

#include <vector>

// One controller event of a MIDI sound: at `time` (ms from the sound's start)
// the controller takes `value` on `channel`.
struct MidiControllerEvent {
    double time = 0.0;
    int value = 0;
    int channel = 0;

    bool operator==(const MidiControllerEvent&) const = default;
};

// The events of one controller kind of a CMidiSound, sorted by time (events
// at the same time keep the order they were added in). Kinds: 0..127 the MIDI
// control changes, kProgramChange, kChannelPressure and kPitchBend. Changed
// only through the sound, under its lock.
class CMidiControllerList {
public:
    static constexpr int kProgramChange = 129;
    static constexpr int kChannelPressure = 130;
    static constexpr int kPitchBend = 131;
    static constexpr int kPitchBendCentre = 8192;

    static bool IsValidController(int controller);
    // Greatest value of a kind: 16383 for pitch bend, else 127. Least is 0.
    static int MaxValueOf(int controller);
    // Valid for this kind: time finite and not negative, value in range,
    // channel 0..15.
    static bool IsValidEvent(int controller, const MidiControllerEvent& event);

    explicit CMidiControllerList(int controller) : m_controller(controller) {}

    int Controller() const { return m_controller; }
    int Count() const { return static_cast<int>(m_events.size()); }
    // Null for a bad index.
    const MidiControllerEvent* GetEvent(int index) const;
    const std::vector<MidiControllerEvent>& Events() const { return m_events; }
    int MinValue() const { return 0; }
    int MaxValue() const { return MaxValueOf(m_controller); }

    // Inserts in time order; returns the event's index.
    int Insert(const MidiControllerEvent& event);
    bool Remove(int index);
    // Exchanges the events with another list of the same kind.
    void SwapEvents(CMidiControllerList& other) { m_events.swap(other.m_events); }

private:
    int m_controller;
    std::vector<MidiControllerEvent> m_events;
};
