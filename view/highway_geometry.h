// The highway's perspective: where a distance along the board lands on screen and how wide one
// board unit is there. Pure functions of doubles, shared by the renderer and its tests; the
// order of every operation is fixed so that frames come out bit for bit the same everywhere.
#pragma once

// Depth for a distance u >= 0 along the board, u in fractions of the lookahead (0 = strike line,
// 1 = far end): 0 at the line, 1 at the far end, compressed with distance.
inline double HighwayDepth(double u) { return 1.0 - (1.0 / (u + 1.0) - 0.5) * 2.0; }

// Row of depth k as a fraction of the board square's side, measured from its top edge: the
// strike line lies at 0.765625, the far end at 0.21875.
inline double HighwayRowFraction(double k) { return (1.0 - k) * 0.765625 + k * 0.21875; }

// Width of one board unit at depth k as a fraction of the board square's side.
inline double HighwayUnitWidth(double k) { return (1.0 - k) * 0.390625 + k * 0.1865234375; }

// Strength of an item u along the board: full up to 0.9, fading in linearly over the last tenth
// of the lookahead, rounded to single precision. Never negative, so an item beyond the far end
// draws nothing instead of being blended with a negative weight.
inline float HighwayFade(double u) {
    if (!(u > 0.9)) return 1.0f;
    const float fade = static_cast<float>(1.0 - (u - 0.9) * 10.0);
    return fade > 0.0f ? fade : 0.0f;
}
