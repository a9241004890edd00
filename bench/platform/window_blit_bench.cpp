// The window system's share of every editor paint: the BitBlt of the finished frame from a
// memory DC into the window (which keeps no alpha), and reading a window's pixels back, against
// a memcpy of one frame (cache-warm, and from main memory: bench/common/memcpy_floor.h).
#include "bench/common/memcpy_floor.h"

#include <benchmark/benchmark.h>
#include <qlv_headless.h>
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

HDC g_source = nullptr;
int g_width = 0, g_height = 0;

LRESULT CALLBACK BlitProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wparam, lparam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BitBlt(dc, 0, 0, g_width, g_height, g_source, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}

// A window of the given size and a memory DC holding a top-down DIB of patterned pixels.
struct Scene {
    HWND window = nullptr;
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    HGDIOBJ previous = nullptr;

    Scene(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        if (!section || !dc) return;
        auto *p = static_cast<uint32_t *>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) p[i] = 0x80000000u + static_cast<uint32_t>(i);
        previous = SelectObject(dc, section);
        g_source = dc;
        g_width = width;
        g_height = height;
        window = QlvHeadlessCreateWindow(0, 0, width, height, BlitProc);
    }
    ~Scene() {
        if (window) DestroyWindow(window);
        if (dc && previous) SelectObject(dc, previous);
        if (section) DeleteObject(section);
        if (dc) DeleteDC(dc);
    }
};

void Frame(benchmark::State &state) {
    state.SetBytesProcessed(state.iterations() * state.range(0) * state.range(1) * 4);
}

void BM_WindowBitBlt(benchmark::State &state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!scene.window) {
        state.SkipWithError("no window");
        return;
    }
    for (auto _ : state) {
        InvalidateRect(scene.window, nullptr, FALSE);
        benchmark::DoNotOptimize(QlvHeadlessRunPaints());
    }
    Frame(state);
}

void BM_WindowReadPixels(benchmark::State &state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!scene.window) {
        state.SkipWithError("no window");
        return;
    }
    InvalidateRect(scene.window, nullptr, FALSE);
    QlvHeadlessRunPaints();
    std::vector<DWORD> out(static_cast<size_t>(state.range(0)) * state.range(1));
    for (auto _ : state) {
        QlvHeadlessReadPixels(scene.window, out.data(), out.size());
        benchmark::ClobberMemory();
    }
    Frame(state);
}

// The read-back a previewer makes: opaque frame words into its frame, in one pass.
void BM_WindowReadFrame(benchmark::State &state) {
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    if (!scene.window) {
        state.SkipWithError("no window");
        return;
    }
    InvalidateRect(scene.window, nullptr, FALSE);
    QlvHeadlessRunPaints();
    std::vector<DWORD> out(static_cast<size_t>(state.range(0)) * state.range(1));
    for (auto _ : state) {
        QlvHeadlessReadFrame(scene.window, out.data(), static_cast<size_t>(state.range(0)), out.size());
        benchmark::ClobberMemory();
    }
    Frame(state);
}

void BM_FrameMemcpy(benchmark::State &state) {
    RunMemcpyFloor(state, state.range(0) * state.range(1));
    Frame(state);
}
void BM_FrameMemcpyMainMemory(benchmark::State &state) {
    RunMemcpyFloorMainMemory(state, state.range(0) * state.range(1));
    Frame(state);
}

void Sizes(benchmark::internal::Benchmark *b) {
    b->Args({800, 600})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_FrameMemcpy)->Apply(Sizes);
BENCHMARK(BM_FrameMemcpyMainMemory)->Apply(Sizes);
BENCHMARK(BM_WindowBitBlt)->Apply(Sizes);
BENCHMARK(BM_WindowReadPixels)->Apply(Sizes);
BENCHMARK(BM_WindowReadFrame)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
