// The vector raster kernels against the scalar ones: each check draws the same random calls
// (sizes, pitches, both row orders, clipping, strengths, modes) once at the scalar kernel level
// and once at every vector level this build and processor have (SSE2, and AVX2 where the
// processor has it), and compares every byte, guards included.
//
// Plain functions without a test framework, so that the native test suite and a program built
// for Windows (run under Wine) share them. Each returns "" when all `cases` agree, otherwise a
// description of the first case that did not.
#pragma once

#include <cstdint>
#include <string>

namespace kernel_agreement {

std::string CheckBlit(uint32_t seed, int cases);      // GFX_DrawBitmap
std::string CheckFill(uint32_t seed, int cases);      // GFX_BlendRect and GFX_SetAllPixels
std::string CheckNearest(uint32_t seed, int cases);   // GFX_DrawBitmapScaled, unfiltered
std::string CheckFiltered(uint32_t seed, int cases);  // GFX_DrawBitmapScaled, bilinear and shrink

}  // namespace kernel_agreement
