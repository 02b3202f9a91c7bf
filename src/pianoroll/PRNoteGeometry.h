#pragma once

// A rectangle of the note area in content pixels (horizontal scrolling moves
// the area, not these coordinates); right and bottom are exclusive.
struct PRNoteRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Intersects(const PRNoteRect& r) const {
        return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
    }
    bool operator==(const PRNoteRect&) const = default;
};

// Where the rubber band lies apart from the zoom: its time edges in sound
// ms and its row edges in content pixels.
struct PRBandSpan {
    double startMs = 0.0;
    double endMs = 0.0;
    int top = 0;
    int bottom = 0;

    bool operator==(const PRBandSpan&) const = default;
};

// The tools of the note area, numbered as the preference stores them.
enum class PRTool { kArrow = 0, kPencil = 1, kEraser = 2 };

// Which part of a note a pointer is over: what a drag from there does.
enum class PRHitZone { kNone = 0, kBody = 1, kStartEdge = 2, kEndEdge = 3 };

// Where notes and key rows lie in the note area: 128 rows of 10 pixels, the
// highest pitch on top, starting 5 pixels down; time across at a fixed
// number of sound milliseconds per pixel. Pitches here are displayed pitches
// (the stored pitch plus the sound's forced key offset).
class PRNoteGeometry {
public:
    static constexpr int kRowHeight = 10;
    static constexpr int kNumPitches = 128;
    // Pitch 127's row starts this far down.
    static constexpr int kTopMargin = 5;
    // The area is 130 rows high for scrolling.
    static constexpr int kContentHeight = 130 * kRowHeight;
    static constexpr int kLowestRowTop = (kNumPitches - 0) * kRowHeight - kTopMargin;
    static constexpr int kKeyboardWidth = 71;

    // msPerPixel below 1 is taken as 1.
    explicit PRNoteGeometry(double msPerPixel);

    double MsPerPixel() const { return m_msPerPixel; }
    // Sound ms to content x, truncated, and back.
    int XOfTime(double soundMs) const;
    double TimeOfX(int x) const { return x * m_msPerPixel; }

    // Top of the row of a displayed pitch (clamped to the area).
    static int RowTop(int pitch);
    // The pitch whose row a row top belongs to, 0..127.
    static int PitchOfRowTop(int top);
    // The pitch of the row under content y, clamped to 0..127.
    static int PitchAtY(int y);
    // The keys of the sharps and flats: their rows are drawn darker.
    static bool IsBlackKey(int pitch);
    // Row boundary at or above content y: where the rubber band's vertical
    // edges go.
    static int RowBoundaryAt(int y) { return (y / kRowHeight) * kRowHeight + kTopMargin; }

    PRNoteRect NoteRect(double startMs, double endMs, int pitch) const;
    // What a pointer at content x over a note's rectangle would drag: the
    // body, or an edge zone of 2 pixels (notes 7 to 21 wide) or 8 pixels
    // (wider notes). Narrow notes and the eraser only take the body.
    static PRHitZone ZoneAt(const PRNoteRect& note, int x, PRTool tool);
    // The rectangle the eraser touches with the pointer at (x, y).
    static PRNoteRect EraserFootprint(int x, int y);

private:
    double m_msPerPixel;
};
