#pragma once

#include "engine/CAudioAtom.h"

#include <vector>

// The atoms a project plays together (audio and MIDI sounds). The group holds
// one reference on each member and gives it back when the member leaves or the
// group is deleted. Members carry absolute timeline positions; the group itself
// starts at 0 and lasts until its last member ends.
//
// The GUI thread changes the group under the mixer's lock; the mixing thread
// walks it while holding that lock.
class CSoundGroup : public CAudioAtom {
public:
    CSoundGroup() = default;

    // Takes a reference on the atom. False for null, the group itself, another
    // group, or an atom already in the group.
    bool Add(CAudioAtom* atom);
    // Places the atom at timeMs on the timeline, then adds it.
    bool Add(CAudioAtom* atom, double timeMs);
    // Gives the member's reference back (which may delete it). False when the
    // atom is not a member.
    bool Remove(CAudioAtom* atom);
    void RemoveAll();

    int Count() const { return static_cast<int>(m_atoms.size()); }
    // Null when the index is out of range.
    CAudioAtom* At(int index) const;
    bool Contains(const CAudioAtom* atom) const;

    // The end of the last member, in ms.
    double Length() const override;

protected:
    ~CSoundGroup() override;

private:
    std::vector<CAudioAtom*> m_atoms;
};
