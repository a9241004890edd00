// Steady-state cost of the audio thread's buffer traffic: refilling the event list the host
// writes into and the chart record buffer, against plain memcpy of the same bytes as the floor.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "state/midi_list.h"
#include "state/growbuf.h"

namespace {

constexpr int kRecords = 256;  // a busy fetch window
constexpr int kChartRecord = 32;

struct NoteRecord {
    int32_t frame, size;
    uint8_t bytes[4];
};

void BM_MemcpyFloor(benchmark::State &state) {
    std::vector<uint8_t> out(kRecords * sizeof(NoteRecord));
    NoteRecord note{0, 3, {0x90, 60, 100, 0}};
    for (auto _ : state) {
        for (int i = 0; i < kRecords; ++i) {
            note.frame = i;
            std::memcpy(out.data() + i * sizeof(NoteRecord), &note, sizeof(note));
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_MemcpyFloor);

void BM_MidiListRefillAndWalk(benchmark::State &state) {
    midi_List list;
    NoteRecord note{0, 3, {0x90, 60, 100, 0}};
    for (auto _ : state) {
        list.Clear();
        for (int i = 0; i < kRecords; ++i) {
            note.frame = i;
            list.AppendEvent(reinterpret_cast<const MidiEventRecord *>(&note));
        }
        int32_t cursor = 0;
        int64_t sum = 0;
        while (MidiEventRecord *record = list.NextEvent(&cursor)) sum += record->frame_offset;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_MidiListRefillAndWalk);

void BM_GrowBufAppendRecords(benchmark::State &state) {
    GrowBuf buf(4096);
    uint8_t record[kChartRecord] = {};
    for (auto _ : state) {
        buf.Resize(0);
        for (int i = 0; i < kRecords; ++i) {
            const int32_t old = buf.used;
            buf.Resize(old + kChartRecord);
            if (buf.used == old + kChartRecord) std::memcpy(buf.data + old, record, kChartRecord);
        }
        benchmark::DoNotOptimize(buf.data);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_GrowBufAppendRecords);

}  // namespace

BENCHMARK_MAIN();
