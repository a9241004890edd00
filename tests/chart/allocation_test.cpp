// Once warmed up, an audio block makes no heap allocation, neither in the plug-in's chart work
// nor in the reference host's answers. This binary replaces operator new and wraps the C heap
// functions of everything linked into it statically (see CMakeLists.txt), and counts every
// request made while a block runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "chart_test_host.h"
#include "host/chart_generator.h"

namespace {

extern "C" void *__real_malloc(std::size_t size);

std::atomic<bool> g_counting{false};
std::atomic<long> g_requests{0};

void Count() {
    if (g_counting.load(std::memory_order_relaxed)) g_requests.fetch_add(1, std::memory_order_relaxed);
}

void *Allocate(std::size_t size) {
    Count();
    if (void *p = __real_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

// Visible, because shared libraries of the sanitizer runtime may bind to them too.
extern "C" {
void *__real_realloc(void *block, std::size_t size);
__attribute__((visibility("default"))) void *__wrap_malloc(std::size_t size) {
    Count();
    return __real_malloc(size);
}
__attribute__((visibility("default"))) void *__wrap_realloc(void *block, std::size_t size) {
    Count();
    return __real_realloc(block, size);
}
}

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    Count();
    return __real_malloc(size ? size : 1);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    Count();
    return __real_malloc(size ? size : 1);
}
// The replaced new and delete are a matched pair over malloc and free. Kept out of line so that
// the compiler, seeing a free reached from a delete expression, does not call them mismatched.
namespace {
__attribute__((noinline)) void Release(void *p) noexcept { std::free(p); }
}  // namespace
void operator delete(void *p) noexcept { Release(p); }
void operator delete[](void *p) noexcept { Release(p); }
void operator delete(void *p, std::size_t) noexcept { Release(p); }
void operator delete[](void *p, std::size_t) noexcept { Release(p); }

namespace {

TEST(ChartAllocation, CountingSeesAllocations) {
    g_requests = 0;
    g_counting = true;
    GrowBuf buffer(4096);
    buffer.Resize(100, false);
    auto *boxed = new int(3);
    g_counting = false;
    delete boxed;
    EXPECT_EQ(g_requests.load(), 2);
}

TEST(ChartAllocation, SteadyBlocksAllocateNothing) {
    ChartGeneratorOptions options;
    options.measures = 40;
    options.notes_per_beat = 4;
    auto project = GenerateChart(options).BuildProject();
    for (int32_t mode : {0, 1}) {
        ChartTestHost host(project.get());
        PreviewInstance &inst = host.instance();
        inst.mode = mode;
        inst.skill = 3;
        host.OpenEditor();
        // Warm-up: the whole song once, so every buffer reaches its working size.
        host.SetTransport(0, true);
        for (int i = 0; i < 4000; ++i) {
            host.PlayBlock(512);
            host.Paint();
        }
        // Back to the start (a reset) and thousands of steady blocks, counted.
        host.SetTransport(0, true);
        long requests = 0;
        for (int i = 0; i < 4000; ++i) {
            g_requests = 0;
            g_counting = true;
            host.PlayBlock(512);
            g_counting = false;
            requests += g_requests.load();
            host.Paint();
        }
        EXPECT_EQ(requests, 0) << "mode " << mode;
        EXPECT_GT(inst.fetched_end, 4000.0 * 512);
    }
}

}  // namespace
