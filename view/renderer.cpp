#include "view/renderer.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "chart/extraction.h"
#include "gfx/gfx.h"
#include "state/instance.h"
#include "view/highway_geometry.h"
#include "view/image_set.h"

namespace {

// Lane colours, as indexes into the per-colour slot groups.
constexpr int GREEN = 0;
constexpr int YELLOW = 2;
constexpr int BLUE = 3;
constexpr int ORANGE = 4;

bool IsGem(int slot) { return slot >= SLOT_GEM && slot < SLOT_GEM + IMAGE_LANE_COUNT; }
bool IsHitFrame(int slot) { return slot >= SLOT_SMASH && slot < SLOT_SMASH + SMASH_FRAME_COUNT; }
bool IsKickFlash(int slot) { return slot >= SLOT_KICK_FLASH && slot < SLOT_KICK_FLASH + KICK_FLASH_FRAME_COUNT; }
bool IsMarker(int image) { return image >= MARKER_MEASURE && image <= MARKER_BEAT; }

// Truncates toward zero like a C conversion, but a value outside the int range (only reachable
// with absurd client sizes) saturates instead of being undefined.
int TruncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

int AddClamped(int a, int b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (sum < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(sum);
}

// What one frame draws with, fixed before the draw list is walked.
struct Frame {
    GFX_IBitmap *dest;
    double side;  // S, the board square's side
    int off_x;
    int off_y;
    int mode;
    bool drums;
};

// Picture choice and placement of one item before the head adjustments.
struct Shape {
    int slot;
    double lat;  // lateral centre in board units, 0 = middle of the board
    double wf;   // width in board units
};

Shape ShapeOf(const HighwayItem &item, bool drums) {
    switch (item.image) {
    case MARKER_BEAT: return {SLOT_BEAT_MARKER, 0.0, 2.05};
    case MARKER_HALF_BEAT: return {SLOT_HALF_BEAT_MARKER, 0.0, 2.05};
    case MARKER_MEASURE: return {SLOT_MEASURE, 0.0, 2.05};
    default: break;
    }
    // The lane is widened first so that no lane value can overflow.
    const double lane = item.lane;
    if (!drums) return {item.image, (lane - 2) * 0.4, 0.4};
    if (item.image == 0) return {SLOT_GEM_KICK, 0.0, 2.15};
    const int slot = item.image == SLOT_GEM + ORANGE ? SLOT_GEM + GREEN : item.image;
    if (item.lane >= 0) return {slot, (lane - 2.5) * 0.475, 0.4};
    return {slot, 0.0, 2.0};
}

// The picture a tail is drawn with, or null when there is none.
GFX_IBitmap *TailPicture(const HighwayItem &item, int slot) {
    if (!IsHitFrame(slot)) {
        if (item.style) return sustain_images[SUSTAIN_STYLE];
        return slot >= 0 && slot <= 5 ? sustain_images[slot] : nullptr;
    }
    // A note being held at the line shows the highlighted tail when that picture exists.
    if (item.style) {
        return sustain_hi_images[SUSTAIN_STYLE] ? sustain_hi_images[SUSTAIN_STYLE]
                                                : sustain_images[SUSTAIN_STYLE];
    }
    if (item.lane < 0 || item.lane > 4) return nullptr;
    return sustain_hi_images[item.lane] ? sustain_hi_images[item.lane] : sustain_images[item.lane];
}

// The tail: a trapezoid three quarters as wide as the gem from its near end to its far end,
// drawn as one stretched row of the tail picture per screen row. Returns whether it was drawn
// with a picture (the sustain flare goes with it).
bool DrawTail(const Frame &f, const HighwayItem &item, const Shape &s, double u) {
    const double end = std::fmin(1.0, item.len + item.pos);
    const double start = IsHitFrame(s.slot) ? u : u + 0.05;
    if (!(end > start)) return false;
    const double S = f.side;
    const double k_end = HighwayDepth(end);
    const double k_start = HighwayDepth(start);
    const int y_start = TruncToInt(HighwayRowFraction(k_start) * S + 0.5);
    const int y_end = TruncToInt(HighwayRowFraction(k_end) * S);
    if (!(y_end < y_start)) return false;
    GFX_IBitmap *picture = TailPicture(item, s.slot);
    if (!picture) return false;

    const int strip = picture->PixelWidth() / 3;
    const double w_end = S * s.wf * HighwayUnitWidth(k_end) * 0.75;
    const double w_start = S * s.wf * HighwayUnitWidth(k_start) * 0.75;
    const double x_end = S * 0.5 + S * s.lat * HighwayUnitWidth(k_end) - w_end / 2 + f.off_x;
    const double x_start = S * 0.5 + S * s.lat * HighwayUnitWidth(k_start) - w_start / 2 + f.off_x;
    const double rows = static_cast<double>(y_start - y_end);
    const double dx = (x_start - x_end) / rows;
    const double dw = (w_start - w_end) / rows;
    double x = x_end;
    double w = w_end;
    for (int r = y_end; r < y_start; ++r) {
        GFX_DrawBitmapScaled(f.dest, picture, TruncToInt(x + 0.5), AddClamped(r, f.off_y),
                             TruncToInt(w + 0.5), 1, static_cast<float>(strip), 0.0f,
                             static_cast<float>(strip), 1.0f, 1.0f,
                             GFX_COMBINE_COPY | GFX_COMBINE_SOURCE_ALPHA);
        x += dx;
        w += dw;
    }
    return true;
}

// The flare on a sustain being held at the strike line, in the lane's colour.
void DrawSustainFlare(const Frame &f, const HighwayItem &item, const Shape &s, double u,
                      float fade) {
    int slot;
    if (item.style) {
        slot = SLOT_SMASH_FLARE_STYLE;
    } else {
        // Only lanes that have a flare picture; anything else would pick an unrelated slot.
        if (item.lane < 0 || item.lane > 5) return;
        slot = SLOT_SMASH_FLARE + item.lane;
    }
    const double S = f.side;
    const double k = HighwayDepth(u);
    const double r = static_cast<double>(static_cast<float>(s.wf * 1.75)) * S * HighwayUnitWidth(k);
    const int x = AddClamped(TruncToInt(S * s.lat * HighwayUnitWidth(k) + S * 0.5 - r / 2 + 0.5), f.off_x);
    const int y = AddClamped(TruncToInt(HighwayRowFraction(k) * S + 0.5), f.off_y);
    DrawImageScaled(f.dest, slot, x, y, TruncToInt(r + 0.5), fade, 0.53f);
}

// The head: the gem, marker, kick bar or hit-animation frame at the item's position.
void DrawHead(const Frame &f, const HighwayItem &item, Shape s, double u, float fade) {
    float anchor = 1.0f;
    if (IsMarker(item.image)) {
        anchor = 0.75f;
    } else if (IsKickFlash(s.slot)) {
        s.wf = 3.0;
        s.lat = 0.0;
        anchor = 0.55f;
    } else if (IsHitFrame(s.slot)) {
        s.wf *= 2.05;
        anchor = 0.53f;
    }

    int slot = s.slot;
    if (item.style) {
        if (IsGem(slot)) slot = SLOT_GEM_STYLE;
        else if (slot == SLOT_GEM_KICK) slot = SLOT_GEM_KICK_STYLE;
    }
    if (!f.drums && item.hopo_or_tom) {
        if (IsGem(slot)) slot += SLOT_GEM_HOPO - SLOT_GEM;
        else if (slot == SLOT_GEM_STYLE) slot = SLOT_GEM_HOPO_STYLE;
    }
    if (f.mode == 1 && !item.hopo_or_tom) {
        // Pro Drums: a pad without the tom flag is a cymbal. Drums (std) never shows cymbals.
        if (slot == SLOT_GEM + GREEN) slot = SLOT_GEM_CYM_GREEN;
        else if (slot == SLOT_GEM + YELLOW) slot = SLOT_GEM_CYM_YELLOW;
        else if (slot == SLOT_GEM + BLUE) slot = SLOT_GEM_CYM_BLUE;
        else if (slot == SLOT_GEM_STYLE && item.lane != 1) slot = SLOT_GEM_CYM_STYLE;
    }

    const double S = f.side;
    const double k = HighwayDepth(u);
    const double w = S * s.wf * HighwayUnitWidth(k);
    const int x = AddClamped(TruncToInt(S * s.lat * HighwayUnitWidth(k) + S * 0.5 - w / 2 + 0.5), f.off_x);
    const int y = AddClamped(TruncToInt(HighwayRowFraction(k) * S + 0.5), f.off_y);
    DrawImageScaled(f.dest, slot, x, y, TruncToInt(w + 0.5), fade, anchor);
}

void DrawItem(const Frame &f, const HighwayItem &item) {
    if (!std::isfinite(item.pos) || !std::isfinite(item.len)) return;
    const bool past = item.pos < 0.0;
    const double u = past ? 0.0 : item.pos;
    const float fade = HighwayFade(u);
    const Shape s = ShapeOf(item, f.drums);

    const bool tail_slot = (s.slot >= 0 && s.slot <= 15) || IsHitFrame(s.slot);
    if (!f.drums && item.len > 0.0 && tail_slot) {
        if (DrawTail(f, item, s, u) && IsHitFrame(s.slot)) DrawSustainFlare(f, item, s, u, fade);
    }
    if (!past) DrawHead(f, item, s, u, fade);
}

// Composes the static board: the stretched background and the instrument's track picture.
// False when there is no board to compose (memory exhausted); the next frame tries again.
bool RebuildBoard(PreviewInstance *instance, int width, int height, int side, int off_x,
                  int off_y, bool drums) {
    if (!instance->highway_image) {
        instance->highway_image = new (std::nothrow) GFX_MemBitmap(width, height);
        if (!instance->highway_image) return false;
    } else {
        instance->highway_image->SetSize(width, height);
    }
    instance->highway_dirty = 0;
    // Scaled copies were made for the old board size.
    FlushScaledCopies();

    GFX_MemBitmap *board = instance->highway_image;
    if (background_image) {
        GFX_DrawBitmapScaled(board, background_image, 0, 0, width, height, 0.0f, 0.0f,
                             static_cast<float>(background_image->PixelWidth()),
                             static_cast<float>(background_image->PixelHeight()), 1.0f,
                             GFX_COMBINE_COPY | GFX_COMBINE_FILTERED);
    } else {
        GFX_SetAllPixels(board, 0xFF000000u);
    }
    GFX_IBitmap *track = drums ? drum_track_image : guitar_track_image;
    if (track) {
        GFX_DrawBitmapScaled(board, track, off_x, off_y, side, side, 0.0f, 0.0f,
                             static_cast<float>(track->PixelWidth()),
                             static_cast<float>(track->PixelHeight()), 1.0f,
                             GFX_COMBINE_COPY | GFX_COMBINE_FILTERED | GFX_COMBINE_SOURCE_ALPHA);
    }
    return true;
}

}  // namespace

void RenderHighway(PreviewInstance *instance, int width, int height) {
    if (!instance) return;
    const int mode = instance->mode.load(std::memory_order_relaxed);
    const bool drums = mode == 1 || mode == 2;
    int count = BuildHighwayItems(instance, drums);

    GFX_IBitmap *dest = instance->back_buffer;
    if (!dest || width <= 0 || height <= 0) return;

    const int side = width < height ? width : height;
    const int off_x = (width - side) / 2;
    const int off_y = (height - side) / 2;

    GFX_MemBitmap *board = instance->highway_image;
    if (!board || instance->highway_dirty || board->PixelWidth() != width ||
        board->PixelHeight() != height) {
        // Without a board the frame is skipped: items drawn over the last frame would smear.
        if (!RebuildBoard(instance, width, height, side, off_x, off_y, drums)) return;
    }
    GFX_DrawBitmap(dest, instance->highway_image, 0, 0, nullptr, 1.0f, GFX_COMBINE_COPY);

    // Never read past what the draw list holds, whatever the count says.
    const int held = static_cast<int>(instance->highway_items.used / sizeof(HighwayItem));
    if (count > held) count = held;
    if (count <= 0) return;
    const HighwayItem *items = static_cast<const HighwayItem *>(instance->highway_items.Get());
    if (!items) return;

    const Frame frame{dest, static_cast<double>(side), off_x, off_y, mode, drums};
    // Back layer first (lines, and the kick bar with its flash), so every gem lies over them;
    // within a layer the list is walked backwards, so earlier records end up on top.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = count - 1; i >= 0; --i) {
            const HighwayItem &item = items[i];
            if (item.image < MARKER_MEASURE) continue;
            const bool back = IsMarker(item.image) || (drums && item.lane == 0);
            if (back == (pass == 0)) DrawItem(frame, item);
        }
    }
}
