// The scaled blit's operation table: how a sampled (or averaged) source colour is combined into
// one destination pixel. Each entry is a small function object so that every kernel is compiled
// once per operation and decides the mode once per call, never per pixel.
#pragma once

#include "gfx/add_rows.h"
#include "gfx/blend_internal.h"
#include "gfx/copy_alpha_rows.h"

#include <cstring>

namespace gfx_scaled {

using gfx_internal::AlphaScaledWeight;

// Copy at exactly full strength: the pixel becomes the sample, each channel clamped.
struct OpPut {
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const { *p = gfx_internal::PackClamped(r, g, b, a); }
};
struct OpCopy {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const { gfx_internal::MixCopy(p, r, g, b, a, w); }
};
struct OpAdd {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const { gfx_internal::MixAdd(p, r, g, b, a, w); }
};
struct OpDodge {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const { gfx_internal::MixDodge(p, r, g, b, a, w); }
};
struct OpMultiply {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixMultiply(p, r, g, b, a, w);
    }
};
struct OpSoftLight {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixSoftLight(p, r, g, b, a, w);
    }
};
struct OpHsvShift {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixHsvShift(p, r, g, b, a, w);
    }
};
// Source-alpha forms: the weight is scaled by the sample's own alpha.
struct OpCopyAlphaFull {
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixCopyWithAlphaFull(p, r, g, b, a);
    }
};
struct OpCopyAlpha {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixCopyWithAlpha(p, r, g, b, a, w);
    }
};
struct OpAddAlpha {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixAddWithAlpha(p, r, g, b, a, w);
    }
};
struct OpDodgeAlpha {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixDodgeWithAlpha(p, r, g, b, a, w);
    }
};
struct OpMultiplyAlpha {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixMultiplyWithAlpha(p, r, g, b, a, w);
    }
};
struct OpSoftLightAlpha {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixSoftLight(p, r, g, b, a, AlphaScaledWeight(w, a));
    }
};
struct OpHsvShiftAlpha {
    int w;
    void operator()(GFX_Color32 *p, int r, int g, int b, int a) const {
        gfx_internal::MixHsvShift(p, r, g, b, a, AlphaScaledWeight(w, a));
    }
};

// Combines n sampled source words (each channel already a byte) into n destination pixels: what
// calling the operation pixel by pixel does, through the row kernels where the operation has
// one (they run the vector or the scalar form by the kernel level).
template <class Op>
void ApplyRow(const Op &op, GFX_Color32 *d, const GFX_Color32 *s, int n) {
    using gfx_internal::Alpha;
    using gfx_internal::Blue;
    using gfx_internal::Green;
    using gfx_internal::Red;
    for (int i = 0; i < n; ++i) op(d + i, Red(s[i]), Green(s[i]), Blue(s[i]), Alpha(s[i]));
}
inline void ApplyRow(const OpPut &, GFX_Color32 *d, const GFX_Color32 *s, int n) {
    std::memcpy(d, s, static_cast<size_t>(n) * sizeof(GFX_Color32));
}
inline void ApplyRow(const OpCopyAlphaFull &, GFX_Color32 *d, const GFX_Color32 *s, int n) {
    gfx_internal::CopyAlphaFullRow(d, s, n);
}
inline void ApplyRow(const OpCopyAlpha &op, GFX_Color32 *d, const GFX_Color32 *s, int n) {
    if (op.w >= 0 && op.w <= gfx_internal::kCopyAlphaFastMaxWeight) {
        gfx_internal::CopyAlphaRow(d, s, n, op.w);
    } else {
        gfx_internal::CopyAlphaRowReference(d, s, n, op.w);
    }
}
inline void ApplyRow(const OpAdd &op, GFX_Color32 *d, const GFX_Color32 *s, int n) {
    gfx_internal::AddRow(d, s, n, op.w);
}
inline void ApplyRow(const OpAddAlpha &op, GFX_Color32 *d, const GFX_Color32 *s, int n) {
    gfx_internal::AddAlphaRow(d, s, n, op.w);
}

// Calls `run(op)` with the function object for mode & 0x100FF at this strength and weight.
// Returns without calling it when the entry draws nothing: an operation byte outside 0..5
// (channel copies included) or a plain copy at a strength not above 0.
template <class Run>
void WithOperation(GFX_CombineMode mode, float alpha, int w, Run &&run) {
    switch (mode & (GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_OP_MASK)) {
    case GFX_COMBINE_COPY:
        if (alpha == 1.0f) {
            run(OpPut{});
        } else if (alpha > 0.0f) {
            run(OpCopy{w});
        }
        return;
    case GFX_COMBINE_ADD: run(OpAdd{w}); return;
    case GFX_COMBINE_DODGE: run(OpDodge{w}); return;
    case GFX_COMBINE_MULTIPLY: run(OpMultiply{w}); return;
    case GFX_COMBINE_SOFT_LIGHT: run(OpSoftLight{w}); return;
    case GFX_COMBINE_HSV_SHIFT: run(OpHsvShift{w}); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_COPY:
        if (alpha == 1.0f) {
            run(OpCopyAlphaFull{});
        } else {
            run(OpCopyAlpha{w});
        }
        return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_ADD: run(OpAddAlpha{w}); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_DODGE: run(OpDodgeAlpha{w}); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_MULTIPLY: run(OpMultiplyAlpha{w}); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_SOFT_LIGHT: run(OpSoftLightAlpha{w}); return;
    case GFX_COMBINE_SOURCE_ALPHA | GFX_COMBINE_HSV_SHIFT: run(OpHsvShiftAlpha{w}); return;
    default: return;
    }
}

}  // namespace gfx_scaled
