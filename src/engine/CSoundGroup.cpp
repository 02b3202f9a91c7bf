#include "engine/CSoundGroup.h"

#include <algorithm>

CSoundGroup::~CSoundGroup() {
    RemoveAll();
}

bool CSoundGroup::Add(CAudioAtom* atom) {
    if (!atom || atom == this || dynamic_cast<CSoundGroup*>(atom) || Contains(atom))
        return false;
    atom->AddReference();
    m_atoms.push_back(atom);
    return true;
}

bool CSoundGroup::Add(CAudioAtom* atom, double timeMs) {
    if (!atom || atom == this || dynamic_cast<CSoundGroup*>(atom) || Contains(atom))
        return false;
    atom->SetAbsoluteOffset(timeMs);
    return Add(atom);
}

bool CSoundGroup::Remove(CAudioAtom* atom) {
    const auto found = std::find(m_atoms.begin(), m_atoms.end(), atom);
    if (found == m_atoms.end())
        return false;
    m_atoms.erase(found);
    CAudioAtom::DeleteAtom(atom);
    return true;
}

void CSoundGroup::RemoveAll() {
    std::vector<CAudioAtom*> members;
    members.swap(m_atoms);
    for (CAudioAtom* atom : members)
        CAudioAtom::DeleteAtom(atom);
}

CAudioAtom* CSoundGroup::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_atoms[static_cast<size_t>(index)];
}

bool CSoundGroup::Contains(const CAudioAtom* atom) const {
    return std::find(m_atoms.begin(), m_atoms.end(), atom) != m_atoms.end();
}

double CSoundGroup::Length() const {
    double end = 0.0;
    for (const CAudioAtom* atom : m_atoms)
        end = std::max(end, atom->HeardEndTime());
    return end;
}
