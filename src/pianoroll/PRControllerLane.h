#pragma once

// What a controller lane shows: the notes' velocity or release velocity, or
// one controller list of the MIDI sound (0..127 the MIDI control changes,
// 129 program change, 130 channel pressure, 131 pitch bend).
enum class PRLaneType { kVelocity = 0, kReleaseVelocity = 1, kController = 2 };

// The lane's choice and the mapping between its pixel rows and values. The
// lane is a 4-pixel resize strip on top of a drawing area; y here counts
// from the top of the drawing area, 0 (the greatest value) to height - 1
// (the least value).
class PRControllerLane {
public:
    static constexpr int kResizeStrip = 4;
    static constexpr int kModulation = 1;
    static constexpr int kVolume = 7;
    static constexpr int kPan = 10;
    static constexpr int kExpression = 11;
    static constexpr int kSustain = 64;

    // A controller outside 0..127 and 129..131 is taken as the volume.
    explicit PRControllerLane(PRLaneType type = PRLaneType::kVelocity, int controller = kVolume);

    PRLaneType Type() const { return m_type; }
    // The controller number of a controller lane.
    int Controller() const { return m_controller; }
    bool IsVelocity() const { return m_type != PRLaneType::kController; }
    bool IsPitchBend() const;

    // Least and greatest stored value: 1..127 for the velocities, 0..16383
    // for the pitch bend, 0..127 for the other controllers.
    int Least() const;
    int Greatest() const;
    // The value the lines of the lane rise from: the bend's centre 8192,
    // else the least value.
    int Base() const;

    // Height of the drawing area of a lane laneHeight pixels high, at least 1.
    static int DrawingHeight(int laneHeight);
    // y clamped into a drawing area of that height.
    static int ClampY(int y, int drawingHeight);
    // The value a stroke point at y stores: the greatest at the top row, the
    // least at the bottom row, linear between (truncated); on the pitch bend
    // lane the rows within one row's step of the centre give the centre.
    int ValueAtY(int y, int drawingHeight) const;
    // The row that shows a value (the inverse of ValueAtY).
    int YOfValue(int value, int drawingHeight) const;
    // The value as the tooltip shows it: the bend relative to its centre
    // (-8192..8191), every other value as stored.
    int ShownValue(int value) const;

    bool operator==(const PRControllerLane&) const = default;

private:
    PRLaneType m_type;
    int m_controller;
};
