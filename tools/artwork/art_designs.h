#pragma once
// The designs of every picture of the highway's image set. Each returns a finished canvas;
// sizes and anchoring follow how the renderer scales and places each kind (see the comments
// in the .cpp files).
#include "tools/artwork/canvas.h"

namespace qlv::art {

enum class GemFace { kPlain, kHopo };

// Lane and phrase colours.
Color LaneColor(int lane);  // 0 green, 1 red, 2 yellow, 3 blue, 4 orange
Color StyleColor();
Color KickColor();

Canvas MakeGem(const Color& base, GemFace face, bool style);
Canvas MakeCymbal(const Color& base, bool style);
Canvas MakeKick(const Color& base, bool style);

enum class MarkerKind { kBeat, kHalfBeat, kMeasure };
Canvas MakeMarker(MarkerKind kind);
Canvas MakeSustain(const Color& base, bool highlighted);

Canvas MakeSmashFrame(int frame);      // 1..10
Canvas MakeKickFlash(int frame);       // 1..7
Canvas MakeSustainFlare(const Color& base);

Canvas MakeTrack(bool drums);
Canvas MakeBackground();

}  // namespace qlv::art
