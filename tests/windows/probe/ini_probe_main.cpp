// qlv-ini-probe: the time offset's round trip through the host's INI file, as one program that
// builds on every system (natively over the headless window system, on Windows over real
// windows). It loads the plug-in, captures its editor, drags TIME OFFS 48 pixels to the left
// (-12 ms) and releases (the plug-in writes the INI value), unloads the plug-in, loads it again
// (the first instance of the new load reads the value) and captures the editor once more.
//
// Usage: qlv-ini-probe PLUGIN INI-FILE OUT-DIR
// Writes OUT-DIR/before.pix and OUT-DIR/after.pix: "QLVPIX" width height (two little-endian
// 32-bit words) and the editor's 0x00RRGGBB words, rows top first. Exit 0 on success.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/editor_driver.h"
#include "host/host_project.h"
#include "host/plugin_host.h"

namespace {

constexpr int kWidth = 400, kHeight = 300;  // the editor; its host window is 4 pixels larger

int Fail(const std::string &message) {
    std::fprintf(stderr, "qlv-ini-probe: %s\n", message.c_str());
    return 1;
}

bool WritePixels(const std::string &path, const std::vector<uint32_t> &pixels, int width, int height) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const uint32_t size[2] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    bool ok = std::fwrite("QLVPIX", 1, 6, file) == 6 && std::fwrite(size, sizeof size[0], 2, file) == 2 &&
              std::fwrite(pixels.data(), sizeof(uint32_t), pixels.size(), file) == pixels.size();
    return std::fclose(file) == 0 && ok;
}

// One load of the plug-in: an instance with its editor open, a few frames, a capture to `out`,
// and the drag when asked for.
bool Session(const std::string &plugin, bool drag, const std::string &out, std::string *error) {
    PluginHost host;
    if (!host.Load(plugin, error)) return false;
    AEffect *effect = host.CreateInstance();
    if (!effect) {
        *error = "VSTPluginMain gave no effect";
        return false;
    }
    bool ok = true;
    {
        EditorDriver driver(host, effect);
        if (!driver.Open(kWidth + 4, kHeight + 4)) {
            *error = "the editor did not open";
            ok = false;
        }
        for (int i = 0; ok && i < 3; ++i) driver.Frame();
        std::vector<uint32_t> pixels;
        int width = 0, height = 0;
        if (ok && !driver.ReadPixels(&pixels, &width, &height)) {
            *error = "cannot read the editor's pixels";
            ok = false;
        }
        if (ok && !WritePixels(out, pixels, width, height)) {
            *error = "cannot write " + out;
            ok = false;
        }
        if (ok && drag) {
            ok = driver.Mouse(WM_LBUTTONDOWN, 160, 15) && driver.Mouse(WM_MOUSEMOVE, 136, 15) &&
                 driver.Mouse(WM_MOUSEMOVE, 112, 15) && driver.Mouse(WM_LBUTTONUP, 112, 15);
            if (!ok) *error = "the mouse input was not delivered";
        }
    }
    host.CloseInstance(effect);
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: qlv-ini-probe PLUGIN INI-FILE OUT-DIR\n");
        return 2;
    }
    const std::string plugin = argv[1], out = argv[3];
    SetHostIniFile(argv[2]);
    std::string error;
    if (!Session(plugin, true, out + "/before.pix", &error)) return Fail(error);
    if (!Session(plugin, false, out + "/after.pix", &error)) return Fail(error);
    return 0;
}
