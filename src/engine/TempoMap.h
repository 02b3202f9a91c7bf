#pragma once

#include "engine/TempoEvent.h"

#include <vector>

// The project's tempo, key and time-signature changes, and the conversions
// they imply.
//
// Two time lines are involved. Reference time ("real" time in the names of
// the operations) is time as if the whole piece ran at the reference tempo of
// 120 beats per minute: every beat lasts 500 ms, whatever the time
// signature's beat unit. Event times, clip positions that follow the tempo
// map, and all musical arithmetic (measures, beats, snapping) use it.
// Tempo-adjusted time is the time actually heard: a stretch of reference time
// at tempo T lasts 120 / T times as long. The timeline shows tempo-adjusted
// time. GetTempoAdjustedTime maps reference to tempo-adjusted time and
// GetRealTime maps back.
//
// Before the first event, and for a kind of change no event has made yet, the
// defaults apply: 120 beats per minute, 4/4, key 3 (C major). Before time 0
// the tempo and signature in effect at 0 continue backwards.
//
// Measures are counted from 1 at time 0. A time-signature change starts a new
// measure; when it falls inside a measure, that measure ends short there.
//
// Not locked: change it under the mixer's lock, which its readers hold.
class TempoMap {
public:
    static constexpr double kReferenceTempo = 120.0;
    static constexpr double kReferenceBeatMs = 60000.0 / kReferenceTempo;
    static constexpr int kDefaultKey = 3;
    static constexpr int kKeyCount = 24;
    // Event times are stored in 32-bit milliseconds in project files.
    static constexpr double kMaxEventTime = 2147483647.0;
    // Times asked about are clamped to +-kMaxQueryTime (and NaN taken as 0),
    // which keeps measure numbers within an int.
    static constexpr double kMaxQueryTime = 1e11;

    // Kinds of change for GetTempoEventAtTime.
    enum EventType { kAnyChange = 0, kTempoChange = 1, kKeyChange = 2, kTimeSigChange = 3 };

    TempoMap();

    // Events are kept in time order, at most one per time. Adding refuses
    // (-1) an invalid event or one at the time of an existing event; else the
    // new event's index.
    int AddEvent(const TempoEvent& event);
    // Replaces event i; the event may move to a new index, which is returned.
    // -1 (nothing changed) for a bad index, an invalid event, or a time taken
    // by another event.
    int ReplaceEvent(int index, const TempoEvent& event);
    bool RemoveEvent(int index);
    void RemoveAllEvents();
    // Replaces every event at once, the map rebuilt a single time (adding
    // events one by one rebuilds it after each). False, leaving no event,
    // when one is invalid or two share a time.
    bool SetEvents(std::vector<TempoEvent> events);
    int NumEvents() const { return static_cast<int>(m_events.size()); }
    // False for a bad index.
    bool GetEvent(int index, TempoEvent* event) const;
    // Index of the event at exactly that time, -1 when none.
    int FindEventAtTime(double time) const;

    // A valid event: time from 0 to kMaxEventTime, setting at least 1, and
    // each field whose change flag is set within range: tempo finite in
    // 1..999, key within the key table, numerator at least 1, denominator a
    // power of two from 1 to 64.
    static bool IsValidEvent(const TempoEvent& event);

    // Reference -> tempo-adjusted milliseconds, and back.
    double GetTempoAdjustedTime(double realTime) const;
    double GetRealTime(double tempoAdjustedTime) const;

    // Position of a reference time: measure and beat counted from 1, and the
    // fraction of the beat (0 <= fraction < 1). Times before 0 give measures
    // of 0 or less.
    void GetMeasureAndBeat(double realTime, int* measure, int* beat, double* fraction) const;
    // Reference time of a measure, beat (from 1) and beat fraction.
    double GetTimeAtMeasureAndBeat(int measure, int beat, double fraction) const;

    double GetTempoAtTime(double realTime) const;
    int GetKeyAtTime(double realTime) const;
    void GetTimeSignatureAtTime(double realTime, int* numerator, int* denominator) const;

    // The last event at or before the time that makes a change of the given
    // type (any event for kAnyChange). The copy carries that event's time,
    // flags and setting, and the tempo, key and time signature in effect at
    // the time asked for. False when there is no such event.
    bool GetTempoEventAtTime(double realTime, int type, TempoEvent* event) const;

    // Time of the nearest event strictly before / after the time; false when none.
    bool GetPreviousMarkerBeforeTime(double realTime, double* markerTime) const;
    bool GetNextMarkerAfterTime(double realTime, double* markerTime) const;

    // Key table: 0..11 major keys from A upwards in semitones (3 = C major),
    // 12..23 the minor keys with the same roots. Null for an index outside it.
    static const char* GetKeyStr(int key);
    static bool IsValidKey(int key) { return key >= 0 && key < kKeyCount; }
    // Pitch class of the key's root, 0 = C .. 11 = B; -1 outside the table.
    static int GetKeyRoot(int key);

private:
    // Stretch of constant tempo, starting at an event time (or at 0).
    struct TempoSegment {
        double realStart;
        double adjustedStart;
        double tempo;
    };
    // Stretch of constant time signature; its first measure starts at realStart.
    struct MeterSegment {
        double realStart;
        int firstMeasure;
        int numerator;
        int denominator;
    };

    bool TimeTakenByOther(double time, int except) const;
    int InsertSorted(const TempoEvent& event);
    void Rebuild();
    void RebuildTempoSegments();
    void RebuildMeterSegments();
    const TempoSegment& TempoSegmentAtReal(double realTime) const;
    const TempoSegment& TempoSegmentAtAdjusted(double adjustedTime) const;
    const MeterSegment& MeterSegmentAtReal(double realTime) const;
    const MeterSegment& MeterSegmentOfMeasure(int measure) const;

    std::vector<TempoEvent> m_events;
    // Derived from m_events; never empty, the first segment starts at 0.
    std::vector<TempoSegment> m_tempoSegments;
    std::vector<MeterSegment> m_meterSegments;
};
