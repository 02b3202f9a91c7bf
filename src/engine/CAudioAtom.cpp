#include "engine/CAudioAtom.h"

void CAudioAtom::DeleteAtom(CAudioAtom* atom) {
    if (atom && atom->DecReference() <= 0)
        delete atom;
}
