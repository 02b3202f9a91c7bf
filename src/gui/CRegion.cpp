#include "gui/CRegion.h"

namespace {

// The parts of `rect` outside `hole`, appended to `out` (at most four).
void AppendDifference(const GuiRect& rect, const GuiRect& hole, std::vector<GuiRect>& out) {
    const GuiRect common = rect.Intersection(hole);
    if (common.IsEmpty()) {
        out.push_back(rect);
        return;
    }
    if (rect.top < common.top)
        out.push_back({rect.left, rect.top, rect.right, common.top});
    if (rect.left < common.left)
        out.push_back({rect.left, common.top, common.left, common.bottom});
    if (common.right < rect.right)
        out.push_back({common.right, common.top, rect.right, common.bottom});
    if (common.bottom < rect.bottom)
        out.push_back({rect.left, common.bottom, rect.right, rect.bottom});
}

// Whether two disjoint rectangles form one rectangle together, and which.
bool Mergeable(const GuiRect& a, const GuiRect& b, GuiRect& merged) {
    if (a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left)) {
        merged = {std::min(a.left, b.left), a.top, std::max(a.right, b.right), a.bottom};
        return true;
    }
    if (a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top)) {
        merged = {a.left, std::min(a.top, b.top), a.right, std::max(a.bottom, b.bottom)};
        return true;
    }
    return false;
}

} // namespace

CRegion::CRegion(const GuiRect& rect) {
    SetRect(rect);
}

void CRegion::SetRect(const GuiRect& rect) {
    m_rects.clear();
    if (!rect.IsEmpty())
        m_rects.push_back(rect);
}

void CRegion::Unite(const GuiRect& rect) {
    if (rect.IsEmpty())
        return;
    std::vector<GuiRect> pieces{rect};
    for (const GuiRect& existing : m_rects) {
        std::vector<GuiRect> remaining;
        for (const GuiRect& piece : pieces)
            AppendDifference(piece, existing, remaining);
        pieces.swap(remaining);
        if (pieces.empty())
            return;
    }
    m_rects.insert(m_rects.end(), pieces.begin(), pieces.end());
    MergeNeighbours();
}

void CRegion::Unite(const CRegion& other) {
    if (&other == this)
        return;
    for (const GuiRect& rect : other.m_rects)
        Unite(rect);
}

void CRegion::Subtract(const GuiRect& rect) {
    if (rect.IsEmpty() || m_rects.empty())
        return;
    std::vector<GuiRect> remaining;
    for (const GuiRect& existing : m_rects)
        AppendDifference(existing, rect, remaining);
    m_rects.swap(remaining);
    MergeNeighbours();
}

void CRegion::Subtract(const CRegion& other) {
    if (&other == this) {
        m_rects.clear();
        return;
    }
    for (const GuiRect& rect : other.m_rects)
        Subtract(rect);
}

void CRegion::Intersect(const GuiRect& rect) {
    std::vector<GuiRect> kept;
    for (const GuiRect& existing : m_rects) {
        const GuiRect common = existing.Intersection(rect);
        if (!common.IsEmpty())
            kept.push_back(common);
    }
    m_rects.swap(kept);
    MergeNeighbours();
}

void CRegion::Intersect(const CRegion& other) {
    if (&other == this)
        return;
    // Both lists are disjoint, so the pairwise intersections are disjoint too.
    std::vector<GuiRect> kept;
    for (const GuiRect& mine : m_rects) {
        for (const GuiRect& theirs : other.m_rects) {
            const GuiRect common = mine.Intersection(theirs);
            if (!common.IsEmpty())
                kept.push_back(common);
        }
    }
    m_rects.swap(kept);
    MergeNeighbours();
}

void CRegion::Translate(int32_t dx, int32_t dy) {
    for (GuiRect& rect : m_rects)
        rect = rect.Offset(dx, dy);
}

bool CRegion::Contains(int32_t x, int32_t y) const {
    for (const GuiRect& rect : m_rects) {
        if (rect.Contains(x, y))
            return true;
    }
    return false;
}

bool CRegion::Intersects(const GuiRect& rect) const {
    for (const GuiRect& existing : m_rects) {
        if (existing.Intersects(rect))
            return true;
    }
    return false;
}

GuiRect CRegion::BoundingBox() const {
    if (m_rects.empty())
        return {};
    GuiRect box = m_rects.front();
    for (const GuiRect& rect : m_rects) {
        box.left = std::min(box.left, rect.left);
        box.top = std::min(box.top, rect.top);
        box.right = std::max(box.right, rect.right);
        box.bottom = std::max(box.bottom, rect.bottom);
    }
    return box;
}

int64_t CRegion::Area() const {
    int64_t area = 0;
    for (const GuiRect& rect : m_rects)
        area += int64_t(rect.Width()) * int64_t(rect.Height());
    return area;
}

void CRegion::MergeNeighbours() {
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < m_rects.size() && !merged; ++i) {
            for (size_t j = i + 1; j < m_rects.size(); ++j) {
                GuiRect joined;
                if (Mergeable(m_rects[i], m_rects[j], joined)) {
                    m_rects[i] = joined;
                    m_rects.erase(m_rects.begin() + long(j));
                    merged = true;
                    break;
                }
            }
        }
    }
}
