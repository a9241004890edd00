// The host's two threads at once: the audio thread runs the process routines while the main
// thread changes settings, the sample rate and the processing switch. Meaningful under the
// thread sanitizer (the tsan preset), which reports any unsynchronised access.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "plugin/dispatcher.h"
#include "state/instance.h"

namespace {

VstTimeInfo g_info{};

intptr_t TransportHost(AEffect *, int32_t opcode, int32_t, intptr_t, void *, float) {
    return opcode == audioMasterGetTime ? reinterpret_cast<intptr_t>(&g_info) : 0;
}

TEST(Concurrency, AudioBlocksWhileTheMainThreadChangesSettings) {
    auto *instance = new PreviewInstance(&TransportHost);
    AEffect *effect = &instance->effect;
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> left(64), right(64);
        float *outputs[2] = {left.data(), right.data()};
        while (!done.load()) {
            PreviewProcessReplacing(effect, nullptr, outputs, 64);
            PreviewProcess(effect, nullptr, outputs, 64);
            blocks.fetch_add(1);
        }
    });
    for (int i = 0; i < 2000 || blocks.load() < 50; ++i) {
        uint8_t chunk[] = {static_cast<uint8_t>(i & 3), static_cast<uint8_t>((i >> 2) & 3), 0x40, 0x06};
        PreviewDispatcher(effect, effSetChunk, 0, 4, chunk, 0.0f);
        PreviewDispatcher(effect, effSetSampleRate, 0, 0, nullptr, i % 2 ? 44100.0f : 48000.0f);
        PreviewDispatcher(effect, effMainsChanged, 0, i % 3 == 0 ? 0 : 1, nullptr, 0.0f);
        time_offset_ms.store(i, std::memory_order_relaxed);
        void *data = nullptr;
        PreviewDispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
        if (i > 1000000) break;
    }
    done.store(true);
    audio.join();
    EXPECT_GT(blocks.load(), 0);
    EXPECT_EQ(instance->hopo_threshold.load(), 1600);
    PreviewDispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    time_offset_ms.store(0);
}

}  // namespace
