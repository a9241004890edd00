// Window system: the dialogs, windows, timers, painting and mouse capture that the plug-in's
// editor and a host embedding it use. Same names, values and signatures as on Windows.
//
// Differences from Windows, all deliberate:
// - Single-threaded. Every call here belongs to the host's main thread; there is no message
//   queue shared with other threads and no lock. (The audio thread never touches windows.)
// - Windows have no frame: the client area is the whole window.
// - There is no screen and no input device. Top-level windows, mouse input, the passing of
//   time (timers) and the paint pass are driven by the host through qlv_headless.h.
// - Dialog templates are built into the platform library (see resources/editor_dialog.h);
//   `CreateDialogParamA` finds them by numeric id.
// - A dialog's window procedure returns the dialog procedure's answer as it stands when it is
//   non-zero; a zero answer gets the default handling. (Windows reports most answers through
//   DWLP_MSGRESULT instead; the editor answers in the plain way.)
// Invalid window handles are answered with the documented failure value (0, FALSE or null)
// and touch nothing.
#pragma once

#include "win_types.h"

extern "C" {

typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK *TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef ULONG_PTR DWORD_PTR;
#ifndef LOWORD
#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#endif
#ifndef MAKELONG
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#endif
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define DS_SETFONT 0x40L
#define DS_CONTROL 0x0400L

// Messages.
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_SETFONT 0x0030
#define WM_NCDESTROY 0x0082
#define WM_INITDIALOG 0x0110
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_CAPTURECHANGED 0x0215
#define WM_USER 0x0400

#define MK_LBUTTON 0x0001

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_SHOWNA 8

// SetWindowPos flags and insert-after handles.
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)

// GetWindow commands.
#define GW_HWNDNEXT 2
#define GW_CHILD 5

// Window data slots.
#define GWLP_USERDATA (-21)
#define DWLP_MSGRESULT 0
#define DWLP_USER 16

// Creates a dialog from the built-in template `template_name` (MAKEINTRESOURCEA(id)) as a
// child of `parent`, sends it WM_INITDIALOG with wParam 0 and lParam `init_param`, and shows
// it afterwards only if the template's style holds WS_VISIBLE. Returns the dialog, or null when
// the module handle is null, the template is unknown, the parent is not a window (child
// templates need one), or the dialog procedure destroyed the dialog during WM_INITDIALOG.
// The pixel size comes from the template's dialog units (see MapDialogRect).
WINAPI_EXPORT HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR template_name, HWND parent,
                                             DLGPROC dialog_proc, LPARAM init_param);

// Destroys the window and every descendant. WM_DESTROY goes to the window first and then to
// its children (so a handler still finds its children alive), timers and capture end, and the
// objects are freed children first, each receiving WM_NCDESTROY. A window already being
// destroyed answers FALSE.
WINAPI_EXPORT BOOL WINAPI DestroyWindow(HWND window);
WINAPI_EXPORT BOOL WINAPI IsWindow(HWND window);
WINAPI_EXPORT BOOL WINAPI IsWindowVisible(HWND window);
WINAPI_EXPORT HWND WINAPI GetParent(HWND window);
// GW_CHILD: the topmost child; GW_HWNDNEXT: the sibling below in the z-order. Null when there
// is none or for another command.
WINAPI_EXPORT HWND WINAPI GetWindow(HWND window, UINT command);

// Sets the visibility; answers whether the window was visible before. Showing invalidates the
// whole window with erase.
WINAPI_EXPORT BOOL WINAPI ShowWindow(HWND window, int command);

// Window data: GWLP_USERDATA on every window; DWLP_MSGRESULT and DWLP_USER on dialogs. Set
// returns the previous value; other indices answer 0 and change nothing.
WINAPI_EXPORT LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
WINAPI_EXPORT LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index);

// Client rectangle: always (0, 0, width, height).
WINAPI_EXPORT BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
// Window rectangle in screen coordinates.
WINAPI_EXPORT BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
WINAPI_EXPORT BOOL WINAPI ClientToScreen(HWND window, LPPOINT point);
WINAPI_EXPORT BOOL WINAPI ScreenToClient(HWND window, LPPOINT point);

// Moves and/or resizes within the parent's client area (screen for top-level windows). Honours
// SWP_NOSIZE, SWP_NOMOVE, SWP_NOZORDER (otherwise HWND_TOP or HWND_BOTTOM reorders among
// siblings), SWP_NOREDRAW, SWP_SHOWWINDOW and SWP_HIDEWINDOW; SWP_NOACTIVATE changes nothing
// as nothing is ever activated. Negative sizes become 0. A size change sends WM_SIZE and, unless
// SWP_NOREDRAW, invalidates the window with erase; the window's pixels keep their overlap.
WINAPI_EXPORT BOOL WINAPI SetWindowPos(HWND window, HWND insert_after, int x, int y, int cx, int cy, UINT flags);

// Timers run on the virtual clock of qlv_headless.h. With a window, the id is the window's own
// (setting an existing id restarts it) and the answer is the id, or 0 when the window is not a
// window; a timer procedure, if given, is called instead of sending WM_TIMER. Periods below
// 10 ms become 10 ms, as on Windows. Timers without a window are not supported (answer 0).
// A window's timers end when it is destroyed.
WINAPI_EXPORT UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc);
WINAPI_EXPORT BOOL WINAPI KillTimer(HWND window, UINT_PTR id);

// Adds the rectangle (null: the whole client area), clipped to the client area, to the window's
// update region; `erase` asks for WM_ERASEBKGND at the next BeginPaint. A null window answers
// FALSE.
WINAPI_EXPORT BOOL WINAPI InvalidateRect(HWND window, LPCRECT rect, BOOL erase);
WINAPI_EXPORT BOOL WINAPI ValidateRect(HWND window, LPCRECT rect);
WINAPI_EXPORT BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL erase);

// Starts painting: sends WM_ERASEBKGND first when an erase is pending (fErase then says whether
// it was left undone), fills `paint`, validates the window and returns a drawing context whose
// target is the window's own pixels (see win_gdi.h: BitBlt). EndPaint releases it.
WINAPI_EXPORT HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
WINAPI_EXPORT BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT *paint);

// Mouse capture: while set, every mouse message goes to the capture window. SetCapture answers
// the previous capture window; the window losing capture gets WM_CAPTURECHANGED.
WINAPI_EXPORT HWND WINAPI SetCapture(HWND window);
WINAPI_EXPORT BOOL WINAPI ReleaseCapture(void);
WINAPI_EXPORT HWND WINAPI GetCapture(void);

// Delivers the message at once to the window's procedure and answers its result; 0 for a
// window that does not exist.
WINAPI_EXPORT LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Default handling: WM_PAINT validates the window, WM_ERASEBKGND fills the update area with
// the dialog background colour and answers 1; everything else answers 0.
WINAPI_EXPORT LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Dialog units to pixels for the template font. The built-in font is "MS Sans Serif" at
// 8 points, whose dialog base units on Windows (96 dots per inch) are 6 × 13 pixels: x pixels =
// x units × 6 / 4 and y pixels = y units × 13 / 8, rounded to nearest as MulDiv does. So the
// editor's 433 × 274 units become 650 × 445 pixels.
WINAPI_EXPORT BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect);

}  // extern "C"
