#include "plugin/dispatcher.h"

#include <cmath>
#include <cstring>

#include "chart/acquisition.h"
#include "plugin/editor.h"
#include "state/instance.h"

namespace {

constexpr size_t kParamNameMax = 9;
constexpr size_t kNameStringMax = 32;
constexpr char kReceiveTimeInfo[] = "receiveVstTimeInfo";

// Copies text into the host's buffer of `capacity` bytes, cut to fit and always terminated.
void CopyString(void *ptr, const char *text, size_t capacity) {
    if (!ptr || capacity == 0) return;
    char *out = static_cast<char *>(ptr);
    size_t n = std::strlen(text);
    if (n > capacity - 1) n = capacity - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

void WriteEmpty(void *ptr) {
    if (ptr) *static_cast<char *>(ptr) = '\0';
}

// True when the NUL-terminated string equals the token exactly. Stops at the string's end, so a
// short string is never read past its terminator.
bool MatchesToken(const char *text, const uint8_t *token, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<uint8_t>(text[i]) != token[i]) return false;
    }
    return text[length] == '\0';
}

intptr_t CanDo(const char *capability) {
    if (!capability) return 0;
    if (std::strcmp(capability, kReceiveTimeInfo) == 0) return 1;
    if (MatchesToken(capability, VENDOR_CAP_EXTENSIONS, sizeof(VENDOR_CAP_EXTENSIONS)) ||
        MatchesToken(capability, VENDOR_CAP_VIEW_AS_CONFIG, sizeof(VENDOR_CAP_VIEW_AS_CONFIG))) {
        return HOST_EXT_CAN_DO_ANSWER;
    }
    return 0;
}

}  // namespace

intptr_t PreviewDispatcher(AEffect *effect, int32_t opcode, int32_t index, intptr_t value, void *ptr, float opt) {
    PreviewInstance *instance = PreviewInstance::FromEffect(effect);
    if (!instance) return 0;

    switch (opcode) {
    case effClose:
        delete instance;
        return 0;
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetProgramNameIndexed:
        WriteEmpty(ptr);
        return 0;
    case effGetParamName:
        if (index == 0) {
            CopyString(ptr, PREVIEW_PARAM_NAME, kParamNameMax);
        } else {
            WriteEmpty(ptr);
        }
        return 0;
    case effSetSampleRate: {
        // A rate that is not a positive finite number cannot be counted in; keep the previous.
        const double rate = static_cast<double>(opt);
        if (!std::isfinite(rate) || rate <= 0.0) return 0;
        EnterCriticalSection(&instance->lock);
        instance->sample_rate = rate;
        LeaveCriticalSection(&instance->lock);
        return 0;
    }
    case effMainsChanged:
        if (value == 0) {
            EnterCriticalSection(&instance->lock);
            instance->Reset();
            LeaveCriticalSection(&instance->lock);
        }
        return 0;
    case effEditGetRect:
        return 0;
    case effEditOpen:
        if (instance->editor_window.load(std::memory_order_relaxed)) PreviewCloseEditor(instance);
        return PreviewOpenEditor(instance, ptr);
    case effEditClose:
        if (instance->editor_window.load(std::memory_order_relaxed)) PreviewCloseEditor(instance);
        return 0;
    case effIdentify:
        return PREVIEW_IDENTIFY_ANSWER;
    case effGetChunk:
        // Without somewhere to put the pointer nothing is handed out.
        if (!ptr) return 0;
        return instance->GetChunk(static_cast<void **>(ptr));
    case effSetChunk:
        // Fewer than two bytes (a negative length included) hold no setting: nothing is read, so
        // the answer is 1 whatever the pointer. Two or more bytes that are not there are a failed
        // load.
        if (value < 2) return 1;
        if (!ptr) return 0;
        instance->SetChunk(ptr, value);
        return 1;
    case effGetPlugCategory:
        return kPlugCategSynth;
    case effGetEffectName:
    case effGetProductString:
        CopyString(ptr, PREVIEW_EFFECT_NAME, kNameStringMax);
        return 0;
    case effGetVendorString:
        CopyString(ptr, PREVIEW_VENDOR_NAME, kNameStringMax);
        return 0;
    case effCanDo:
        return CanDo(static_cast<const char *>(ptr));
    case effGetVstVersion:
        return PREVIEW_VST_VERSION;
    default:
        return 0;
    }
}

void PreviewProcess(AEffect *effect, float **inputs, float **outputs, int32_t frames) {
    PreviewInstance *instance = PreviewInstance::FromEffect(effect);
    if (!instance) return;
    ProcessBlock(instance, outputs, frames, true);
}

void PreviewProcessReplacing(AEffect *effect, float **inputs, float **outputs, int32_t frames) {
    PreviewInstance *instance = PreviewInstance::FromEffect(effect);
    if (!instance) return;
    ProcessBlock(instance, outputs, frames, false);
}

void PreviewSetParameter(AEffect *effect, int32_t index, float value) {}

float PreviewGetParameter(AEffect *effect, int32_t index) { return 0.0f; }
