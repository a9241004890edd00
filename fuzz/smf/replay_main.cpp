// The shared replay main (files or folders through LLVMFuzzerTestOneInput), built for this target.
#include "fuzz/replay_main.cpp"
