// Generates long, dense charts in code: all four difficulties of gems with chords, sustains and
// repeated notes, forced hammer-on ranges, style phrases, tom ranges, drum mix texts (bracketed,
// as chart tools write them), the odd all-notes-off, and tempo and time-signature changes. For
// property tests, benchmarks and demo charts. Deterministic for a given seed.
//
// Plain functions; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "host/chart_builder.h"

struct ChartGeneratorOptions {
    uint32_t seed = 1;
    int measures = 64;             // length of the chart
    int notes_per_beat = 2;        // gem density per difficulty on Expert (halved per level below)
    bool tempo_changes = true;     // a new tempo every few measures
    bool signature_changes = true; // 4/4 with stretches of 3/4, 6/8 and 7/8
    std::string track_name = "PART DRUMS";
};

ChartBuilder GenerateChart(const ChartGeneratorOptions &options);
