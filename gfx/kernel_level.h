// Which form of the raster kernels runs: the plain per-pixel (scalar) kernels, which are the
// definition of every result, or the vector kernels held to them byte for byte. Not part of the
// public interface; tests and benchmarks switch it to compare the two forms.
//
// Threads: the level is one process-wide relaxed atomic. Switch it only while no drawing runs
// (tests and benchmarks do so between calls); every kernel reads it once per row or per call.
#pragma once

#include <atomic>

namespace gfx_internal {

enum class KernelLevel : int {
    kScalar = 0,  // the reference kernels
    kSse2 = 1,    // 128-bit vector kernels (every x86-64 processor has SSE2)
};

// The best level this build supports: kSse2 where the compiler targets SSE2, kScalar elsewhere.
#if defined(__SSE2__)
constexpr KernelLevel kBestKernelLevel = KernelLevel::kSse2;
#else
constexpr KernelLevel kBestKernelLevel = KernelLevel::kScalar;
#endif
inline KernelLevel SupportedKernelLevel() { return kBestKernelLevel; }

// Sets the level the kernels use (capped at SupportedKernelLevel()) and returns the level now in
// force.
KernelLevel SetKernelLevel(KernelLevel wanted);

// The process starts at kBestKernelLevel (constant-initialised, so drawing during static
// initialisation sees it too).
extern std::atomic<int> g_kernel_level;

inline bool VectorKernels() { return g_kernel_level.load(std::memory_order_relaxed) != 0; }

}  // namespace gfx_internal
