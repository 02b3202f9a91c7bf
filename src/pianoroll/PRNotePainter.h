#pragma once

#include "pianoroll/PRNoteGeometry.h"

#include <cstdint>
#include <map>
#include <vector>

typedef struct _cairo cairo_t;

// Paints note boxes in the order they come. A note wide enough to show its
// rounded corners is drawn as a rounded box with its edge; narrower ones
// (most notes of a zoomed-out view) are pixel boxes, gathered per colour and
// filled together, since thousands of tiny rounded paths cost far more than
// the pixels they cover. A wide note first paints the gathered boxes, so a
// later note always covers an earlier one.
class PRNotePainter {
public:
    // Notes narrower than this are plain boxes.
    static constexpr int kRoundedMinWidth = 6;
    static constexpr double kCornerRadius = 2.0;

    explicit PRNotePainter(cairo_t* cr) : m_cr(cr) {}
    ~PRNotePainter() { Flush(); }
    PRNotePainter(const PRNotePainter&) = delete;
    PRNotePainter& operator=(const PRNotePainter&) = delete;

    // A note's box on its row (rect.top is the row's top), filled with
    // `fill` inside an `edge` border; skin colours are 0x00BBGGRR.
    void Paint(const PRNoteRect& rect, uint32_t fill, uint32_t edge);
    // Paints the gathered boxes: every edge first, then every inside.
    void Flush();

private:
    struct Box {
        int x, y, width, height;
    };
    void PaintRounded(const PRNoteRect& rect, uint32_t fill, uint32_t edge);
    void FillBoxes(std::map<uint32_t, std::vector<Box>>& boxes);

    cairo_t* m_cr;
    std::map<uint32_t, std::vector<Box>> m_edges;
    std::map<uint32_t, std::vector<Box>> m_insides;
};
