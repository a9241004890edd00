// The highway's pictures: one process-wide set loaded from the folder "qlview" beside the
// plug-in binary, with a cache of scaled copies per slot picture.
//
// Threads: everything here runs on the host's main (window) thread only. Loading and release
// happen inside PreviewInstance construction and destruction, drawing and flushing inside the
// editor's paint. Nothing is locked.
//
// Ownership: the image set owns every picture and every cached copy. Readers (the renderer) may
// use the pointers below between LoadImageSet and ReleaseImageSet, never keep or delete them.
// A picture is null when it is absent (only the optional highlighted sustains can be, since
// every other missing file gets a generated placeholder).
#pragma once

#include <cstdint>

class GFX_IBitmap;
class GFX_MemBitmap;

// Slot numbers of the 44 slot pictures (index into slot_images, argument of DrawImageScaled).
enum : int32_t {
    SLOT_GEM = 0,               // 0..4: gem by lane colour (green, red, yellow, blue, orange)
    SLOT_GEM_HOPO = 5,          // 5..9: hammer-on/pull-off gem by lane colour
    SLOT_GEM_CYM_YELLOW = 10,
    SLOT_GEM_CYM_BLUE = 11,
    SLOT_GEM_CYM_GREEN = 12,
    SLOT_GEM_STYLE = 13,
    SLOT_GEM_HOPO_STYLE = 14,
    SLOT_GEM_CYM_STYLE = 15,
    SLOT_GEM_KICK = 16,
    SLOT_GEM_KICK_STYLE = 17,
    SLOT_BEAT_MARKER = 18,
    SLOT_HALF_BEAT_MARKER = 19,
    SLOT_MEASURE = 20,
    SLOT_SMASH_FLARE = 21,      // 21..25: flare on a held sustain by lane colour
    SLOT_SMASH_FLARE_STYLE = 26,
    SLOT_SMASH = 27,            // 27..36: hit animation frames 1..10
    SLOT_KICK_FLASH = 37,       // 37..43: kick hit animation frames 1..7
    SLOT_COUNT = 44,
};

// Lane colours per slot group and the animation lengths.
constexpr int32_t IMAGE_LANE_COUNT = 5;
constexpr int32_t SMASH_FRAME_COUNT = 10;
constexpr int32_t KICK_FLASH_FRAME_COUNT = 7;

// Entries of sustain_images and sustain_hi_images: the five lane colours, then the style tail.
constexpr int32_t SUSTAIN_COUNT = 6;
constexpr int32_t SUSTAIN_STYLE = 5;

// The pictures. Every one is a GFX_MemBitmap owned by the image set, or null.
extern GFX_MemBitmap *background_image;
extern GFX_MemBitmap *guitar_track_image;
extern GFX_MemBitmap *drum_track_image;
extern GFX_MemBitmap *sustain_images[SUSTAIN_COUNT];
extern GFX_MemBitmap *sustain_hi_images[SUSTAIN_COUNT];  // optional: null when the file is missing
extern GFX_MemBitmap *slot_images[SLOT_COUNT];

// Loads every picture (a placeholder for each missing one, none for the optional highlighted
// sustains). Called when the instance count goes from 0 to 1. Anything still loaded is released
// first, so a stray second call leaks nothing.
void LoadImageSet();

// Destroys every picture and every cached scaled copy and nulls the pointers. Called when the
// instance count goes from 1 to 0; harmless when nothing is loaded.
void ReleaseImageSet();

// Loads "<folder of the plug-in>/qlview/<name>.png" (the platform's own separator). On failure
// returns null when `noPlaceholder` is set, otherwise a 128 x 128 placeholder showing the name.
// The caller owns the result. The plug-in's folder is looked up once, on the first call.
GFX_MemBitmap *LoadHighwayImage(const char *name, bool noPlaceholder);

// Draws the picture of `slot` onto `dest`, scaled to `width` pixels wide with its aspect ratio
// kept, left edge at column x, with the fraction `anchor` of its height above row y, at strength
// `alpha`. The scaled copy is made once per slot and width and kept until FlushScaledCopies.
// Draws nothing for a slot outside 0..43, a missing or empty picture, a width below 1, a copy
// that cannot be made, or a non-finite anchor or placement outside the int range.
void DrawImageScaled(GFX_IBitmap *dest, int32_t slot, int32_t x, int32_t y, int32_t width, float alpha,
                     float anchor);

// Destroys every cached scaled copy of every slot (the lists keep their storage).
void FlushScaledCopies();

// Read access to a slot's cache for diagnostics and tests: the number of copies, and the copy at
// `index` in ascending width order (null when out of range).
int32_t ScaledCopyCount(int32_t slot);
GFX_MemBitmap *ScaledCopyAt(int32_t slot, int32_t index);
