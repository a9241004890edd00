// Dialogs from the built-in templates, their window procedure, and dialog-unit conversion.
#include "user_objects.h"

#include "../../resources/editor_dialog.h"

#include <cstdint>
#include <cstring>

namespace qlv::user {
namespace {

// A plain dialog template as the platform keeps it built in: the fields a template without
// controls, menu, class or title carries.
struct DialogTemplate {
    WORD id;
    DWORD style;
    short x, y, cx, cy;
    WORD font_points;
    const char *font_name;
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_PREVIEW_EDITOR, static_cast<DWORD>(PREVIEW_EDITOR_STYLE), PREVIEW_EDITOR_X, PREVIEW_EDITOR_Y,
     PREVIEW_EDITOR_CX, PREVIEW_EDITOR_CY, PREVIEW_EDITOR_FONT_POINTS, PREVIEW_EDITOR_FONT_NAME},
};

// Dialog base units of "MS Sans Serif" at 8 points on Windows at 96 dots per inch.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

const DialogTemplate *FindTemplate(LPCSTR name) {
    if (!name || !IS_INTRESOURCE(name)) return nullptr;  // only numeric ids are built in
    WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    for (const DialogTemplate &t : kTemplates)
        if (t.id == id) return &t;
    return nullptr;
}

// value × numerator / denominator rounded to nearest, halves away from zero (as MulDiv).
LONG MulDivRound(LONG value, int numerator, int denominator) {
    int64_t product = static_cast<int64_t>(value) * numerator;
    int64_t half = denominator / 2;
    int64_t result = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    if (result > INT32_MAX) return INT32_MAX;
    if (result < INT32_MIN) return INT32_MIN;
    return static_cast<LONG>(result);
}

void UnitsToPixels(RECT &rect) {
    rect.left = MulDivRound(rect.left, kBaseUnitX, 4);
    rect.right = MulDivRound(rect.right, kBaseUnitX, 4);
    rect.top = MulDivRound(rect.top, kBaseUnitY, 8);
    rect.bottom = MulDivRound(rect.bottom, kBaseUnitY, 8);
}

}  // namespace
}  // namespace qlv::user

using namespace qlv::user;

extern "C" {

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR template_name, HWND parent_handle,
                               DLGPROC dialog_proc, LPARAM init_param) {
    if (!instance) return nullptr;
    const DialogTemplate *tpl = FindTemplate(template_name);
    if (!tpl) return nullptr;
    Window *parent = Find(parent_handle);
    if ((tpl->style & WS_CHILD) && !parent) return nullptr;
    if (parent && parent->destroying) return nullptr;

    RECT rect{tpl->x, tpl->y, tpl->x + tpl->cx, tpl->y + tpl->cy};
    UnitsToPixels(rect);
    Window *window = CreateWindowObject(parent, rect.left, rect.top, rect.right - rect.left,
                                        rect.bottom - rect.top, tpl->style & ~static_cast<DWORD>(WS_VISIBLE));
    if (!window) return nullptr;
    window->is_dialog = true;
    window->dialog_proc = dialog_proc;
    HWND handle = window->handle;

    SendMessageA(handle, WM_INITDIALOG, 0, init_param);
    if (!Find(handle)) return nullptr;  // the procedure destroyed its own dialog
    if (tpl->style & WS_VISIBLE) ShowWindow(handle, SW_SHOWNORMAL);
    return handle;
}

BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
    Window *window = Find(dialog);
    if (!window || !window->is_dialog || !rect) return FALSE;
    UnitsToPixels(*rect);
    return TRUE;
}

}  // extern "C"
