// qlv-kernel-check: the vector raster kernels against the scalar ones on random calls
// (tests/gfx/kernel_agreement.h), as a program of its own so that the Windows build runs the
// same checks under Wine as the native test suite runs natively.
//
// Usage: qlv-kernel-check [CASES]   (default 100000 per kernel family)
// Prints one line per family and a closing "N passed, N failed" line; exit 0 when all agree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kernel_agreement.h"

int main(int argc, char **argv) {
    const int cases = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (cases < 1) {
        std::fprintf(stderr, "qlv-kernel-check: CASES must be a positive number\n");
        return 2;
    }
    struct Family {
        const char *name;
        std::string (*check)(uint32_t, int);
    };
    const Family families[] = {{"blit", kernel_agreement::CheckBlit},
                               {"fill", kernel_agreement::CheckFill},
                               {"unfiltered stretch", kernel_agreement::CheckNearest},
                               {"filtered stretch", kernel_agreement::CheckFiltered}};
    int passed = 0, failed = 0;
    uint32_t seed = 1;
    for (const Family &family : families) {
        const std::string failure = family.check(seed++, cases);
        if (failure.empty()) {
            ++passed;
            std::printf("%s: %d cases agree\n", family.name, cases);
        } else {
            ++failed;
            std::printf("%s: %s\n", family.name, failure.c_str());
        }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
