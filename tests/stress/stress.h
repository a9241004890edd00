// A validator-grade stress host over the real plug-in binary, built on the reference host: many
// instances, every opcode with hostile arguments, an audio thread whose block sizes and sample
// rates change while the instance is suspended, seeks and play/stop, and on the main thread
// editor opening, closing, resizing, clicks, drags and chunk round trips. Bounded by counts and
// by seconds, seeded (the seed is printed so that a run can be repeated).
//
// It keeps to what hosts guarantee: every dispatcher and window call on the main thread, the
// audio routines on the audio thread, sample rate, block size and the processing switch only
// while the instance is suspended (its audio gate held).
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "host/plugin_host.h"

struct StressOptions {
    std::string plugin;        // path of the plug-in binary
    uint64_t seed = 0;
    int instances = 100;       // created, swept through every opcode, then kept
    int editor_cycles = 1000;  // editor open ... close cycles on the main thread
    double seconds = 120.0;    // the run stops early when this much time has passed
};

// Failures found: each is printed at once with its context. A run passes with none.
struct StressFailures {
    long count = 0;
    void Fail(const std::string &what);
};

// The checks of one instance's dispatcher on the main thread, with hostile arguments. `effect`
// is suspended or resumed as the caller says; opcodes reserved for a suspended instance are sent
// only when `suspended`.
void SweepOpcodes(PluginHost &host, AEffect *effect, std::mt19937_64 &random, bool suspended,
                  StressFailures &failures);

// A chunk round trip: random settings bytes of a random length (0..8, or no data) loaded and read
// back as the chunk rules say. Leaves the instance with the settings read back.
void ChunkRoundTrip(PluginHost &host, AEffect *effect, std::mt19937_64 &random, StressFailures &failures);

// The settings bytes as the chunk hands them out (4 bytes), or an empty string on failure.
std::string ReadChunk(PluginHost &host, AEffect *effect);

// The whole run. Returns the number of failures (0: passed).
long RunStress(const StressOptions &options);
