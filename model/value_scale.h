#pragma once

// A linear mapping between slider positions 0..positions and a value range.
struct ValueScale
{
    double valueAtMin;
    double valueAtMax;
    int positions;

    double ToValue(int position) const;

    // Truncates toward zero and does not clamp: values outside the range give positions
    // outside 0..positions, which the slider control clamps when it moves.
    int ToPosition(double value) const;

    // Whether a value typed or sent by an operator may be taken: a number, within the range.
    bool Holds(double value) const;
};

inline constexpr ValueScale FrequencyScale{40.0, 8000.0, 1000};
inline constexpr ValueScale QScale{0.15, 5.0, 400};
inline constexpr ValueScale GainScale{0.0, 9.9, 500};

// Every knob and fader moves three positions per line and thirty per page.
inline constexpr int ScaleLineSize = 3;
inline constexpr int ScalePageSize = 30;
