#include "wine_runner.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A screen wide enough for four editor panels side by side: Wine keeps no pixels for the parts
// of a window outside the screen.
constexpr const char *kScreen = "-screen 0 2560x1024x24";

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

WineResult Capture(const std::string &command) {
    WineResult result;
    std::FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = (status >= 0 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result;
}

bool OnPath(const char *program) { return Capture(std::string("command -v ") + program).status == 0; }

std::string Tail(const std::string &text) {
    return text.size() > 600 ? "..." + text.substr(text.size() - 600) : text;
}

}  // namespace

std::string MakeScratchDir(const char *tag) {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / (std::string("qlv-") + tag + "-XXXXXX")).string();
    return mkdtemp(pattern.data()) ? pattern : std::string();
}

void RemoveScratchDir(const std::string &dir) {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
}

WineResult RunNative(const std::vector<std::string> &args) {
    std::string command;
    for (const std::string &a : args) command += (command.empty() ? "" : " ") + Quote(a);
    return Capture(command);
}

std::string WineRunner::WindowsPath(const std::string &native) {
    std::string out = "Z:";
    for (char c : fs::absolute(native).lexically_normal().string()) out += c == '/' ? '\\' : c;
    return out;
}

WineRunner &WineRunner::Get() {
    static WineRunner runner;
    return runner;
}

WineRunner::WineRunner() {
    const std::string build = QLV_WINDOWS_BUILD_DIR;
    const std::vector<std::string> wanted = {build + "/plugin-bin/qlv_preview.dll", build + "/host/qlv-preview.exe",
                                             build + "/host/qlv-ini-probe.exe", build + "/tools/qlv-artwork.exe",
                                             build + "/tools/qlv-demo-chart.exe", build + "/stand-in/ffmpeg.exe",
                                             build + "/host/qlv-kernel-check.exe"};
    for (const std::string &file : wanted) {
        if (!fs::exists(file)) {
            unavailable_ = "no Windows build: " + file +
                           " is missing (bash scripts/build-windows-deps.sh build/windows-deps && cmake --preset "
                           "windows && cmake --build --preset windows)";
            return;
        }
    }
    if (!OnPath("wine")) {
        unavailable_ = "Wine is not installed (apt-get install wine wine64)";
        return;
    }
    if (!OnPath("xvfb-run") || !OnPath("Xvfb")) {
        unavailable_ = "no virtual display (apt-get install xvfb xauth)";
        return;
    }
    stage_ = MakeScratchDir("wine-stage");
    std::error_code ec;
    for (const std::string &file : wanted) {
        // The stand-in encoder lives in a folder of its own, found only when a test puts it on PATH.
        const bool encoder = fs::path(file).filename() == "ffmpeg.exe";
        const fs::path dir = encoder ? fs::path(stage_) / "encoder" : fs::path(stage_);
        fs::create_directories(dir, ec);
        fs::copy_file(file, dir / fs::path(file).filename(), ec);
    }
    // The native build's pictures, so that both builds draw the same artwork.
    fs::copy(std::string(QLV_PLUGIN_DIR) + "/qlview", fs::path(stage_) / "qlview", fs::copy_options::recursive, ec);
    if (ec || stage_.empty()) {
        unavailable_ = "cannot stage the Windows build: " + ec.message();
        return;
    }
    prefix_ = std::string(QLV_BINARY_DIR) + "/wine-prefix";
    const std::string marker = prefix_ + "/.qlv-wine-ok";
    if (fs::exists(marker)) return;
    // The first run makes the prefix (several seconds); a program that prints proves Wine runs.
    const WineResult probe = Shell("wine cmd /c echo qlv-wine-runs");
    if (probe.output.find("qlv-wine-runs") == std::string::npos) {
        unavailable_ = "Wine cannot start here: " + Tail(probe.output);
        return;
    }
    std::FILE *f = std::fopen(marker.c_str(), "w");
    if (f) std::fclose(f);
}

WineRunner::~WineRunner() { RemoveScratchDir(stage_); }

WineResult WineRunner::Shell(const std::string &inner, const std::string &search_path) const {
    // The Wine server and its helper processes end with the run, before the display goes.
    const std::string script = inner + "; rc=$?; wineserver -k 2>/dev/null; exit $rc";
    const std::string command = (search_path.empty() ? "" : "WINEPATH=" + Quote(search_path) + " ") +
                                "WINEPREFIX=" + Quote(prefix_) +
                                " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' xvfb-run -a -s " + Quote(kScreen) +
                                " sh -c " + Quote(script);
    return Capture(command);
}

WineResult WineRunner::Run(const std::string &program, const std::vector<std::string> &args,
                           const std::string &search_path) const {
    // A program given by its full native path runs from where it is (an unpacked archive).
    std::string inner = "wine " + Quote(program.rfind('/', 0) == 0 ? program : stage_ + "/" + program);
    for (const std::string &a : args) inner += " " + Quote(a);
    return Shell(inner, search_path);
}
