// The process-wide choice between the scalar and the vector raster kernels.
#include "gfx/kernel_level.h"

namespace gfx_internal {

constinit std::atomic<int> g_kernel_level{static_cast<int>(kBestKernelLevel)};

KernelLevel SetKernelLevel(KernelLevel wanted) {
    const KernelLevel level =
        static_cast<int>(wanted) > static_cast<int>(kBestKernelLevel) ? kBestKernelLevel : wanted;
    g_kernel_level.store(static_cast<int>(level), std::memory_order_relaxed);
    return level;
}

}  // namespace gfx_internal
