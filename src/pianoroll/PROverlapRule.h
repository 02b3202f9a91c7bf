#pragma once

// What becomes of another note of the same pitch when a note was added or
// changed to span [start, end): it goes when the note covers it, it is cut
// where the note overlaps it, and a longer note the new one lies within ends
// where the new one starts. All times are sound ms.
struct PROverlapAction {
    enum Kind { kKeep, kDelete, kSetEnd, kSetStart };
    Kind kind = kKeep;
    // The other note's new end (kSetEnd) or start (kSetStart).
    double ms = 0.0;

    bool operator==(const PROverlapAction&) const = default;
};

class PROverlapRule {
public:
    static PROverlapAction Resolve(double startMs, double endMs, double otherStartMs,
                                   double otherEndMs);
};
