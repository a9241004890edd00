#include "tools/artwork/art_catalog.h"

#include "tools/artwork/art_designs.h"

namespace qlv::art {

std::vector<ArtEntry> ArtCatalog() {
  static const char* const kLaneNames[5] = {"green", "red", "yellow", "blue", "orange"};
  std::vector<ArtEntry> out;
  out.push_back({"QLV_background1", [] { return MakeBackground(); }});
  out.push_back({"track_guitar", [] { return MakeTrack(false); }});
  out.push_back({"track_drum", [] { return MakeTrack(true); }});
  for (int lane = 0; lane < 5; ++lane) {
    std::string n = kLaneNames[lane];
    out.push_back({"gem_" + n, [lane] { return MakeGem(LaneColor(lane), GemFace::kPlain, false); }});
    out.push_back({"gem_hopo_" + n, [lane] { return MakeGem(LaneColor(lane), GemFace::kHopo, false); }});
    out.push_back({"sustain_" + n, [lane] { return MakeSustain(LaneColor(lane), false); }});
    out.push_back({"sustain_" + n + "_hi", [lane] { return MakeSustain(LaneColor(lane), true); }});
    out.push_back({"smash_flare_" + n, [lane] { return MakeSustainFlare(LaneColor(lane)); }});
  }
  out.push_back({"sustain_style", [] { return MakeSustain(StyleColor(), false); }});
  out.push_back({"sustain_style_hi", [] { return MakeSustain(StyleColor(), true); }});
  out.push_back({"smash_flare_style", [] { return MakeSustainFlare(StyleColor()); }});
  out.push_back({"gem_cym_yellow", [] { return MakeCymbal(LaneColor(2), false); }});
  out.push_back({"gem_cym_blue", [] { return MakeCymbal(LaneColor(3), false); }});
  out.push_back({"gem_cym_green", [] { return MakeCymbal(LaneColor(0), false); }});
  out.push_back({"gem_style", [] { return MakeGem(StyleColor(), GemFace::kPlain, true); }});
  out.push_back({"gem_hopo_style", [] { return MakeGem(StyleColor(), GemFace::kHopo, true); }});
  out.push_back({"gem_cym_style", [] { return MakeCymbal(StyleColor(), true); }});
  out.push_back({"gem_kick", [] { return MakeKick(KickColor(), false); }});
  out.push_back({"gem_kick_style", [] { return MakeKick(StyleColor(), true); }});
  out.push_back({"beat_marker", [] { return MakeMarker(MarkerKind::kBeat); }});
  out.push_back({"half_beat_marker", [] { return MakeMarker(MarkerKind::kHalfBeat); }});
  out.push_back({"measure", [] { return MakeMarker(MarkerKind::kMeasure); }});
  for (int f = 1; f <= 10; ++f) {
    out.push_back({"smash_" + std::to_string(f), [f] { return MakeSmashFrame(f); }});
  }
  for (int f = 1; f <= 7; ++f) {
    out.push_back({"kick_flash_" + std::to_string(f), [f] { return MakeKickFlash(f); }});
  }
  return out;
}

}  // namespace qlv::art
