#include "pianoroll/PRValueColumns.h"

#include <cairo.h>

#include <algorithm>

void PRValueColumns::Add(int x, int top, int bottom) {
    if (!m_columns.empty() && m_columns.back().x == x) {
        Column& last = m_columns.back();
        last.top = std::min(last.top, top);
        last.bottom = std::max(last.bottom, bottom);
        return;
    }
    if (!m_columns.empty() && x < m_columns.back().x)
        m_merged = false;
    m_columns.push_back({x, top, bottom});
}

const std::vector<PRValueColumns::Column>& PRValueColumns::Columns() {
    Merge();
    return m_columns;
}

void PRValueColumns::Fill(cairo_t* cr) {
    for (const Column& column : Columns())
        cairo_rectangle(cr, column.x, column.top, 1, column.bottom - column.top);
    cairo_fill(cr);
    m_columns.clear();
    m_merged = true;
}

// Values out of time order (notes sorted by start, drawn at their ends)
// leave columns behind the last one: sort and join them.
void PRValueColumns::Merge() {
    if (m_merged)
        return;
    std::sort(m_columns.begin(), m_columns.end(),
              [](const Column& a, const Column& b) { return a.x < b.x; });
    std::vector<Column> merged;
    merged.reserve(m_columns.size());
    for (const Column& column : m_columns) {
        if (!merged.empty() && merged.back().x == column.x) {
            merged.back().top = std::min(merged.back().top, column.top);
            merged.back().bottom = std::max(merged.back().bottom, column.bottom);
        } else {
            merged.push_back(column);
        }
    }
    m_columns = std::move(merged);
    m_merged = true;
}
