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
    kAvx2 = 2,    // 256-bit forms of the hottest kernels, where the processor has AVX2
};

// Whether this build carries AVX2 forms (x86-64 with a compiler that compiles functions for a
// chosen instruction set); whether they run is decided at run time.
#if defined(__x86_64__) && defined(__GNUC__)
#define QLV_HAVE_AVX2_KERNELS 1
#else
#define QLV_HAVE_AVX2_KERNELS 0
#endif

// The level every processor this build targets has: kSse2 where the compiler targets SSE2,
// kScalar elsewhere.
#if defined(__SSE2__)
constexpr KernelLevel kBaseKernelLevel = KernelLevel::kSse2;
#else
constexpr KernelLevel kBaseKernelLevel = KernelLevel::kScalar;
#endif

// The best level this build and this processor support (kAvx2 when the processor has AVX2).
KernelLevel SupportedKernelLevel();

// Sets the level the kernels use (capped at SupportedKernelLevel()) and returns the level now in
// force.
KernelLevel SetKernelLevel(KernelLevel wanted);

// The process starts at kBaseKernelLevel (constant-initialised, so drawing during static
// initialisation has it) and moves to SupportedKernelLevel() during static initialisation.
extern std::atomic<int> g_kernel_level;

inline bool VectorKernels() { return g_kernel_level.load(std::memory_order_relaxed) != 0; }
inline bool Avx2Kernels() {
    return g_kernel_level.load(std::memory_order_relaxed) >= static_cast<int>(KernelLevel::kAvx2);
}

}  // namespace gfx_internal
