// The editor window's entry points as the dispatcher and the instance's destruction use them.
//
// Threads: host's main thread only.
#pragma once

#include <cstdint>

class PreviewInstance;

// Creates the editor dialog as a child of the host window `parent`. Returns 1 when it was
// created (editor_window then names it), 0 otherwise (editor_window stays null). The caller
// closes an already open editor first.
intptr_t PreviewOpenEditor(PreviewInstance *instance, void *parent);

// Destroys the open editor window, if any; its destroy handling clears editor_window and deletes
// the editor's bitmaps. Nothing happens when no editor is open.
void PreviewCloseEditor(PreviewInstance *instance);
