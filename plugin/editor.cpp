#include "plugin/editor.h"

#include "plugin/instance.h"

// No window system is wired in yet: the dialog cannot be created, so the editor never opens.
intptr_t PreviewOpenEditor(PreviewInstance *instance, void *parent) {
    (void)parent;
    if (!instance) return 0;
    return 0;
}

void PreviewCloseEditor(PreviewInstance *instance) {
    if (!instance || !instance->editor_window.load(std::memory_order_relaxed)) return;
    // Without a window system nothing can be open; clear the handle so callers see it closed.
    instance->editor_window.store(nullptr, std::memory_order_relaxed);
}
