// The window system: dialogs from the built-in template, destruction order, window data,
// coordinates and placement, timers on the virtual clock, capture and mouse routing, painting
// and the block transfer into a window's pixels.
#include <windows.h>
#include <qlv_headless.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Logged {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<Logged> g_log;
// What the recording procedures do on top of logging.
bool g_paint_with_beginpaint = true;
bool g_child_alive_during_parent_destroy = false;
HWND g_watched_child = nullptr;

HINSTANCE Module() {
    static int anchor;
    return reinterpret_cast<HINSTANCE>(&anchor);
}

INT_PTR CALLBACK RecordingDialog(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    g_log.push_back({window, message, wparam, lparam});
    if (message == WM_INITDIALOG && lparam == 666) DestroyWindow(window);
    if (message == WM_DESTROY && g_watched_child && window != g_watched_child)
        g_child_alive_during_parent_destroy = IsWindow(g_watched_child) != FALSE;
    if (message == WM_PAINT && g_paint_with_beginpaint) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 1;
    }
    if (message == WM_ERASEBKGND) return 1;
    return 0;
}

LRESULT CALLBACK RecordingWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    g_log.push_back({window, message, wparam, lparam});
    return DefWindowProcA(window, message, wparam, lparam);
}

std::vector<Logged> Messages(UINT message) {
    std::vector<Logged> out;
    for (const Logged &l : g_log)
        if (l.message == message) out.push_back(l);
    return out;
}

HWND MakeDialog(HWND parent, LPARAM param = 0) {
    return CreateDialogParamA(Module(), MAKEINTRESOURCEA(101), parent, RecordingDialog, param);
}

class WindowSystem : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        g_paint_with_beginpaint = true;
        g_watched_child = nullptr;
        g_child_alive_during_parent_destroy = false;
        windows_before_ = QlvHeadlessWindowCount();
        timers_before_ = QlvHeadlessTimerCount();
        top_ = QlvHeadlessCreateWindow(100, 50, 800, 600, RecordingWindow);
        ASSERT_NE(top_, nullptr);
    }
    void TearDown() override {
        if (IsWindow(top_)) DestroyWindow(top_);
        ReleaseCapture();
        EXPECT_EQ(QlvHeadlessWindowCount(), windows_before_);
        EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
    }
    HWND top_ = nullptr;
    int windows_before_ = 0;
    int timers_before_ = 0;
};

TEST_F(WindowSystem, DialogIsCreatedHiddenWithTemplateSizeAndInitParameter) {
    HWND dialog = MakeDialog(top_, 1234);
    ASSERT_NE(dialog, nullptr);
    auto init = Messages(WM_INITDIALOG);
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].window, dialog);
    EXPECT_EQ(init[0].lparam, 1234);
    EXPECT_EQ(GetParent(dialog), top_);
    EXPECT_EQ(GetWindow(top_, GW_CHILD), dialog);
    EXPECT_EQ(GetWindow(dialog, GW_CHILD), nullptr);
    EXPECT_FALSE(IsWindowVisible(dialog));
    RECT rc;
    ASSERT_TRUE(GetClientRect(dialog, &rc));
    // 433 x 274 dialog units in the 8-point template font.
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_EQ(rc.right, 650);
    EXPECT_EQ(rc.bottom, 445);
    EXPECT_FALSE(ShowWindow(dialog, SW_SHOWNA));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(ShowWindow(dialog, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(dialog));

    RECT units{0, 0, 433, 274};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    EXPECT_EQ(units.right, 650);
    EXPECT_EQ(units.bottom, 445);
}

TEST_F(WindowSystem, DialogCreationFailuresLeaveNothingBehind) {
    int before = QlvHeadlessWindowCount();
    EXPECT_EQ(CreateDialogParamA(Module(), MAKEINTRESOURCEA(102), top_, RecordingDialog, 0), nullptr);
    EXPECT_EQ(CreateDialogParamA(Module(), "EDITOR", top_, RecordingDialog, 0), nullptr);
    EXPECT_EQ(CreateDialogParamA(nullptr, MAKEINTRESOURCEA(101), top_, RecordingDialog, 0), nullptr);
    EXPECT_EQ(CreateDialogParamA(Module(), MAKEINTRESOURCEA(101), nullptr, RecordingDialog, 0), nullptr);
    EXPECT_EQ(CreateDialogParamA(Module(), MAKEINTRESOURCEA(101), reinterpret_cast<HWND>(0x1234), RecordingDialog, 0),
              nullptr);
    // The procedure destroys its own dialog while initialising.
    EXPECT_EQ(MakeDialog(top_, 666), nullptr);
    EXPECT_EQ(Messages(WM_DESTROY).size(), 1u);
    EXPECT_EQ(QlvHeadlessWindowCount(), before);
}

TEST_F(WindowSystem, DestroySendsDestroyParentFirstAndFreesChildrenFirst) {
    HWND dialog = MakeDialog(top_);
    HWND inner = MakeDialog(dialog);
    ASSERT_NE(inner, nullptr);
    g_watched_child = inner;
    SetTimer(dialog, 1, 15, nullptr);
    SetTimer(inner, 7, 20, nullptr);
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_ + 2);
    g_log.clear();

    ASSERT_TRUE(DestroyWindow(dialog));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Logged &l : g_log)
        if (l.message == WM_DESTROY || l.message == WM_NCDESTROY) order.emplace_back(l.window, l.message);
    std::vector<std::pair<HWND, UINT>> expected{
        {dialog, WM_DESTROY}, {inner, WM_DESTROY}, {inner, WM_NCDESTROY}, {dialog, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(g_child_alive_during_parent_destroy);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(IsWindow(inner));
    EXPECT_EQ(QlvHeadlessTimerCount(), timers_before_);
    EXPECT_TRUE(IsWindow(top_));
    // A destroyed handle is answered with failures and no messages.
    g_log.clear();
    EXPECT_FALSE(DestroyWindow(dialog));
    EXPECT_EQ(SendMessageA(dialog, WM_USER, 0, 0), 0);
    EXPECT_EQ(SetTimer(dialog, 1, 15, nullptr), 0u);
    EXPECT_TRUE(g_log.empty());
}

TEST_F(WindowSystem, DestroyingTheTopLevelWindowTakesItsDialogAlong) {
    HWND dialog = MakeDialog(top_);
    SetTimer(dialog, 1, 15, nullptr);
    ASSERT_TRUE(DestroyWindow(top_));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(Messages(WM_DESTROY).size(), 2u);
}

TEST_F(WindowSystem, WindowDataSlots) {
    HWND dialog = MakeDialog(top_);
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_USERDATA), 0);
    EXPECT_EQ(SetWindowLongPtrA(dialog, GWLP_USERDATA, 0x1234567890), 0);
    EXPECT_EQ(SetWindowLongPtrA(dialog, GWLP_USERDATA, 42), 0x1234567890);
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_USERDATA), 42);
    EXPECT_EQ(SetWindowLongPtrA(dialog, DWLP_USER, 9), 0);
    EXPECT_EQ(GetWindowLongPtrA(dialog, DWLP_USER), 9);
    EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_USERDATA), 42);
    EXPECT_EQ(SetWindowLongPtrA(dialog, -999, 5), 0);
    EXPECT_EQ(GetWindowLongPtrA(dialog, -999), 0);
    // Dialog slots exist on dialogs only.
    EXPECT_EQ(SetWindowLongPtrA(top_, DWLP_USER, 5), 0);
    EXPECT_EQ(GetWindowLongPtrA(top_, DWLP_USER), 0);
    EXPECT_EQ(GetWindowLongPtrA(nullptr, GWLP_USERDATA), 0);
}

TEST_F(WindowSystem, CoordinatesAndPlacement) {
    HWND dialog = MakeDialog(top_);
    // Z-order among siblings: the last made is on top until another is brought up.
    HWND sibling = MakeDialog(top_);
    EXPECT_EQ(GetWindow(top_, GW_CHILD), sibling);
    EXPECT_EQ(GetWindow(sibling, GW_HWNDNEXT), dialog);
    EXPECT_EQ(GetWindow(dialog, GW_HWNDNEXT), nullptr);
    ASSERT_TRUE(SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE));
    EXPECT_EQ(GetWindow(top_, GW_CHILD), dialog);
    DestroyWindow(sibling);

    ASSERT_TRUE(SetWindowPos(dialog, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    POINT p{5, 6};
    ASSERT_TRUE(ClientToScreen(dialog, &p));
    EXPECT_EQ(p.x, 115);
    EXPECT_EQ(p.y, 76);
    ASSERT_TRUE(ScreenToClient(top_, &p));
    EXPECT_EQ(p.x, 15);
    EXPECT_EQ(p.y, 26);
    RECT wr;
    ASSERT_TRUE(GetWindowRect(dialog, &wr));
    EXPECT_EQ(wr.left, 110);
    EXPECT_EQ(wr.top, 70);
    EXPECT_EQ(wr.right, 110 + 650);

    g_log.clear();
    ASSERT_TRUE(SetWindowPos(dialog, nullptr, 999, 999, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT rc;
    GetClientRect(dialog, &rc);
    EXPECT_EQ(rc.right, 300);
    EXPECT_EQ(rc.bottom, 200);
    ASSERT_TRUE(GetWindowRect(dialog, &wr));
    EXPECT_EQ(wr.left, 110);  // not moved
    auto sizes = Messages(WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(LOWORD(sizes[0].lparam), 300);
    EXPECT_EQ(HIWORD(sizes[0].lparam), 200);

    // The same size again changes nothing and says nothing.
    g_log.clear();
    SetWindowPos(dialog, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(Messages(WM_SIZE).empty());

    SetWindowPos(dialog, nullptr, 0, 0, -5, -7, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(dialog, &rc);
    EXPECT_EQ(rc.right, 0);
    EXPECT_EQ(rc.bottom, 0);
    SetWindowPos(dialog, nullptr, 0, 0, 1 << 30, 1 << 30, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(dialog, &rc);
    EXPECT_EQ(rc.right, 16384);
    EXPECT_FALSE(SetWindowPos(nullptr, nullptr, 0, 0, 1, 1, 0));
    EXPECT_FALSE(ClientToScreen(nullptr, &p));
}

TEST_F(WindowSystem, TimersFireOnTheVirtualClockAndCoalesce) {
    HWND dialog = MakeDialog(top_);
    EXPECT_EQ(SetTimer(dialog, 1, 15, nullptr), 1u);
    EXPECT_EQ(SetTimer(dialog, 2, 3, nullptr), 2u);  // raised to the 10 ms floor
    g_log.clear();
    EXPECT_EQ(QlvHeadlessAdvanceClock(9), 0);
    EXPECT_EQ(QlvHeadlessAdvanceClock(1), 1);  // timer 2 at 10 ms
    EXPECT_EQ(QlvHeadlessAdvanceClock(5), 1);  // timer 1 at 15 ms
    auto ticks = Messages(WM_TIMER);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[0].wparam, 2u);
    EXPECT_EQ(ticks[1].wparam, 1u);
    EXPECT_EQ(ticks[1].window, dialog);

    // A long stall delivers each timer once, and the period restarts from its last expiry.
    g_log.clear();
    EXPECT_EQ(QlvHeadlessAdvanceClock(100), 2);  // now 115: timer 1 last due at 105 -> next 120
    EXPECT_EQ(QlvHeadlessAdvanceClock(4), 0);
    EXPECT_EQ(QlvHeadlessAdvanceClock(1), 2);  // 120: both (timer 2's next was 120 too)

    EXPECT_TRUE(KillTimer(dialog, 2));
    EXPECT_FALSE(KillTimer(dialog, 2));
    g_log.clear();
    EXPECT_EQ(QlvHeadlessAdvanceClock(15), 1);
    EXPECT_EQ(Messages(WM_TIMER)[0].wparam, 1u);
    // Setting an existing id restarts it.
    SetTimer(dialog, 1, 15, nullptr);
    EXPECT_EQ(QlvHeadlessAdvanceClock(14), 0);
    EXPECT_EQ(QlvHeadlessAdvanceClock(1), 1);
    EXPECT_EQ(SetTimer(nullptr, 5, 15, nullptr), 0u);
}

HWND g_timer_victim = nullptr;
LRESULT CALLBACK KillsOtherWindow(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && g_timer_victim) {
        DestroyWindow(g_timer_victim);
        g_timer_victim = nullptr;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(WindowSystem, ATimerWhoseWindowDiedEarlierInThePassDoesNotFire) {
    HWND killer = QlvHeadlessCreateWindow(0, 0, 10, 10, KillsOtherWindow);
    HWND victim = MakeDialog(top_);
    SetTimer(killer, 1, 15, nullptr);
    SetTimer(victim, 1, 15, nullptr);
    g_timer_victim = victim;
    g_log.clear();
    EXPECT_EQ(QlvHeadlessAdvanceClock(15), 1);
    EXPECT_FALSE(IsWindow(victim));
    EXPECT_TRUE(Messages(WM_TIMER).empty());
    DestroyWindow(killer);
}

TEST_F(WindowSystem, MouseGoesToTheWindowUnderThePointOrToTheCapture) {
    HWND dialog = MakeDialog(top_);
    SetWindowPos(dialog, nullptr, 10, 20, 100, 50, SWP_NOZORDER);
    // Hidden windows are not hit.
    g_log.clear();
    ASSERT_TRUE(QlvHeadlessMouse(top_, WM_LBUTTONDOWN, 15, 25));
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].window, top_);
    QlvHeadlessMouse(top_, WM_LBUTTONUP, 15, 25);

    ShowWindow(dialog, SW_SHOWNA);
    g_log.clear();
    ASSERT_TRUE(QlvHeadlessMouse(top_, WM_LBUTTONDOWN, 15, 25));
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].window, dialog);
    EXPECT_EQ(g_log[0].wparam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(static_cast<short>(LOWORD(g_log[0].lparam)), 5);
    EXPECT_EQ(static_cast<short>(HIWORD(g_log[0].lparam)), 5);

    // Outside the dialog without capture: the top-level window.
    g_log.clear();
    QlvHeadlessMouse(top_, WM_MOUSEMOVE, 300, 300);
    ASSERT_EQ(g_log.size(), 1u);
    EXPECT_EQ(g_log[0].window, top_);

    // With capture every message goes to the dialog, in its own coordinates (negative too).
    EXPECT_EQ(SetCapture(dialog), nullptr);
    EXPECT_EQ(GetCapture(), dialog);
    g_log.clear();
    QlvHeadlessMouse(top_, WM_MOUSEMOVE, 2, 3);
    QlvHeadlessMouse(top_, WM_LBUTTONUP, 2, 3);
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0].window, dialog);
    EXPECT_EQ(static_cast<short>(LOWORD(g_log[0].lparam)), -8);
    EXPECT_EQ(static_cast<short>(HIWORD(g_log[0].lparam)), -17);
    EXPECT_EQ(g_log[0].wparam, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(g_log[1].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(g_log[1].wparam, 0u);

    g_log.clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(Messages(WM_CAPTURECHANGED).size(), 1u);
    EXPECT_EQ(Messages(WM_CAPTURECHANGED)[0].window, dialog);

    // Outside the top-level window without capture nothing is delivered; bad input is refused.
    EXPECT_FALSE(QlvHeadlessMouse(top_, WM_MOUSEMOVE, -1, 10));
    EXPECT_FALSE(QlvHeadlessMouse(top_, 0x0204 /* right button */, 1, 1));
    EXPECT_FALSE(QlvHeadlessMouse(dialog, WM_MOUSEMOVE, 1, 1));
    EXPECT_FALSE(QlvHeadlessMouse(nullptr, WM_MOUSEMOVE, 1, 1));

    // Destroying the capture window ends the capture.
    SetCapture(dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(GetCapture(), nullptr);
}

// A 32-bit DIB in a memory DC with the given pixel values.
struct MemorySurface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t *bits = nullptr;
    MemorySurface(int w, int h, bool top_down) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = top_down ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        void *raw = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<uint32_t *>(raw);
        previous = SelectObject(dc, bitmap);
    }
    ~MemorySurface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

HDC g_paint_source = nullptr;
LRESULT CALLBACK BlitsOnPaint(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    g_log.push_back({window, message, wparam, lparam});
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        BitBlt(dc, 1, 1, 4, 3, g_paint_source, 0, 0, SRCCOPY);
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(WindowSystem, PaintPassCopiesTheBackBufferIntoTheWindowPixels) {
    MemorySurface source(4, 3, true);
    ASSERT_NE(source.bits, nullptr);
    for (int i = 0; i < 12; ++i) source.bits[i] = 0xff000000u | static_cast<uint32_t>(i + 1);
    g_paint_source = source.dc;
    HWND window = QlvHeadlessCreateWindow(0, 0, 6, 5, BlitsOnPaint);
    g_log.clear();
    EXPECT_EQ(QlvHeadlessRunPaints(), 2);  // both new top-level windows
    std::vector<DWORD> pixels(30);
    ASSERT_TRUE(QlvHeadlessReadPixels(window, pixels.data(), pixels.size()));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            DWORD expected = (x >= 1 && x <= 4 && y >= 1 && y <= 3) ? static_cast<DWORD>((y - 1) * 4 + x) : 0u;
            EXPECT_EQ(pixels[y * 6 + x], expected) << x << "," << y;
        }
    // Nothing is invalid any more; invalidating without erase repaints without WM_ERASEBKGND.
    EXPECT_EQ(QlvHeadlessRunPaints(), 0);
    g_log.clear();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(QlvHeadlessRunPaints(), 1);
    EXPECT_TRUE(Messages(WM_ERASEBKGND).empty());
    EXPECT_FALSE(QlvHeadlessReadPixels(window, pixels.data(), 29));
    DestroyWindow(window);
}

TEST_F(WindowSystem, PaintingSkipsHiddenWindowsAndEndsWhenAProcedureDoesNotPaint) {
    QlvHeadlessRunPaints();
    HWND dialog = MakeDialog(top_);
    InvalidateRect(dialog, nullptr, FALSE);
    g_log.clear();
    EXPECT_EQ(QlvHeadlessRunPaints(), 0);  // still hidden
    ShowWindow(dialog, SW_SHOWNA);
    g_paint_with_beginpaint = false;
    g_log.clear();
    EXPECT_EQ(QlvHeadlessRunPaints(), 1);
    EXPECT_EQ(QlvHeadlessRunPaints(), 0);

    // A pending erase is offered to the procedure first, and BeginPaint says whether it was done.
    g_paint_with_beginpaint = true;
    InvalidateRect(dialog, nullptr, TRUE);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(ps.fErase);  // the procedure answered 1
    EXPECT_EQ(ps.rcPaint.right, 650);
    EXPECT_EQ(Messages(WM_ERASEBKGND).size(), 1u);
    EXPECT_TRUE(EndPaint(dialog, &ps));
    RECT update;
    EXPECT_FALSE(GetUpdateRect(dialog, &update, FALSE));

    // Invalidation is clipped to the client area and merged.
    RECT a{-10, -10, 5, 5}, b{600, 400, 9000, 9000};
    InvalidateRect(dialog, &a, FALSE);
    InvalidateRect(dialog, &b, FALSE);
    ASSERT_TRUE(GetUpdateRect(dialog, &update, FALSE));
    EXPECT_EQ(update.left, 0);
    EXPECT_EQ(update.top, 0);
    EXPECT_EQ(update.right, 650);
    EXPECT_EQ(update.bottom, 445);
    EXPECT_FALSE(InvalidateRect(nullptr, nullptr, FALSE));
}

TEST_F(WindowSystem, BlockTransferClipsHonoursRowOrderAndRejectsBadInput) {
    MemorySurface bottom_up(3, 2, false);
    ASSERT_NE(bottom_up.bits, nullptr);
    // Stored rows of a bottom-up DIB: the first one in memory is the bottom image row.
    const uint32_t stored[6] = {4, 5, 6, 1, 2, 3};
    for (int i = 0; i < 6; ++i) bottom_up.bits[i] = stored[i];
    MemorySurface target(3, 2, true);
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 3, 2, bottom_up.dc, 0, 0, SRCCOPY));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(target.bits[i], static_cast<uint32_t>(i + 1));

    // Negative destination offsets clip the source by the same amount; alpha survives in memory.
    for (int i = 0; i < 6; ++i) target.bits[i] = 0;
    bottom_up.bits[3] = 0xff000001u;  // image (0, 0)
    ASSERT_TRUE(BitBlt(target.dc, -1, -1, 100, 100, bottom_up.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.bits[0], 5u);  // image (1, 1)
    EXPECT_EQ(target.bits[1], 6u);
    EXPECT_EQ(target.bits[2], 0u);
    EXPECT_EQ(target.bits[3], 0u);
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 1, 1, bottom_up.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.bits[0], 0xff000001u);
    // Huge offsets never wrap into the bitmap.
    EXPECT_TRUE(BitBlt(target.dc, 0x7ffffff0, 0, 0x7fffffff, 1, bottom_up.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(target.dc, 0, 0, 2, 2, bottom_up.dc, -0x7fffffff, 0, SRCCOPY));
    EXPECT_EQ(target.bits[0], 0xff000001u);
    // Overlapping copy within one surface.
    for (int i = 0; i < 6; ++i) target.bits[i] = static_cast<uint32_t>(10 + i);
    ASSERT_TRUE(BitBlt(target.dc, 1, 0, 2, 2, target.dc, 0, 0, SRCCOPY));
    const uint32_t shifted[6] = {10, 10, 11, 13, 13, 14};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(target.bits[i], shifted[i]);

    EXPECT_FALSE(BitBlt(target.dc, 0, 0, 1, 1, bottom_up.dc, 0, 0, 0x00EE0086 /* another operation */));
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, bottom_up.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(target.dc, 0, 0, 1, 1, reinterpret_cast<HDC>(0x5678), 0, 0, SRCCOPY));
}

}  // namespace
