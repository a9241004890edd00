#pragma once
// Where the renderer puts things on its square board, as fractions of the square's side (0..1
// from the left/top), and how the gem pictures are laid out. The track pictures are stretched
// over that square, so their lanes and strike targets must sit exactly on these curves.
#include "view/highway_geometry.h"

namespace qlv::art {

// Depth of a row given as a fraction of the side (inverse of HighwayRowFraction).
inline double DepthAtRow(double row) { return (0.765625 - row) / (0.765625 - 0.21875); }
// Column of lateral offset `lat` (board units, 0 = centre) at depth k.
inline double ColumnAt(double lat, double k) { return 0.5 + lat * HighwayUnitWidth(k); }

constexpr double kStrikeRow = 0.765625;
constexpr double kFarRow = 0.21875;

// Lateral lane centres: five lanes for guitar, bass and keys; four pads for drums.
constexpr double kGuitarLane[5] = {-0.8, -0.4, 0.0, 0.4, 0.8};
constexpr double kGuitarLaneWidth = 0.4;
constexpr double kDrumLane[4] = {-0.7125, -0.2375, 0.2375, 0.7125};
constexpr double kDrumLaneWidth = 0.475;
// A gem is drawn 0.4 units wide, bottom edge on its row.
constexpr double kGemWidth = 0.4;

// Layout of a gem picture (pixels): the puck's top face is an ellipse centred at
// (kGemFaceX, kGemFaceY) with radii kGemFaceRx, kGemFaceRy; the picture's bottom edge is the
// row the renderer anchors it to.
constexpr int kGemW = 160;
constexpr int kGemH = 112;
constexpr float kGemFaceX = 80.0f;
constexpr float kGemFaceY = 46.0f;
constexpr float kGemFaceRx = 70.0f;
constexpr float kGemFaceRy = 33.0f;
constexpr float kGemDepth = 17.0f;

}  // namespace qlv::art
