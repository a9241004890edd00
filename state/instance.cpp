#include "state/instance.h"

HMODULE module_handle = nullptr;
HostFunctionSet HostFunctions;
std::atomic<int32_t> time_offset_ms{0};
int32_t instance_count = 0;

void PreviewInstance::Reset() {
    chart_events.Resize(0, false);
    last_position = -1.0;
    display_position = -1.0;
    flip_count = 0;
}
