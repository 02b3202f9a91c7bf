#include "pianoroll/PROverlapRule.h"

PROverlapAction PROverlapRule::Resolve(double s, double e, double s2, double e2) {
    if (s <= s2 && e2 <= e)
        return {PROverlapAction::kDelete, 0.0};
    if (s2 <= s && e <= e2) {
        // Nothing of it would be left before the new note.
        if (s <= s2)
            return {PROverlapAction::kDelete, 0.0};
        return {PROverlapAction::kSetEnd, s};
    }
    if (s2 < s && s < e2 && e2 < e)
        return {PROverlapAction::kSetEnd, s};
    if (s < s2 && s2 < e && e < e2)
        return {PROverlapAction::kSetStart, e};
    return {PROverlapAction::kKeep, 0.0};
}
