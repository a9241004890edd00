#include "chart/acquisition.h"

#include <cstring>

#include "plugin/instance.h"
#include "plugin/vst.h"

void ProcessBlock(PreviewInstance *instance, float **outputs, int32_t frames, bool accumulate) {
    if (!instance) return;
    if (!accumulate && outputs && frames > 0) {
        for (int channel = 0; channel < 2; ++channel) {
            if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(float) * static_cast<size_t>(frames));
        }
    }
    if (!instance->host_callback) return;
    auto *time_info = reinterpret_cast<VstTimeInfo *>(
        instance->host_callback(&instance->effect, audioMasterGetTime, 0, 0, nullptr, 0.0f));
    if (!time_info || !instance->editor_window.load(std::memory_order_relaxed)) return;
    // The fetch itself follows.
}
