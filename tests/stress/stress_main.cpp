// qlv_stress: the stress host's command line.
//   qlv_stress PLUGIN [--seed N] [--instances N] [--cycles N] [--seconds S]
// Without --seed the seed comes from the clock; it is printed either way. Exit status 0 when no
// check failed, 1 otherwise, 2 for a bad command line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "stress.h"

namespace {

bool Number(const char *text, double *out) {
    char *end = nullptr;
    *out = std::strtod(text, &end);
    return end != text && *end == '\0' && *out >= 0;
}

}  // namespace

int main(int argc, char **argv) {
    StressOptions options;
    options.seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) % 1000000007ull;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double value = 0;
        if (arg.rfind("--", 0) == 0) {
            if (i + 1 >= argc || !Number(argv[i + 1], &value)) {
                std::fprintf(stderr, "qlv_stress: %s needs a non-negative number\n", arg.c_str());
                return 2;
            }
            ++i;
            if (arg == "--seed") {
                options.seed = static_cast<uint64_t>(value);
            } else if (arg == "--instances") {
                options.instances = static_cast<int>(value);
            } else if (arg == "--cycles") {
                options.editor_cycles = static_cast<int>(value);
            } else if (arg == "--seconds") {
                options.seconds = value;
            } else {
                std::fprintf(stderr, "qlv_stress: unknown option %s\n", arg.c_str());
                return 2;
            }
        } else if (options.plugin.empty()) {
            options.plugin = arg;
        } else {
            std::fprintf(stderr, "qlv_stress: more than one plug-in named\n");
            return 2;
        }
    }
    if (options.plugin.empty()) {
        std::fprintf(stderr, "usage: qlv_stress PLUGIN [--seed N] [--instances N] [--cycles N] [--seconds S]\n");
        return 2;
    }
    return RunStress(options) == 0 ? 0 : 1;
}
