// The editor's dialog template, in one place: the Windows resource script (editor.rc) compiles
// it into the library, and elsewhere the platform layer builds the same template in. Plain
// macros only, so that the resource compiler can read this file too.
#pragma once

// Template id of the editor dialog within the plug-in library.
#define IDD_PREVIEW_EDITOR 101

// Borderless child inside the host's window; created hidden, it shows itself on initialisation.
// WS_CHILD | DS_CONTROL | DS_SETFONT.
#define PREVIEW_EDITOR_STYLE 0x40000440L

// Position and size in dialog units of the template font. The editor follows its parent's size
// from its first timer tick on, so the size only matters until then.
#define PREVIEW_EDITOR_X 0
#define PREVIEW_EDITOR_Y 0
#define PREVIEW_EDITOR_CX 433
#define PREVIEW_EDITOR_CY 274

#define PREVIEW_EDITOR_FONT_POINTS 8
#define PREVIEW_EDITOR_FONT_NAME "MS Sans Serif"
