// An instance's construction and destruction: the only places that wire the effect record to the
// dispatcher and audio routines, and that load and release the process-wide picture set.
#include "state/instance.h"

#include <cstring>

#include "gfx/gfx.h"
#include "plugin/dispatcher.h"
#include "plugin/editor.h"
#include "view/image_set.h"

PreviewInstance::PreviewInstance(audioMasterCallback callback) : host_callback(callback) {
    InitializeCriticalSection(&lock);
    // The buffers are constructed empty by their member initialisers; chunk_read_pos is 0.
    sample_rate = DEFAULT_SAMPLE_RATE;
    editor_window.store(nullptr, std::memory_order_relaxed);

    std::memset(&effect, 0, sizeof(effect));
    effect.magic = kEffectMagic;
    effect.dispatcher = PreviewDispatcher;
    effect.process = PreviewProcess;
    effect.setParameter = PreviewSetParameter;
    effect.getParameter = PreviewGetParameter;
    effect.numPrograms = 1;
    effect.numParams = 1;
    effect.numInputs = 0;
    effect.numOutputs = 2;
    effect.flags = effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth;
    effect.initialDelay = 0;
    effect.user = this;
    effect.uniqueID = VstFourCC('q', 'l', 'v', 'w');
    effect.version = 1100;
    effect.processReplacing = PreviewProcessReplacing;
    effect.processDoubleReplacing = nullptr;

    last_position = -1.0;
    display_position = -1.0;
    flip_count = 0;

    skill.store(0, std::memory_order_relaxed);
    mode.store(0, std::memory_order_relaxed);
    hopo_threshold.store(DEFAULT_HOPO_THRESHOLD, std::memory_order_relaxed);
    back_buffer = nullptr;
    highway_image = nullptr;
    highway_dirty = 1;

    // First instance of the process: the shared image set is loaded here.
    if (instance_count++ == 0) LoadImageSet();
}

PreviewInstance::~PreviewInstance() {
    // The window's destroy handling clears editor_window and deletes the editor's bitmaps.
    if (editor_window.load(std::memory_order_relaxed)) PreviewCloseEditor(this);
    delete back_buffer;
    back_buffer = nullptr;
    delete highway_image;
    highway_image = nullptr;

    // Last instance of the process: the shared image set and the scaled-image cache go.
    if (--instance_count == 0) ReleaseImageSet();

    chunk_buf.Free();
    event_list.store.Free();
    highway_items.Free();
    chart_events.Free();
    DeleteCriticalSection(&lock);
}
