#include "plugin/editor.h"

#include "gfx/gfx.h"
#include "state/instance.h"
#include "resources/editor_dialog.h"
#include "view/renderer.h"

#include <climits>
#include <cstdio>
#include <new>

int32_t drag_mode = 0;
int32_t drag_last_x = 0;
int32_t drag_last_y = 0;

namespace {

// The control strip: every box is 10 pixels high at y = 12, labels sit 10 pixels above it and
// values 1 pixel inside. A click reacts in rows 12..21.
constexpr int STRIP_LABEL_Y = 2;
constexpr int STRIP_BOX_Y = 12;
constexpr int STRIP_BOX_H = 10;
constexpr int STRIP_VALUE_Y = 13;
constexpr int STRIP_CLICK_TOP = 12;
constexpr int STRIP_CLICK_BOTTOM = 21;

struct StripControl {
    const char *label;
    int x;          // box left; the label starts here too
    int width;      // box width
    int click_last; // last x of the click range (inclusive), which starts at x
};

constexpr StripControl SKILL_CONTROL{"SKILL", 0, 48, 47};
constexpr StripControl MODE_CONTROL{"MODE", 56, 90, 146};
constexpr StripControl TIME_CONTROL{"TIME OFFS", 154, 72, 226};
constexpr StripControl HOPO_CONTROL{"HOPO THRESH", 234, 88, 322};

// The spinner sits in the last 8 pixels of the two draggable boxes.
constexpr int SPINNER_W = 8;

constexpr GFX_Color32 TEXT_COLOUR = 0xffffffff;
constexpr GFX_Color32 BOX_FILL = 0xffc0c0c0;
constexpr GFX_Color32 BOX_OUTLINE = 0xffffffff;
constexpr float BOX_ALPHA = 0.25f;
constexpr GFX_Color32 SPINNER_COLOUR = 0x00ffffff;

enum DragMode : int32_t { DRAG_NONE = 0, DRAG_TIME_OFFSET = 1, DRAG_HOPO_THRESHOLD = 2 };

bool InClickRange(const StripControl &c, int x) { return x >= c.x && x <= c.click_last; }

PreviewInstance *AttachedInstance(HWND window) {
    return reinterpret_cast<PreviewInstance *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void DeleteEditorBitmaps(PreviewInstance *instance) {
    delete instance->back_buffer;
    instance->back_buffer = nullptr;
    delete instance->highway_image;
    instance->highway_image = nullptr;
}

void OnInitDialog(PreviewInstance *instance, HWND window) {
    instance->editor_window.store(window, std::memory_order_relaxed);
    EnterCriticalSection(&instance->lock);
    instance->display_position = 0.0;
    instance->fetched_end = 0.0;
    instance->last_position = 0.0;
    instance->chart_events.Resize(0, false);
    LeaveCriticalSection(&instance->lock);
    ShowWindow(window, SW_SHOWNA);
    SetTimer(window, EDITOR_TIMER_ID, EDITOR_TIMER_PERIOD_MS, nullptr);
}

// Keeps the editor filling its parent less a margin at the right and bottom, then asks for a
// repaint of the whole client area.
void FollowParentSize(HWND window) {
    RECT editor{}, parent_client{};
    HWND parent = GetParent(window);
    if (GetClientRect(window, &editor) && parent && GetClientRect(parent, &parent_client)) {
        POINT corner{parent_client.right, parent_client.bottom};
        ClientToScreen(parent, &corner);
        ScreenToClient(window, &corner);
        const int width = corner.x - EDITOR_PARENT_MARGIN;
        const int height = corner.y - EDITOR_PARENT_MARGIN;
        if (width != editor.right || height != editor.bottom)
            SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(window, nullptr, FALSE);
}

void DrawBox(GFX_IBitmap *bitmap, const StripControl &c) {
    GFX_FramedBox(bitmap, c.x, STRIP_BOX_Y, c.width, STRIP_BOX_H, BOX_FILL, BOX_OUTLINE, BOX_ALPHA, GFX_COMBINE_COPY);
}

void DrawText(GFX_IBitmap *bitmap, int x, int y, const char *text) {
    GFX_PrintString(bitmap, x, y, text, TEXT_COLOUR, 1.0f, GFX_COMBINE_COPY);
}

// Label, box, value and, for the draggable ones, the spinner at the right end of the box.
void DrawControl(GFX_IBitmap *bitmap, const StripControl &c, const char *value, bool spinner) {
    DrawText(bitmap, c.x, STRIP_LABEL_Y, c.label);
    DrawBox(bitmap, c);
    DrawText(bitmap, c.x + 2, STRIP_VALUE_Y, value);
    if (spinner) DrawSpinnerGlyph(bitmap, c.x + c.width - SPINNER_W, STRIP_BOX_Y, SPINNER_W, STRIP_BOX_H);
}

void DrawControlStrip(PreviewInstance *instance, GFX_IBitmap *bitmap, int height) {
    char time_text[32], hopo_text[32];
    std::snprintf(time_text, sizeof(time_text), "%d MS",
                  static_cast<int>(time_offset_ms.load(std::memory_order_relaxed)));
    std::snprintf(hopo_text, sizeof(hopo_text), "%d ticks",
                  static_cast<int>(instance->hopo_threshold.load(std::memory_order_relaxed)));
    DrawText(bitmap, 2, height - 10, EDITOR_VERSION_TEXT);
    DrawControl(bitmap, SKILL_CONTROL, DifficultyName(instance->skill.load(std::memory_order_relaxed)), false);
    DrawControl(bitmap, MODE_CONTROL, ModeName(instance->mode.load(std::memory_order_relaxed)), false);
    DrawControl(bitmap, TIME_CONTROL, time_text, true);
    DrawControl(bitmap, HOPO_CONTROL, hopo_text, true);
}

void OnPaint(PreviewInstance *instance, HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc) return;
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right, height = client.bottom;
    if (!instance->back_buffer) instance->back_buffer = new (std::nothrow) GFX_SysBitmap(width, height);
    else instance->back_buffer->SetSize(width, height);
    GFX_SysBitmap *back = instance->back_buffer;
    if (back) {
        RenderHighway(instance, width, height);
        DrawControlStrip(instance, back, height);
        // Without pixels (an empty client area or a failed DIB section) nothing is copied: the
        // drawing context would only hold its stock pixel.
        if (back->PixelData()) BitBlt(dc, 0, 0, width, height, back->DeviceContext(), 0, 0, SRCCOPY);
    }
    EndPaint(window, &paint);
}

void OnButtonDown(PreviewInstance *instance, HWND window, int x, int y) {
    if (y < STRIP_CLICK_TOP || y > STRIP_CLICK_BOTTOM) return;
    drag_mode = DRAG_NONE;
    drag_last_x = x;
    drag_last_y = y;
    if (InClickRange(SKILL_CONTROL, x)) {
        const int64_t next = static_cast<int64_t>(instance->skill.load(std::memory_order_relaxed)) + 1;
        instance->skill.store(next >= 4 ? 0 : static_cast<int32_t>(next), std::memory_order_relaxed);
    } else if (InClickRange(MODE_CONTROL, x)) {
        // Remainder with the sign of the dividend, as the settings may hold a negative mode.
        const int64_t next = (static_cast<int64_t>(instance->mode.load(std::memory_order_relaxed)) + 1) % 4;
        instance->mode.store(static_cast<int32_t>(next), std::memory_order_relaxed);
        instance->highway_dirty = 1;
    } else if (InClickRange(TIME_CONTROL, x)) {
        drag_mode = DRAG_TIME_OFFSET;
        SetCapture(window);
    } else if (InClickRange(HOPO_CONTROL, x)) {
        drag_mode = DRAG_HOPO_THRESHOLD;
        SetCapture(window);
    }
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
}

void OnMouseMove(PreviewInstance *instance, HWND window, int x, int y) {
    if (GetCapture() != window || (drag_mode != DRAG_TIME_OFFSET && drag_mode != DRAG_HOPO_THRESHOLD)) return;
    // Right or up increases, left or down decreases.
    int64_t delta = (static_cast<int64_t>(x) - drag_last_x) - (static_cast<int64_t>(y) - drag_last_y);
    if (drag_mode == DRAG_TIME_OFFSET) delta /= 4;  // one millisecond per 4 pixels
    if (delta == 0) return;  // the anchor stays, so slow movement adds up to a whole step
    drag_last_x = x;
    drag_last_y = y;
    if (drag_mode == DRAG_TIME_OFFSET) {
        // Unbounded in intent; held at the 32-bit range rather than wrapping to the other sign.
        time_offset_ms.store(ClampToInt32(time_offset_ms.load(std::memory_order_relaxed) + delta),
                             std::memory_order_relaxed);
    } else {
        int64_t value = instance->hopo_threshold.load(std::memory_order_relaxed) + delta;
        if (value < HOPO_THRESHOLD_MIN) value = HOPO_THRESHOLD_MIN;
        if (value > HOPO_THRESHOLD_MAX) value = HOPO_THRESHOLD_MAX;
        instance->hopo_threshold.store(static_cast<int32_t>(value), std::memory_order_relaxed);
    }
}

// The time offset is one value for the whole process, kept in the host's INI file. The
// threshold travels in the settings chunk instead.
void StoreTimeOffset() {
    const char *ini = HostFunctions.get_ini_file ? HostFunctions.get_ini_file() : nullptr;
    if (!ini) return;
    char text[16];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(time_offset_ms.load(std::memory_order_relaxed)));
    WritePrivateProfileStringA(INI_SECTION, INI_KEY_TIME_OFFSET, text, ini);
}

void OnButtonUp() {
    ReleaseCapture();
    if (drag_mode == DRAG_TIME_OFFSET) StoreTimeOffset();
    drag_mode = DRAG_NONE;
}

int SignedLow16(LPARAM lparam) { return static_cast<int16_t>(LOWORD(lparam)); }
int SignedHigh16(LPARAM lparam) { return static_cast<int16_t>(HIWORD(lparam)); }

}  // namespace

const char *DifficultyName(int32_t skill) {
    switch (skill) {
    case 0: return "Easy";
    case 1: return "Medium";
    case 2: return "Hard";
    case 3: return "Expert";
    default: return "???";
    }
}

const char *ModeName(int32_t mode) {
    switch (mode) {
    case 0: return "Guitar/Bass";
    case 1: return "Pro Drums";
    case 2: return "Drums (std)";
    default: return "Keys";
    }
}

void DrawSpinnerGlyph(GFX_IBitmap *bitmap, int x, int y, int w, int h) {
    const int half = w / 2;
    const int cx = x + half, top = y + 1, bottom = y + h - 2, d = half - 2;
    auto line = [&](int x1, int y1, int x2, int y2) {
        GFX_StrokeLine(bitmap, x1, y1, x2, y2, SPINNER_COLOUR, 1.0f, GFX_COMBINE_COPY, 0);
    };
    line(cx, top, cx, bottom);
    line(cx, top, cx + d, top + d);
    line(cx, top, cx - d, top + d);
    line(cx, bottom, cx + d, bottom - d);
    line(cx, bottom, cx - d, bottom - d);
}

INT_PTR PreviewEditorHandler(PreviewInstance *instance, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!instance) return 0;
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(instance, window);
        return 0;
    case WM_TIMER:
        if (wparam == EDITOR_TIMER_ID) FollowParentSize(window);
        return 0;
    case WM_PAINT:
        OnPaint(instance, window);
        return 1;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        OnButtonDown(instance, window, SignedLow16(lparam), SignedHigh16(lparam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(instance, window, SignedLow16(lparam), SignedHigh16(lparam));
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp();
        return 0;
    case WM_DESTROY:
        instance->editor_window.store(nullptr, std::memory_order_relaxed);
        DeleteEditorBitmaps(instance);
        return 0;
    default:
        return 0;
    }
}

INT_PTR CALLBACK PreviewDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(window, GWLP_USERDATA, lparam);
    PreviewInstance *instance = AttachedInstance(window);
    if (!instance) return 0;  // nothing attached yet: answered without touching an instance
    INT_PTR answer = PreviewEditorHandler(instance, window, message, wparam, lparam);
    // The instance may be freed once its window is gone; later messages must not reach it.
    if (message == WM_DESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    return answer;
}

intptr_t PreviewOpenEditor(PreviewInstance *instance, void *parent) {
    if (!instance) return 0;
    HWND window = CreateDialogParamA(module_handle, MAKEINTRESOURCEA(IDD_PREVIEW_EDITOR), static_cast<HWND>(parent),
                                     PreviewDialogProc, reinterpret_cast<LPARAM>(instance));
    return window ? 1 : 0;
}

void PreviewCloseEditor(PreviewInstance *instance) {
    if (!instance) return;
    HWND window = instance->editor_window.load(std::memory_order_relaxed);
    if (!window) return;
    if (!DestroyWindow(window) && instance->editor_window.load(std::memory_order_relaxed) == window) {
        // The window was already gone without its destroy handling reaching the instance; let
        // go of it and its bitmaps all the same.
        instance->editor_window.store(nullptr, std::memory_order_relaxed);
        DeleteEditorBitmaps(instance);
    }
}
