// Running the Windows build under Wine from a native test: a private Wine prefix in the build
// tree, a virtual display per run, and the staged Windows programs with the native build's
// picture folder beside the plug-in.
//
// Tests ask Unavailable() first and skip with its reason when Wine cannot run here or the
// Windows build is missing. Runs share the prefix, so ctest runs these tests one at a time.
#pragma once

#include <string>
#include <vector>

struct WineResult {
    int status = -1;      // the program's exit code; -1 when it could not be run at all
    std::string output;   // standard output and error together
};

class WineRunner {
public:
    // One per test process; checks Wine and stages the Windows build on first use.
    static WineRunner &Get();

    // Empty when programs can run under Wine here; otherwise why they cannot (no Wine, no virtual
    // display, no Windows build, a prefix that cannot be made).
    const std::string &Unavailable() const { return unavailable_; }

    // Runs a staged Windows program ("qlv-preview.exe"), or one given by its full native path,
    // with `args` on a fresh virtual display;
    // `search_path`, when given, is a Windows folder added to the program's PATH.
    WineResult Run(const std::string &program, const std::vector<std::string> &args,
                   const std::string &search_path = "") const;

    // A staged file's path as the Windows programs see it ("Z:\\...").
    std::string Staged(const std::string &name) const { return WindowsPath(stage_ + "/" + name); }
    const std::string &stage() const { return stage_; }

    // A native path as Windows programs see it through Wine's drive Z:.
    static std::string WindowsPath(const std::string &native);

private:
    WineRunner();
    ~WineRunner();
    WineResult Shell(const std::string &inner, const std::string &search_path = "") const;

    std::string prefix_;
    std::string stage_;
    std::string unavailable_;
};

// Runs a native command line; exit code and the output of both streams.
WineResult RunNative(const std::vector<std::string> &args);

// A fresh empty folder under the system's temporary folder, and its removal.
std::string MakeScratchDir(const char *tag);
void RemoveScratchDir(const std::string &dir);
