#include "pianoroll/PRControllerStroke.h"

#include "pianoroll/PRControllerLane.h"

#include <algorithm>

void PRControllerStroke::Begin(int x, int y, int drawingHeight) {
    Clear();
    m_height = std::max(1, drawingHeight);
    m_lastX = std::max(0, x);
    m_lastY = PRControllerLane::ClampY(y, m_height);
    Put(m_lastX, m_lastY);
}

void PRControllerStroke::DrawTo(int x, int y) {
    x = std::max(0, x);
    y = PRControllerLane::ClampY(y, m_height);
    if (x == m_lastX) {
        // A vertical move sets the column to where the pointer is now.
        Put(x, y);
    } else {
        const bool rightward = x > m_lastX;
        const int xl = rightward ? m_lastX : x;
        const int yl = rightward ? m_lastY : y;
        const int xr = rightward ? x : m_lastX;
        const int yr = rightward ? y : m_lastY;
        for (int column = xl; column <= xr; ++column)
            Put(column,
                yl + static_cast<int>(static_cast<long long>(column - xl) * (yr - yl) / (xr - xl)));
    }
    m_lastX = x;
    m_lastY = y;
}

void PRControllerStroke::Clear() {
    m_points.clear();
    m_least = 2147483647;
    m_greatest = 0;
}

int PRControllerStroke::YAt(int x) const {
    const auto it = m_points.find(x);
    return it == m_points.end() ? -1 : it->second;
}

void PRControllerStroke::Put(int x, int y) {
    m_points[x] = y;
    m_least = std::min(m_least, x);
    m_greatest = std::max(m_greatest, x);
}
