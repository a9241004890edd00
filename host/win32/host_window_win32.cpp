// Host windows on real Windows. A frame is the message loop of a workstation's main thread, held
// to a fixed shape so that every frame paints each editor exactly once (the editor counts its
// paints for its hit animations): first every message except paints is dispatched until each
// editor's own timer has fired (its tick resizes the editor and invalidates it), then only
// paints are taken from the queue until each editor has had one.
#include "host/host_window.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr const char *kClassName = "QlvHostWindow";
constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
// How long a frame may wait for an editor's timer and paint before it counts as lost.
constexpr ULONGLONG kFrameDeadlineMs = 5000;
// Longest single wait inside a frame; the queue is looked at again after it.
constexpr DWORD kPollMs = 5;

std::vector<HWND> g_windows;  // host windows alive, in creation order
bool g_button_down = false;

bool RegisterHostClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;  // the editor covers what matters; nothing is erased under it
    wc.lpszClassName = kClassName;
    registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

// The editors to wait for: the visible first child of every live host window.
std::vector<HWND> LiveEditors() {
    std::vector<HWND> editors;
    for (HWND top : g_windows) {
        if (!IsWindow(top)) continue;
        HWND child = GetWindow(top, GW_CHILD);
        if (child && IsWindowVisible(child)) editors.push_back(child);
    }
    return editors;
}

bool Contains(const std::vector<HWND> &list, HWND window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

void Dispatch(MSG &msg) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// Takes one message of the given range from the queue and dispatches it; the window and message
// are reported. False when the queue holds none.
bool PumpOne(UINT first, UINT last, HWND *window, UINT *message) {
    MSG msg{};
    if (!PeekMessageA(&msg, nullptr, first, last, PM_REMOVE)) return false;
    *window = msg.hwnd;
    *message = msg.message;
    Dispatch(msg);
    return true;
}

// Waits briefly for input other than a pending paint (which would wake the wait at once).
void WaitForInput() {
    MsgWaitForMultipleObjectsEx(0, nullptr, kPollMs, QS_ALLINPUT & ~QS_PAINT, MWMO_INPUTAVAILABLE);
}

}  // namespace

HWND HostWindowCreate(int x, int y, int width, int height) {
    if (!RegisterHostClass()) return nullptr;
    RECT rect{0, 0, std::max(width, 0), std::max(height, 0)};
    AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
    HWND window = CreateWindowExA(kExStyle, kClassName, "", kStyle, x, y, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) return nullptr;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    g_windows.push_back(window);
    return window;
}

bool HostWindowSetClientSize(HWND window, int width, int height) {
    RECT rect{0, 0, std::max(width, 0), std::max(height, 0)};
    AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
    return SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

void HostWindowDestroy(HWND window) {
    if (!window) return;
    g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), window), g_windows.end());
    if (IsWindow(window)) DestroyWindow(window);
}

bool HostWindowsRunFrame(unsigned milliseconds) {
    const std::vector<HWND> editors = LiveEditors();
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG deadline = start + kFrameDeadlineMs;
    HWND window = nullptr;
    UINT message = 0;
    if (editors.empty()) {
        // Nothing to wait for: let the time pass with the queue served.
        while (GetTickCount64() - start < milliseconds) {
            while (PumpOne(0, WM_PAINT - 1, &window, &message) || PumpOne(WM_PAINT + 1, 0xFFFFFFFFu, &window, &message)) {
            }
            WaitForInput();
        }
        return true;
    }
    std::vector<HWND> ticked;
    while (ticked.size() < editors.size()) {
        bool any = false;
        while (PumpOne(0, WM_PAINT - 1, &window, &message) || PumpOne(WM_PAINT + 1, 0xFFFFFFFFu, &window, &message)) {
            any = true;
            if (message == WM_TIMER && Contains(editors, window) && !Contains(ticked, window)) ticked.push_back(window);
        }
        if (ticked.size() >= editors.size()) break;
        if (GetTickCount64() > deadline) return false;
        if (!any) WaitForInput();
    }
    std::vector<HWND> painted;
    while (painted.size() < editors.size()) {
        if (PumpOne(WM_PAINT, WM_PAINT, &window, &message)) {
            if (Contains(editors, window) && !Contains(painted, window)) painted.push_back(window);
            continue;
        }
        // An editor destroyed meanwhile will not paint any more.
        const size_t alive = static_cast<size_t>(std::count_if(editors.begin(), editors.end(),
                                                               [](HWND e) { return IsWindow(e) != FALSE; }));
        if (painted.size() >= alive) break;
        if (GetTickCount64() > deadline) return false;
        WaitForInput();
    }
    return true;
}

void HostWindowsTickNow() {
    for (HWND editor : LiveEditors()) {
        SendMessageA(editor, WM_TIMER, 1, 0);
        UpdateWindow(editor);  // the paint the tick asked for, now
    }
}

bool HostWindowReadPixels(HWND window, uint32_t *out, size_t out_words) {
    RECT client{};
    if (!out || !IsWindow(window) || !GetClientRect(window, &client)) return false;
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return true;
    if (out_words < static_cast<size_t>(width) * static_cast<size_t>(height)) return false;
    HDC window_dc = GetDC(window);
    if (!window_dc) return false;
    bool ok = false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC memory_dc = CreateCompatibleDC(window_dc);
    HBITMAP section = memory_dc ? CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (section && bits) {
        HGDIOBJ old = SelectObject(memory_dc, section);
        if (BitBlt(memory_dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto *src = static_cast<const uint32_t *>(bits);
            for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i) {
                out[i] = src[i] & 0x00FFFFFFu;
            }
            ok = true;
        }
        SelectObject(memory_dc, old);
    }
    if (section) DeleteObject(section);
    if (memory_dc) DeleteDC(memory_dc);
    ReleaseDC(window, window_dc);
    return ok;
}

bool HostWindowReadFrame(HWND window, uint32_t *out, size_t out_pitch, size_t out_words) {
    RECT client{};
    if (!out || !IsWindow(window) || !GetClientRect(window, &client)) return false;
    const size_t width = static_cast<size_t>(client.right), height = static_cast<size_t>(client.bottom);
    if (width == 0 || height == 0) return true;
    if (out_pitch < width || out_words < width || (out_words - width) / out_pitch < height - 1) return false;
    std::vector<uint32_t> packed;
    try {
        packed.resize(width * height);
    } catch (const std::bad_alloc &) {
        return false;
    }
    if (!HostWindowReadPixels(window, packed.data(), packed.size())) return false;
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) out[y * out_pitch + x] = packed[y * width + x] | 0xFF000000u;
    return true;
}

bool HostWindowMouse(HWND top, UINT message, int x, int y) {
    if (message != WM_LBUTTONDOWN && message != WM_MOUSEMOVE && message != WM_LBUTTONUP) return false;
    if (!IsWindow(top) || GetAncestor(top, GA_ROOT) != top) return false;
    POINT point{x, y};
    HWND target = GetCapture();
    if (target && GetAncestor(target, GA_ROOT) != top) target = nullptr;
    if (!target) {
        RECT client{};
        GetClientRect(top, &client);
        if (!PtInRect(&client, point)) return false;
        // Walk down to the deepest visible child under the point.
        target = top;
        POINT local = point;
        for (;;) {
            HWND child = ChildWindowFromPointEx(target, local, CWP_SKIPINVISIBLE);
            if (!child || child == target) break;
            MapWindowPoints(target, child, &local, 1);
            target = child;
        }
    }
    MapWindowPoints(top, target, &point, 1);
    if (message == WM_LBUTTONDOWN) g_button_down = true;
    if (message == WM_LBUTTONUP) g_button_down = false;
    const WPARAM keys = g_button_down ? MK_LBUTTON : 0;
    const LPARAM where = static_cast<LPARAM>((static_cast<uint32_t>(point.y & 0xFFFF) << 16) |
                                             static_cast<uint32_t>(point.x & 0xFFFF));
    SendMessageA(target, message, keys, where);
    return true;
}
