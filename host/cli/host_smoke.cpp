// Loads a plug-in binary through the reference host, creates one instance, shows what it
// answers (names, capabilities, settings chunk, a few silent blocks) and closes it.
// Exit 0 on success; a message and 1 otherwise.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "host/plugin_host.h"
#include "plugin/dispatcher.h"
#include "state/vst.h"

namespace {

int Fail(const std::string &message) {
    std::fprintf(stderr, "qlv-host-smoke: %s\n", message.c_str());
    return 1;
}

std::string AskString(PluginHost &host, AEffect *effect, int32_t opcode) {
    char text[256] = {};
    host.Dispatch(effect, opcode, 0, 0, text);
    return text;
}

std::string CapString(const uint8_t *bytes, size_t n) { return std::string(reinterpret_cast<const char *>(bytes), n); }

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: qlv-host-smoke PLUGIN-BINARY\n");
        return 2;
    }
    char ini_path[] = "/tmp/qlv-host-smoke-XXXXXX";
    const int fd = mkstemp(ini_path);
    if (fd < 0) return Fail("cannot create a temporary INI file");
    close(fd);
    SetHostIniFile(ini_path);

    int status = 0;
    {
        PluginHost host;
        std::string error;
        if (!host.Load(argv[1], &error)) {
            unlink(ini_path);
            return Fail(error);
        }
        std::printf("loaded %s\n", argv[1]);
        AEffect *effect = host.CreateInstance();
        std::printf("lookups:");
        for (const std::string &name : host.Lookups()) std::printf(" %s", name.c_str());
        std::printf("\n");
        if (!effect) {
            unlink(ini_path);
            return Fail("VSTPluginMain returned no effect");
        }
        if (effect->magic != kEffectMagic) status = Fail("the effect record has the wrong magic");
        std::printf("effect: inputs %d outputs %d flags 0x%x unique id 0x%08x version %d\n", effect->numInputs,
                    effect->numOutputs, static_cast<unsigned>(effect->flags), static_cast<unsigned>(effect->uniqueID),
                    effect->version);
        std::printf("effect name \"%s\", vendor \"%s\", product \"%s\"\n", AskString(host, effect, effGetEffectName).c_str(),
                    AskString(host, effect, effGetVendorString).c_str(),
                    AskString(host, effect, effGetProductString).c_str());
        std::printf("identify 0x%lx, category %ld, version %ld\n",
                    static_cast<unsigned long>(host.Dispatch(effect, effIdentify)),
                    static_cast<long>(host.Dispatch(effect, effGetPlugCategory)),
                    static_cast<long>(host.Dispatch(effect, effGetVstVersion)));
        std::string time_info = "receiveVstTimeInfo";
        std::string ext = CapString(VENDOR_CAP_EXTENSIONS, sizeof(VENDOR_CAP_EXTENSIONS));
        std::string view = CapString(VENDOR_CAP_VIEW_AS_CONFIG, sizeof(VENDOR_CAP_VIEW_AS_CONFIG));
        std::string other = "sendVstMidiEvent";
        std::printf("can do: time info %ld, extensions 0x%lx, view as config 0x%lx, other %ld\n",
                    static_cast<long>(host.Dispatch(effect, effCanDo, 0, 0, time_info.data())),
                    static_cast<unsigned long>(host.Dispatch(effect, effCanDo, 0, 0, ext.data())),
                    static_cast<unsigned long>(host.Dispatch(effect, effCanDo, 0, 0, view.data())),
                    static_cast<long>(host.Dispatch(effect, effCanDo, 0, 0, other.data())));

        void *chunk = nullptr;
        const intptr_t length = host.Dispatch(effect, effGetChunk, 0, 0, &chunk);
        std::printf("chunk (%ld bytes):", static_cast<long>(length));
        for (intptr_t i = 0; chunk && i < length; ++i) std::printf(" %02x", static_cast<const uint8_t *>(chunk)[i]);
        std::printf("\n");

        host.Dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        host.Dispatch(effect, effMainsChanged, 0, 1);
        float left[512], right[512];
        float *outputs[2] = {left, right};
        int loud = 0;
        for (int block = 0; block < 4; ++block) {
            for (int i = 0; i < 512; ++i) left[i] = right[i] = 1.0f;
            effect->processReplacing(effect, nullptr, outputs, 512);
            for (int i = 0; i < 512; ++i) loud += (left[i] != 0.0f) + (right[i] != 0.0f);
        }
        std::printf("4 blocks of 512 frames processed, %d non-zero samples\n", loud);
        if (loud != 0) status = Fail("the audio output is not silent");
        host.Dispatch(effect, effMainsChanged, 0, 0);
        host.CloseInstance(effect);
        std::printf("closed\n");
    }
    unlink(ini_path);
    return status;
}
