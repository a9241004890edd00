// The shared replay main, built into this target (the fuzzer helper looks for it beside the
// target's own sources).
#include "fuzz/replay_main.cpp"
