#include "engine/TempoMap.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kKeyNames[TempoMap::kKeyCount] = {
    "A",  "Bb",  "B",  "C",  "Db",  "D",  "Eb",  "E",  "F",  "F#",  "G",  "Ab",
    "Am", "Bbm", "Bm", "Cm", "C#m", "Dm", "Ebm", "Em", "Fm", "F#m", "Gm", "G#m"};

// Beat counts computed from round millisecond values can come out a hair
// below a whole number; treat those as the whole number.
constexpr double kBeatEpsilon = 1e-9;

double SaneTime(double time) {
    if (std::isnan(time))
        return 0.0;
    return std::clamp(time, -TempoMap::kMaxQueryTime, TempoMap::kMaxQueryTime);
}

bool IsPowerOfTwoUpTo64(int value) {
    return value >= 1 && value <= 64 && (value & (value - 1)) == 0;
}

double SnapToWhole(double beats) {
    const double whole = std::round(beats);
    return std::fabs(beats - whole) < kBeatEpsilon ? whole : beats;
}

} // namespace

TempoMap::TempoMap() {
    Rebuild();
}

bool TempoMap::IsValidEvent(const TempoEvent& event) {
    if (!(event.time >= 0.0 && event.time <= kMaxEventTime) || event.setting < 1)
        return false;
    if (event.tempoChange && !(event.tempo >= 1.0 && event.tempo <= 999.0))
        return false;
    if (event.keyChange && !IsValidKey(event.key))
        return false;
    if (event.timeSigChange && (event.numerator < 1 || !IsPowerOfTwoUpTo64(event.denominator)))
        return false;
    return true;
}

int TempoMap::AddEvent(const TempoEvent& event) {
    if (!IsValidEvent(event) || TimeTakenByOther(event.time, -1))
        return -1;
    const int index = InsertSorted(event);
    Rebuild();
    return index;
}

int TempoMap::ReplaceEvent(int index, const TempoEvent& event) {
    if (index < 0 || index >= NumEvents() || !IsValidEvent(event) ||
        TimeTakenByOther(event.time, index))
        return -1;
    m_events.erase(m_events.begin() + index);
    const int newIndex = InsertSorted(event);
    Rebuild();
    return newIndex;
}

bool TempoMap::RemoveEvent(int index) {
    if (index < 0 || index >= NumEvents())
        return false;
    m_events.erase(m_events.begin() + index);
    Rebuild();
    return true;
}

void TempoMap::RemoveAllEvents() {
    m_events.clear();
    Rebuild();
}

bool TempoMap::SetEvents(std::vector<TempoEvent> events) {
    std::stable_sort(events.begin(), events.end(),
                     [](const TempoEvent& a, const TempoEvent& b) { return a.time < b.time; });
    const bool valid = std::all_of(events.begin(), events.end(), IsValidEvent) &&
                       std::adjacent_find(events.begin(), events.end(),
                                          [](const TempoEvent& a, const TempoEvent& b) {
                                              return a.time == b.time;
                                          }) == events.end();
    m_events = valid ? std::move(events) : std::vector<TempoEvent>{};
    Rebuild();
    return valid;
}

bool TempoMap::GetEvent(int index, TempoEvent* event) const {
    if (index < 0 || index >= NumEvents())
        return false;
    *event = m_events[index];
    return true;
}

int TempoMap::FindEventAtTime(double time) const {
    for (int i = 0; i < NumEvents(); ++i) {
        if (m_events[i].time == time)
            return i;
    }
    return -1;
}

bool TempoMap::TimeTakenByOther(double time, int except) const {
    const int found = FindEventAtTime(time);
    return found >= 0 && found != except;
}

int TempoMap::InsertSorted(const TempoEvent& event) {
    const auto at =
        std::upper_bound(m_events.begin(), m_events.end(), event.time,
                         [](double time, const TempoEvent& other) { return time < other.time; });
    const auto inserted = m_events.insert(at, event);
    return static_cast<int>(inserted - m_events.begin());
}

void TempoMap::Rebuild() {
    RebuildTempoSegments();
    RebuildMeterSegments();
}

void TempoMap::RebuildTempoSegments() {
    m_tempoSegments.assign(1, TempoSegment{0.0, 0.0, kReferenceTempo});
    for (const TempoEvent& event : m_events) {
        if (!event.tempoChange)
            continue;
        TempoSegment& last = m_tempoSegments.back();
        if (event.time == last.realStart) {
            last.tempo = event.tempo;
            continue;
        }
        const double adjusted =
            last.adjustedStart + (event.time - last.realStart) * kReferenceTempo / last.tempo;
        m_tempoSegments.push_back({event.time, adjusted, event.tempo});
    }
}

void TempoMap::RebuildMeterSegments() {
    m_meterSegments.assign(1, MeterSegment{0.0, 1, 4, 4});
    for (const TempoEvent& event : m_events) {
        if (!event.timeSigChange)
            continue;
        MeterSegment& last = m_meterSegments.back();
        if (event.time == last.realStart) {
            last.numerator = event.numerator;
            last.denominator = event.denominator;
            continue;
        }
        // A measure cut short by the change still counts as a measure.
        const double measures = (event.time - last.realStart) / kReferenceBeatMs / last.numerator;
        const int elapsed = std::max(1, static_cast<int>(std::ceil(measures - kBeatEpsilon)));
        m_meterSegments.push_back(
            {event.time, last.firstMeasure + elapsed, event.numerator, event.denominator});
    }
}

const TempoMap::TempoSegment& TempoMap::TempoSegmentAtReal(double realTime) const {
    const auto after = std::upper_bound(
        m_tempoSegments.begin() + 1, m_tempoSegments.end(), realTime,
        [](double time, const TempoSegment& segment) { return time < segment.realStart; });
    return *(after - 1);
}

const TempoMap::TempoSegment& TempoMap::TempoSegmentAtAdjusted(double adjustedTime) const {
    const auto after = std::upper_bound(
        m_tempoSegments.begin() + 1, m_tempoSegments.end(), adjustedTime,
        [](double time, const TempoSegment& segment) { return time < segment.adjustedStart; });
    return *(after - 1);
}

const TempoMap::MeterSegment& TempoMap::MeterSegmentAtReal(double realTime) const {
    const auto after = std::upper_bound(
        m_meterSegments.begin() + 1, m_meterSegments.end(), realTime,
        [](double time, const MeterSegment& segment) { return time < segment.realStart; });
    return *(after - 1);
}

const TempoMap::MeterSegment& TempoMap::MeterSegmentOfMeasure(int measure) const {
    const auto after = std::upper_bound(
        m_meterSegments.begin() + 1, m_meterSegments.end(), measure,
        [](int m, const MeterSegment& segment) { return m < segment.firstMeasure; });
    return *(after - 1);
}

double TempoMap::GetTempoAdjustedTime(double realTime) const {
    realTime = SaneTime(realTime);
    const TempoSegment& segment = TempoSegmentAtReal(realTime);
    return segment.adjustedStart + (realTime - segment.realStart) * kReferenceTempo / segment.tempo;
}

double TempoMap::GetRealTime(double tempoAdjustedTime) const {
    tempoAdjustedTime = SaneTime(tempoAdjustedTime);
    const TempoSegment& segment = TempoSegmentAtAdjusted(tempoAdjustedTime);
    return segment.realStart +
           (tempoAdjustedTime - segment.adjustedStart) * segment.tempo / kReferenceTempo;
}

void TempoMap::GetMeasureAndBeat(double realTime, int* measure, int* beat, double* fraction) const {
    realTime = SaneTime(realTime);
    const MeterSegment& segment = MeterSegmentAtReal(realTime);
    const double beats = SnapToWhole((realTime - segment.realStart) / kReferenceBeatMs);
    const double whole = std::floor(beats);
    const auto wholeBeats = static_cast<long long>(whole);
    const long long perMeasure = segment.numerator;
    // Floor division, so that times before 0 count backwards from measure 1.
    long long measures = wholeBeats / perMeasure;
    long long beatIndex = wholeBeats % perMeasure;
    if (beatIndex < 0) {
        beatIndex += perMeasure;
        --measures;
    }
    *measure = segment.firstMeasure + static_cast<int>(measures);
    *beat = static_cast<int>(beatIndex) + 1;
    *fraction = beats - whole;
}

double TempoMap::GetTimeAtMeasureAndBeat(int measure, int beat, double fraction) const {
    const MeterSegment& segment = MeterSegmentOfMeasure(measure);
    const double beats = (static_cast<double>(measure) - segment.firstMeasure) * segment.numerator +
                         (static_cast<double>(beat) - 1.0) + fraction;
    return segment.realStart + beats * kReferenceBeatMs;
}

double TempoMap::GetTempoAtTime(double realTime) const {
    return TempoSegmentAtReal(SaneTime(realTime)).tempo;
}

int TempoMap::GetKeyAtTime(double realTime) const {
    realTime = std::max(0.0, SaneTime(realTime));
    int key = kDefaultKey;
    for (const TempoEvent& event : m_events) {
        if (event.time > realTime)
            break;
        if (event.keyChange)
            key = event.key;
    }
    return key;
}

void TempoMap::GetTimeSignatureAtTime(double realTime, int* numerator, int* denominator) const {
    const MeterSegment& segment = MeterSegmentAtReal(SaneTime(realTime));
    *numerator = segment.numerator;
    *denominator = segment.denominator;
}

bool TempoMap::GetTempoEventAtTime(double realTime, int type, TempoEvent* event) const {
    realTime = SaneTime(realTime);
    const TempoEvent* found = nullptr;
    for (const TempoEvent& candidate : m_events) {
        if (candidate.time > realTime)
            break;
        const bool matches = type == kAnyChange ||
                             (type == kTempoChange && candidate.tempoChange) ||
                             (type == kKeyChange && candidate.keyChange) ||
                             (type == kTimeSigChange && candidate.timeSigChange);
        if (matches)
            found = &candidate;
    }
    if (!found)
        return false;
    *event = *found;
    event->tempo = GetTempoAtTime(realTime);
    event->key = GetKeyAtTime(realTime);
    GetTimeSignatureAtTime(realTime, &event->numerator, &event->denominator);
    return true;
}

bool TempoMap::GetPreviousMarkerBeforeTime(double realTime, double* markerTime) const {
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->time < realTime) {
            *markerTime = it->time;
            return true;
        }
    }
    return false;
}

bool TempoMap::GetNextMarkerAfterTime(double realTime, double* markerTime) const {
    for (const TempoEvent& event : m_events) {
        if (event.time > realTime) {
            *markerTime = event.time;
            return true;
        }
    }
    return false;
}

const char* TempoMap::GetKeyStr(int key) {
    return IsValidKey(key) ? kKeyNames[key] : nullptr;
}

int TempoMap::GetKeyRoot(int key) {
    // Index 0 is A, nine semitones above C.
    return IsValidKey(key) ? (key % 12 + 9) % 12 : -1;
}
