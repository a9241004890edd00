// The process-wide choice between the scalar and the vector raster kernels.
#include "gfx/kernel_level.h"

namespace gfx_internal {

constinit std::atomic<int> g_kernel_level{static_cast<int>(kBaseKernelLevel)};

KernelLevel SupportedKernelLevel() {
#if QLV_HAVE_AVX2_KERNELS
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    if (avx2) return KernelLevel::kAvx2;
#endif
    return kBaseKernelLevel;
}

KernelLevel SetKernelLevel(KernelLevel wanted) {
    const KernelLevel best = SupportedKernelLevel();
    const KernelLevel level = static_cast<int>(wanted) > static_cast<int>(best) ? best : wanted;
    g_kernel_level.store(static_cast<int>(level), std::memory_order_relaxed);
    return level;
}

namespace {
// Moves the process to the best level once, before main.
const KernelLevel g_initial_level = SetKernelLevel(KernelLevel::kAvx2);
}  // namespace

}  // namespace gfx_internal
