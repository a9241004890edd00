// BitBlt into a window on 100,000 random calls (sizes, offsets, clipping on every side, both DIB
// row orders) against a plain model: the window holds the source words with the alpha byte
// cleared, everything outside the copied rectangle unchanged, and reads back the same (also as
// opaque frame words into a wider frame).
#include <gtest/gtest.h>
#include <qlv_headless.h>
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWindowW = 45, kWindowH = 7, kSourceW = 50, kSourceH = 9;

uint32_t g_state = 12345;
uint32_t Next() {
    g_state ^= g_state << 13;
    g_state ^= g_state >> 17;
    g_state ^= g_state << 5;
    return g_state;
}
int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1)); }

// The call the window's paint makes: BitBlt(window, x, y, cx, cy, source, sx, sy).
struct BlitCall {
    int x, y, cx, cy, sx, sy;
    HDC source;
    BOOL result;
} g_call;

LRESULT CALLBACK PaintProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wparam, lparam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    g_call.result = BitBlt(dc, g_call.x, g_call.y, g_call.cx, g_call.cy, g_call.source, g_call.sx, g_call.sy, SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}

TEST(WindowBlitTest, RandomCopiesClearAlphaAndStayInTheirRectangle) {
    HWND window = QlvHeadlessCreateWindow(0, 0, kWindowW, kWindowH, PaintProc);
    ASSERT_NE(window, nullptr);
    std::vector<uint32_t> model(kWindowW * kWindowH, 0u), read(model.size());
    constexpr int kFramePitch = kWindowW + 3;
    std::vector<DWORD> frame(kFramePitch * kWindowH, 7u);
    EXPECT_FALSE(QlvHeadlessReadFrame(window, frame.data(), kWindowW - 1, frame.size()));
    EXPECT_FALSE(QlvHeadlessReadFrame(window, frame.data(), kFramePitch, frame.size() - 4));
    // The first paint (an empty copy) leaves whatever erasing the new window gives; the model
    // starts from that.
    g_call = BlitCall{0, 0, 0, 0, 0, 0, nullptr, FALSE};
    QlvHeadlessRunPaints();
    ASSERT_TRUE(QlvHeadlessReadPixels(window, model.data(), model.size()));

    for (int orientation = 0; orientation < 2; ++orientation) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = kSourceW;
        info.bmiHeader.biHeight = orientation ? kSourceH : -kSourceH;  // bottom-up, then top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        auto *words = static_cast<uint32_t *>(bits);
        auto source_at = [&](int x, int y) -> uint32_t & {
            return words[(orientation ? kSourceH - 1 - y : y) * kSourceW + x];
        };
        HDC memory = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(memory, section);

        for (int i = 0; i < 50000; ++i) {
            for (int p = 0; p < kSourceW * kSourceH; ++p) words[p] = Next();
            const int x = Range(-12, kWindowW + 2), y = Range(-3, kWindowH + 1);
            const int cx = Range(-1, kWindowW + 12), cy = Range(-1, kWindowH + 3);
            const int sx = Range(-12, kSourceW + 2), sy = Range(-3, kSourceH + 1);
            g_call = BlitCall{x, y, cx, cy, sx, sy, memory, FALSE};
            ASSERT_TRUE(InvalidateRect(window, nullptr, FALSE));
            ASSERT_EQ(QlvHeadlessRunPaints(), 1);
            ASSERT_TRUE(g_call.result);
            for (int r = 0; r < cy; ++r)
                for (int c = 0; c < cx; ++c) {
                    const int wx = x + c, wy = y + r, fx = sx + c, fy = sy + r;
                    if (wx < 0 || wy < 0 || wx >= kWindowW || wy >= kWindowH) continue;
                    if (fx < 0 || fy < 0 || fx >= kSourceW || fy >= kSourceH) continue;
                    model[wy * kWindowW + wx] = source_at(fx, fy) & 0x00FFFFFFu;
                }
            ASSERT_TRUE(QlvHeadlessReadPixels(window, read.data(), read.size()));
            ASSERT_EQ(read, model) << "call " << i << ": (" << x << ", " << y << ") " << cx << "x" << cy << " from ("
                                   << sx << ", " << sy << ")";
            // The same pixels as opaque frame words into rows of a wider frame, padding untouched.
            ASSERT_TRUE(QlvHeadlessReadFrame(window, frame.data(), kFramePitch, frame.size()));
            for (int r = 0; r < kWindowH; ++r)
                for (int c = 0; c < kFramePitch; ++c)
                    ASSERT_EQ(frame[r * kFramePitch + c], c < kWindowW ? model[r * kWindowW + c] | 0xFF000000u : 7u)
                        << "call " << i;
        }
        SelectObject(memory, previous);
        DeleteObject(section);
        DeleteDC(memory);
    }
    DestroyWindow(window);
}

// Copies larger than the last-level cache take another store path (streaming, from an aligned
// start): one such copy, starting at an odd column and ending short of the row, with the window
// words around it untouched.
TEST(WindowBlitTest, FrameSizedCopyLandsInItsRectangle) {
    constexpr int kW = 3843, kH = 2161;  // above the streaming size
    HWND window = QlvHeadlessCreateWindow(0, 0, kW, kH, PaintProc);
    ASSERT_NE(window, nullptr);
    g_call = BlitCall{0, 0, 0, 0, 0, 0, nullptr, FALSE};
    QlvHeadlessRunPaints();
    std::vector<uint32_t> model(static_cast<size_t>(kW) * kH), read(model.size());
    ASSERT_TRUE(QlvHeadlessReadPixels(window, model.data(), model.size()));

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kW;
    info.bmiHeader.biHeight = -kH;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    auto *words = static_cast<uint32_t *>(bits);
    for (size_t p = 0; p < model.size(); ++p) words[p] = Next();
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, section);

    const int x = 3, y = 1, cx = kW - 5, cy = kH - 1, sx = 1, sy = 0;
    g_call = BlitCall{x, y, cx, cy, sx, sy, memory, FALSE};
    ASSERT_TRUE(InvalidateRect(window, nullptr, FALSE));
    ASSERT_EQ(QlvHeadlessRunPaints(), 1);
    ASSERT_TRUE(g_call.result);
    for (int r = 0; r < cy && y + r < kH; ++r)
        for (int c = 0; c < cx && x + c < kW; ++c)
            model[static_cast<size_t>(y + r) * kW + x + c] = words[static_cast<size_t>(sy + r) * kW + sx + c] & 0x00FFFFFFu;
    ASSERT_TRUE(QlvHeadlessReadPixels(window, read.data(), read.size()));
    EXPECT_TRUE(read == model);

    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    DestroyWindow(window);
}

}  // namespace
