#include "support/CRefObj.h"

uint32_t CRefObj::AddRef() {
    return m_refCount.fetch_add(1) + 1;
}

uint32_t CRefObj::DeleteRefObject() {
    const uint32_t left = m_refCount.fetch_sub(1) - 1;
    if (left == 0)
        delete this;
    return left;
}
