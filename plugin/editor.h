// The editor window: a borderless child dialog that fills the host's plug-in window, repaints
// every 15 ms with the note highway and draws a strip of four controls along its top (SKILL and
// MODE cycle on a click, TIME OFFS and HOPO THRESH change by dragging).
//
// Threads: everything here runs on the host's main (window) thread. Only the opening reset takes
// the instance lock; painting takes it through note extraction. The settings changed here are
// written without the lock as single 32-bit values the audio thread reads.
#pragma once

#include <windows.h>

#include <cstdint>

class PreviewInstance;
class GFX_IBitmap;

// Creates the editor dialog (template 101 of this library) as a child of the host window
// `parent`. Returns 1 when it was created (editor_window then names it), 0 otherwise
// (editor_window stays null). The caller closes an already open editor first.
intptr_t PreviewOpenEditor(PreviewInstance *instance, void *parent);

// Destroys the open editor window, if any; its destroy handling clears editor_window and deletes
// the editor's bitmaps. Nothing happens when no editor is open.
void PreviewCloseEditor(PreviewInstance *instance);

// The dialog procedure: WM_INITDIALOG attaches the instance given as lParam to the window's user
// data; every message is then handed to PreviewEditorHandler with that instance. Messages before
// WM_INITDIALOG and after WM_DESTROY find no instance and are answered 0.
INT_PTR CALLBACK PreviewDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Handles the editor's messages for `instance` (see editor.cpp); 0 for every other message and
// for a null instance.
INT_PTR PreviewEditorHandler(PreviewInstance *instance, HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// A vertical double-headed arrow marking a draggable value, inside the box (x, y, w, h).
void DrawSpinnerGlyph(GFX_IBitmap *bitmap, int x, int y, int w, int h);

// Display names of the settings: "Easy", "Medium", "Hard", "Expert", else "???"; "Guitar/Bass",
// "Pro Drums", "Drums (std)", else "Keys".
const char *DifficultyName(int32_t skill);
const char *ModeName(int32_t mode);

// The drag in progress, process-wide (one mouse for all editors). drag_mode: 0 none, 1 time
// offset, 2 hopo threshold. drag_last_x/y: client coordinates of the last applied mouse position.
extern int32_t drag_mode;
extern int32_t drag_last_x;
extern int32_t drag_last_y;

// The editor timer: id and period in milliseconds.
constexpr UINT_PTR EDITOR_TIMER_ID = 1;
constexpr UINT EDITOR_TIMER_PERIOD_MS = 15;
// Margin the editor keeps to its parent's right and bottom edges, in pixels.
constexpr int EDITOR_PARENT_MARGIN = 4;
// Threshold bounds that a drag clamps to, in ticks.
constexpr int32_t HOPO_THRESHOLD_MIN = 32;
constexpr int32_t HOPO_THRESHOLD_MAX = 1920;
constexpr const char *EDITOR_VERSION_TEXT = "v1.3b";
