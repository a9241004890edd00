// The note highway: one frame of the perspective lane board, its markers, gems, sustain tails
// and hit animations, painted into the editor's back buffer.
#pragma once

class PreviewInstance;

// Paints one frame into instance->back_buffer, which the caller has already sized to
// width x height pixels (the editor's client area).
//
// Thread: the editor window's thread only, inside its paint handler. Takes no lock itself; the
// draw list is produced under the instance lock by note extraction, which this calls first.
// Uses the process-wide image set and its scaled-copy cache, which are unlocked and therefore
// main-thread only as well.
//
// Ownership: creates instance->highway_image (the cached static board) on the first frame and
// keeps it with the instance; rebuilds it, and empties the scaled-copy cache, whenever the size
// changes or instance->highway_dirty is set, and clears that flag.
//
// Bad input: a null instance or back buffer, or a non-positive size, paints nothing (note
// extraction still runs, so hit animations keep counting). Items with non-finite positions are
// skipped. A board that cannot be allocated skips the frame; the next one tries again.
void RenderHighway(PreviewInstance *instance, int width, int height);
