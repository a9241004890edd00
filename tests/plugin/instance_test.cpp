#include <gtest/gtest.h>

#include <cstring>

#include "gfx/gfx.h"
#include "plugin/dispatcher.h"
#include "state/instance.h"

namespace {

intptr_t SilentHost(AEffect *, int32_t, int32_t, intptr_t, void *, float) { return 0; }

TEST(PreviewInstance, ConstructionFillsTheEffectRecord) {
    // The counts, flags and identity are checked through the real binary; here the routines and
    // the fields a host must find cleared.
    auto *instance = new PreviewInstance(SilentHost);
    const AEffect &e = instance->effect;
    EXPECT_EQ(e.dispatcher, &PreviewDispatcher);
    EXPECT_EQ(e.process, &PreviewProcess);
    EXPECT_EQ(e.setParameter, &PreviewSetParameter);
    EXPECT_EQ(e.getParameter, &PreviewGetParameter);
    EXPECT_EQ(e.processReplacing, &PreviewProcessReplacing);
    EXPECT_EQ(e.user, instance);
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_EQ(e.realQualities, 0);
    EXPECT_EQ(e.offQualities, 0);
    EXPECT_EQ(e.ioRatio, 0.0f);
    EXPECT_EQ(e.object, nullptr);
    for (char c : e.future) EXPECT_EQ(c, 0);
    EXPECT_EQ(PreviewInstance::FromEffect(&instance->effect), instance);
    delete instance;
}

TEST(PreviewInstance, ConstructionSetsTheInitialState) {
    PreviewInstance instance(SilentHost);
    EXPECT_EQ(instance.flip_count, 0);
    EXPECT_EQ(instance.sample_rate, 44100.0);
    EXPECT_EQ(instance.host_callback, &SilentHost);
    EXPECT_EQ(instance.editor_window.load(), nullptr);
    EXPECT_EQ(instance.skill.load(), 0);
    EXPECT_EQ(instance.mode.load(), 0);
    EXPECT_EQ(instance.hopo_threshold.load(), 170);
    EXPECT_EQ(instance.last_position, -1.0);
    EXPECT_EQ(instance.display_position, -1.0);
    EXPECT_EQ(instance.chart_events.granularity, 4096);
    EXPECT_EQ(instance.highway_items.granularity, 4096);
    EXPECT_EQ(instance.chunk_buf.granularity, 4096);
    EXPECT_EQ(instance.chart_events.data, nullptr);
    EXPECT_EQ(instance.highway_items.data, nullptr);
    EXPECT_EQ(instance.chunk_buf.data, nullptr);
    EXPECT_EQ(instance.event_list.store.granularity, 1024);
    EXPECT_EQ(instance.event_list.ByteSize(), 0);
    EXPECT_EQ(instance.chunk_read_pos, 0);
    EXPECT_EQ(instance.back_buffer, nullptr);
    EXPECT_EQ(instance.highway_image, nullptr);
    EXPECT_EQ(instance.highway_dirty, 1);
    // The lock is recursive: the audio work may re-enter it through host calls.
    EnterCriticalSection(&instance.lock);
    EnterCriticalSection(&instance.lock);
    LeaveCriticalSection(&instance.lock);
    LeaveCriticalSection(&instance.lock);
}

TEST(PreviewInstance, InstancesAreCounted) {
    const int32_t before = instance_count;
    auto *a = new PreviewInstance(SilentHost);
    EXPECT_EQ(instance_count, before + 1);
    auto *b = new PreviewInstance(SilentHost);
    EXPECT_EQ(instance_count, before + 2);
    EXPECT_NE(a->effect.user, b->effect.user);
    delete a;
    EXPECT_EQ(instance_count, before + 1);
    delete b;
    EXPECT_EQ(instance_count, before);
}

TEST(PreviewInstance, ResetEmptiesTheChartButKeepsStorage) {
    PreviewInstance instance(SilentHost);
    instance.chart_events.Resize(320);
    instance.highway_items.Resize(64);
    uint8_t *storage = instance.chart_events.data;
    instance.last_position = 1000.0;
    instance.display_position = 900.0;
    instance.fetched_end = 5000.0;
    instance.flip_count = 3;
    instance.skill = 2;
    instance.mode = 1;
    instance.hopo_threshold = 240;

    EnterCriticalSection(&instance.lock);
    instance.Reset();
    LeaveCriticalSection(&instance.lock);

    EXPECT_EQ(instance.chart_events.used, 0);
    EXPECT_EQ(instance.chart_events.data, storage);
    EXPECT_EQ(instance.chart_events.allocated, 4096 - 96);
    EXPECT_EQ(instance.last_position, -1.0);
    EXPECT_EQ(instance.display_position, -1.0);
    EXPECT_EQ(instance.flip_count, 0);
    EXPECT_EQ(instance.fetched_end, 5000.0);
    EXPECT_EQ(instance.highway_items.used, 64);
    EXPECT_EQ(instance.skill.load(), 2);
    EXPECT_EQ(instance.mode.load(), 1);
    EXPECT_EQ(instance.hopo_threshold.load(), 240);
}

TEST(PreviewInstance, DestructionDeletesTheEditorBitmaps) {
    // Leak checking (the sanitizer build) proves both are freed.
    auto *instance = new PreviewInstance(SilentHost);
    instance->highway_image = new GFX_MemBitmap(16, 8);
    instance->chart_events.Resize(100);
    instance->highway_items.Resize(100);
    instance->event_list.Clear();
    void *chunk = nullptr;
    instance->GetChunk(&chunk);
    delete instance;
}

}  // namespace
