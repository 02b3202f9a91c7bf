#pragma once

#include <vector>

typedef struct _cairo cairo_t;

// The one-pixel columns of a controller lane's values, merged per pixel:
// values that fall on the same column (many of them when zoomed out) make
// one box spanning all of them, so the lane is filled with at most one box
// per column. Columns come in any order; each x keeps its widest span.
class PRValueColumns {
public:
    struct Column {
        int x;
        int top;    // first row covered
        int bottom; // one past the last row covered
        bool operator==(const Column&) const = default;
    };

    void Add(int x, int top, int bottom);
    // The merged columns by x.
    const std::vector<Column>& Columns();
    // Fills every column with the drawing context's source and forgets them.
    void Fill(cairo_t* cr);

private:
    void Merge();

    std::vector<Column> m_columns;
    bool m_merged = true;
};
