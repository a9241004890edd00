#include "host/chart_generator.h"

#include <algorithm>
#include <random>

ChartBuilder GenerateChart(const ChartGeneratorOptions &options) {
    constexpr int TPQ = 480;
    ChartBuilder chart(TPQ, options.track_name);
    std::mt19937 random(options.seed);
    auto roll = [&](int n) { return int(random() % uint32_t(n)); };

    struct Signature {
        int numerator, denominator;
    };
    const Signature signatures[] = {{4, 4}, {3, 4}, {6, 8}, {7, 8}, {4, 4}};
    int64_t tick = 0;
    Signature current = {4, 4};
    for (int measure = 0; measure < options.measures; ++measure) {
        if (options.signature_changes && measure % 8 == 0 && measure > 0) {
            current = signatures[roll(5)];
            chart.Signature(tick, current.numerator, current.denominator);
        }
        if (options.tempo_changes && measure % 4 == 0) chart.Tempo(tick, 80 + roll(140));
        const int64_t beat = TPQ * 4 / current.denominator;
        const int64_t length = beat * current.numerator;

        if (roll(4) == 0) chart.Note(tick, 116, length * (1 + roll(2)));  // style phrase
        for (int skill = 0; skill < 4; ++skill) {
            const int base = 60 + 12 * skill;
            const int64_t step = std::max<int64_t>(beat / std::max(1, options.notes_per_beat >> (3 - skill)), 30);
            if (roll(3) == 0) chart.Note(tick + step, base + 5 + roll(2), beat);  // forced hopo range
            int previous = -1;
            for (int64_t t = tick; t < tick + length; t += step) {
                if (roll(5) == 0) continue;
                int lane = roll(5);
                if (lane == previous && roll(2)) lane = (lane + 1) % 5;
                previous = lane;
                const int64_t sustain = roll(6) == 0 ? beat * (1 + roll(3)) : step / 4;
                chart.Note(t, base + lane, sustain, 64 + roll(63));
                if (roll(6) == 0) chart.Note(t, base + (lane + 2) % 5, sustain);  // chord
            }
            if (roll(6) == 0)
                chart.Text(tick, std::string("[mix ") + char('0' + skill) + " drums0" + (roll(2) ? "d]" : "dnoflip]"));
        }
        if (roll(3) == 0) chart.Note(tick, 110 + roll(3), length / 2);  // tom range
        if (roll(40) == 0) chart.Controller(tick + length - 1, 123, 0);
        tick += length;
    }
    return chart;
}
