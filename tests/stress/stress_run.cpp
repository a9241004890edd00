// The run: instances in slots that the audio thread processes while they are resumed, and the
// main thread's editor cycles, suspensions and instance churn.
#include "stress.h"

#include <qlv_headless.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "host/chart_generator.h"
#include "host/chart_project.h"
#include "host/host_window.h"

namespace {

constexpr int32_t kMaxBlock = 8192;
constexpr int kGuard = 64;

// One instance as the host keeps it. The gate is held by the audio thread while it processes the
// instance and by the main thread while the instance is suspended or replaced.
struct Slot {
    std::mutex gate;
    AEffect *effect = nullptr;  // under gate
    bool resumed = false;       // under gate
    int32_t block_size = 512;   // under gate: the largest block the audio thread sends
};

class Clock {
public:
    explicit Clock(double limit) : limit_(limit), start_(std::chrono::steady_clock::now()) {}
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    bool Over() const { return Seconds() >= limit_; }

private:
    double limit_;
    std::chrono::steady_clock::time_point start_;
};

struct Counts {
    long instances = 0, sweeps = 0, suspensions = 0, cycles = 0, frames = 0, clicks = 0, clicks_checked = 0, drags = 0,
         chunks = 0;
    std::atomic<long> blocks{0};
};

double RandomRate(std::mt19937_64 &random) {
    const double rates[] = {1234.5678, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0};
    if (random() % 2) return rates[random() % std::size(rates)];
    return 1234.5678 + static_cast<double>(random() % 1000000) / 1000000.0 * (384000.0 - 1234.5678);
}

int32_t RandomBlockSize(std::mt19937_64 &random) {
    const int32_t sizes[] = {0, 1, 2, 7, 64, 100, 256, 512, 1024, 4096, kMaxBlock};
    if (random() % 2) return sizes[random() % std::size(sizes)];
    return static_cast<int32_t>(random() % (kMaxBlock + 1));
}

// Suspends the instance, changes what may change only then, and resumes it.
void Reconfigure(PluginHost &host, Slot &slot, std::mt19937_64 &random, StressFailures &failures) {
    std::lock_guard<std::mutex> lock(slot.gate);
    if (!slot.effect) return;
    host.Dispatch(slot.effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    if (random() % 3 == 0) SweepOpcodes(host, slot.effect, random, true, failures);
    host.Dispatch(slot.effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(RandomRate(random)));
    slot.block_size = RandomBlockSize(random);
    host.Dispatch(slot.effect, effSetBlockSize, 0, slot.block_size, nullptr, 0.0f);
    host.Dispatch(slot.effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    slot.resumed = true;
}

void Create(PluginHost &host, Slot &slot, std::mt19937_64 &random, Counts &counts, StressFailures &failures) {
    AEffect *effect = host.CreateInstance();
    if (!effect) {
        failures.Fail("VSTPluginMain gave no instance");
        return;
    }
    ++counts.instances;
    host.Dispatch(effect, effOpen, 0, 0, nullptr, 0.0f);
    SweepOpcodes(host, effect, random, true, failures);
    ++counts.sweeps;
    {
        std::lock_guard<std::mutex> lock(slot.gate);
        slot.effect = effect;
        slot.resumed = false;
    }
    Reconfigure(host, slot, random, failures);
}

// Takes the instance away from the audio thread and closes it (its editor too, if open).
void Destroy(PluginHost &host, Slot &slot) {
    AEffect *effect = nullptr;
    {
        std::lock_guard<std::mutex> lock(slot.gate);
        effect = slot.effect;
        if (effect && slot.resumed) host.Dispatch(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
        slot.effect = nullptr;
        slot.resumed = false;
    }
    if (effect) host.Dispatch(effect, effClose, 0, 0, nullptr, 0.0f);
}

// The audio thread: every resumed instance in turn gets a block of 0..block size frames, replacing
// (exact silence over the block, nothing beyond it) or accumulating (outputs left alone), while the
// transport seeks, plays and stops.
void AudioThread(PluginHost &host, std::deque<Slot> &slots, uint64_t seed, std::atomic<bool> &stop, Counts &counts,
                 StressFailures &failures, std::mutex &failures_mutex) {
    std::mt19937_64 random(seed ^ 0x5eed0a0d10ull);
    std::vector<float> left(kMaxBlock + kGuard), right(kMaxBlock + kGuard);
    HostTransport transport = host.Transport();
    while (!stop.load()) {
        if (random() % 64 == 0) {
            transport.sample_pos = static_cast<double>(random() % (600 * 44100));
            transport.playing = random() % 3 != 0;
            transport.output_latency = static_cast<int32_t>(random() % 3 == 0 ? random() % 100000 : 0);
            transport.available = random() % 16 != 0;
        }
        host.SetTransport(transport);
        int32_t longest = 0;
        for (Slot &slot : slots) {
            std::lock_guard<std::mutex> lock(slot.gate);
            if (!slot.effect || !slot.resumed) continue;
            const auto frames = static_cast<int32_t>(random() % (static_cast<uint64_t>(slot.block_size) + 1));
            longest = std::max(longest, frames);
            float *outputs[2] = {left.data(), right.data()};
            const bool replacing = random() % 4 != 0;
            std::fill(left.begin(), left.end(), 0.75f);
            std::fill(right.begin(), right.end(), -0.75f);
            if (replacing) {
                slot.effect->processReplacing(slot.effect, nullptr, outputs, frames);
            } else {
                slot.effect->process(slot.effect, nullptr, outputs, frames);
            }
            const float inside_left = replacing ? 0.0f : 0.75f, inside_right = replacing ? 0.0f : -0.75f;
            bool right_values = true;
            for (size_t i = 0; i < left.size(); ++i) {
                const bool inside = i < static_cast<size_t>(frames);
                right_values = right_values && left[i] == (inside ? inside_left : 0.75f) &&
                               right[i] == (inside ? inside_right : -0.75f);
            }
            if (!right_values) {
                std::lock_guard<std::mutex> guard(failures_mutex);
                failures.Fail(std::string(replacing ? "processReplacing" : "process") + " of " + std::to_string(frames) +
                              " frames: outputs not as they must be");
            }
            counts.blocks.fetch_add(1, std::memory_order_relaxed);
        }
        if (transport.playing) transport.sample_pos += longest;
        if (longest == 0) std::this_thread::yield();
    }
}

// What a click on SKILL or MODE does to the chunk's first two bytes.
int8_t NextSkill(int8_t skill) { return skill + 1 >= 4 ? 0 : static_cast<int8_t>(skill + 1); }
int8_t NextMode(int8_t mode) { return static_cast<int8_t>((mode + 1) % 4); }

void Click(HWND window, int x, int y) {
    HostWindowMouse(window, WM_LBUTTONDOWN, x, y);
    HostWindowMouse(window, WM_LBUTTONUP, x, y);
}

// One editor cycle on a slot's instance: open in a host window of a random size, frames with
// resizes, clicks, drags and chunk round trips in between, then closed (sometimes by closing the
// instance with its editor open, or by opening a second time over it).
void EditorCycle(PluginHost &host, Slot &slot, std::mt19937_64 &random, Counts &counts, StressFailures &failures) {
    AEffect *effect = nullptr;
    {
        std::lock_guard<std::mutex> lock(slot.gate);
        effect = slot.effect;
    }
    if (!effect) return;
    auto size = [&] {
        const int small = random() % 8 == 0;
        return std::pair<int, int>(small ? random() % 12 : 100 + random() % 700, small ? random() % 12 : 60 + random() % 500);
    };
    auto [width, height] = size();
    HWND window = HostWindowCreate(0, 0, width, height);
    if (!window) {
        failures.Fail("no host window");
        return;
    }
    if (host.Dispatch(effect, effEditOpen, 0, 0, window, 0.0f) != 1) failures.Fail("effEditOpen did not open");
    ++counts.cycles;
    // The part of the host window the editor surely covers: the editor follows the host window's
    // size (less 4 pixels) at its next timer tick, so after a resize the smaller size counts.
    int sure_width = width - 4, sure_height = height - 4;
    auto reaches = [&](int x, int y) { return x < sure_width && y < sure_height; };
    const int frames = 1 + static_cast<int>(random() % 5);
    for (int f = 0; f < frames; ++f) {
        int next_width = width, next_height = height;
        switch (random() % 6) {
            case 0: {
                std::tie(next_width, next_height) = size();
                SetWindowPos(window, nullptr, 0, 0, next_width, next_height, SWP_NOMOVE | SWP_NOZORDER);
                sure_width = std::min(sure_width, next_width - 4);
                sure_height = std::min(sure_height, next_height - 4);
                break;
            }
            case 1: {
                const std::string before = ReadChunk(host, effect);
                const bool skill = random() % 2;
                const int x = skill ? static_cast<int>(random() % 48) : 56 + static_cast<int>(random() % 91);
                const int y = 12 + static_cast<int>(random() % 10);
                Click(window, x, y);
                const std::string after = ReadChunk(host, effect);
                ++counts.clicks;
                if (before.size() == 4 && reaches(x, y)) {
                    ++counts.clicks_checked;
                    std::string expected = before;
                    expected[skill ? 0 : 1] = static_cast<char>(skill ? NextSkill(static_cast<int8_t>(before[0]))
                                                                      : NextMode(static_cast<int8_t>(before[1])));
                    if (after != expected) failures.Fail(std::string("a click on ") + (skill ? "SKILL" : "MODE") + " did not cycle it");
                }
                break;
            }
            case 2: {
                // A drag on TIME OFFS or HOPO THRESH, released somewhere. The threshold either
                // stays or moves into 32..1920.
                const int x = random() % 2 ? 160 : 240;
                const std::string before = ReadChunk(host, effect);
                HostWindowMouse(window, WM_LBUTTONDOWN, x, 15);
                for (int m = 0; m < 3; ++m) {
                    HostWindowMouse(window, WM_MOUSEMOVE, static_cast<int>(random() % 2000) - 1000,
                                    static_cast<int>(random() % 2000) - 1000);
                }
                HostWindowMouse(window, WM_LBUTTONUP, static_cast<int>(random() % 800), static_cast<int>(random() % 600));
                const std::string after = ReadChunk(host, effect);
                if (before.size() == 4 && after.size() == 4 && after != before) {
                    const int threshold = static_cast<uint8_t>(after[2]) + 256 * static_cast<uint8_t>(after[3]);
                    if (x == 160 || after[0] != before[0] || after[1] != before[1]) {
                        failures.Fail("a TIME OFFS drag or the threshold drag changed other settings");
                    } else if (threshold < 32 || threshold > 1920) {
                        failures.Fail("a threshold drag left it at " + std::to_string(threshold));
                    }
                }
                ++counts.drags;
                break;
            }
            case 3:
                ChunkRoundTrip(host, effect, random, failures);
                ++counts.chunks;
                break;
            default:
                break;
        }
        HostWindowsRunFrame(15);
        ++counts.frames;
        width = next_width;
        height = next_height;
        sure_width = width - 4;
        sure_height = height - 4;
    }
    switch (random() % 20) {
        case 0:
            // The instance goes with its editor open; the host window stays until after it.
            Destroy(host, slot);
            HostWindowDestroy(window);
            return;
        case 1:
            // Opened again over the open editor: the old one is replaced.
            if (host.Dispatch(effect, effEditOpen, 0, 0, window, 0.0f) != 1) failures.Fail("effEditOpen over an open editor");
            HostWindowsRunFrame(15);
            break;
        default:
            break;
    }
    host.Dispatch(effect, effEditClose, 0, 0, nullptr, 0.0f);
    if (GetWindow(window, GW_CHILD)) failures.Fail("effEditClose left the editor window");
    HostWindowDestroy(window);
}

}  // namespace

void StressFailures::Fail(const std::string &what) {
    ++count;
    if (count <= 50) std::fprintf(stderr, "stress: FAILED: %s\n", what.c_str());
}

long RunStress(const StressOptions &options) {
    std::printf("stress: seed %llu, %d instances, %d editor cycles, at most %.0f s\n",
                static_cast<unsigned long long>(options.seed), options.instances, options.editor_cycles, options.seconds);
    std::fflush(stdout);
    std::mt19937_64 random(options.seed);
    StressFailures failures;
    std::mutex failures_mutex;
    Counts counts;
    const Clock clock(options.seconds);

    char folder[] = "/tmp/qlv-stress-XXXXXX";
    if (!mkdtemp(folder)) {
        std::fprintf(stderr, "stress: no scratch folder\n");
        return 1;
    }
    const std::string ini = std::string(folder) + "/host.ini";
    SetHostIniFile(ini.c_str());
    const int windows_before = QlvHeadlessWindowCount(), timers_before = QlvHeadlessTimerCount();
    {
        ChartGeneratorOptions chart;
        chart.seed = static_cast<uint32_t>(options.seed);
        chart.measures = 200;
        chart.notes_per_beat = 4;
        const std::unique_ptr<ChartProject> project = GenerateChart(chart).BuildProject();
        PluginHost host;
        std::string error;
        if (!host.Load(options.plugin, &error)) {
            std::fprintf(stderr, "stress: %s\n", error.c_str());
            return 1;
        }
        host.SetDefaultContext(&project->project(), &project->track());

        std::deque<Slot> slots(static_cast<size_t>(std::max(options.instances, 1)));
        std::atomic<bool> stop{false};
        std::thread audio(AudioThread, std::ref(host), std::ref(slots), options.seed, std::ref(stop), std::ref(counts),
                          std::ref(failures), std::ref(failures_mutex));
        auto fail_guarded = [&](auto &&body) {
            // The audio thread reports into the same list.
            std::lock_guard<std::mutex> guard(failures_mutex);
            body();
        };
        StressFailures main_failures;
        for (Slot &slot : slots) {
            if (clock.Over()) break;
            Create(host, slot, random, counts, main_failures);
        }
        for (int cycle = 0; cycle < options.editor_cycles && !clock.Over(); ++cycle) {
            Slot &slot = slots[random() % slots.size()];
            const uint64_t action = random() % 40;
            if (action == 0) {
                Destroy(host, slot);
                Create(host, slot, random, counts, main_failures);
            } else if (action < 5) {
                Reconfigure(host, slot, random, main_failures);
                ++counts.suspensions;
            } else if (action < 7) {
                std::lock_guard<std::mutex> lock(slot.gate);
                if (slot.effect) SweepOpcodes(host, slot.effect, random, false, main_failures);
                ++counts.sweeps;
            }
            bool empty;
            {
                std::lock_guard<std::mutex> lock(slot.gate);
                empty = slot.effect == nullptr;
            }
            if (empty) Create(host, slot, random, counts, main_failures);
            EditorCycle(host, slot, random, counts, main_failures);
        }
        stop.store(true);
        audio.join();
        for (Slot &slot : slots) Destroy(host, slot);
        fail_guarded([&] {
            failures.count += main_failures.count;
        });
    }
    if (QlvHeadlessWindowCount() != windows_before) failures.Fail("windows left at the end");
    if (QlvHeadlessTimerCount() != timers_before) failures.Fail("timers left at the end");
    unlink(ini.c_str());
    rmdir(folder);

    std::printf("stress: %ld instances, %ld opcode sweeps, %ld suspensions, %ld editor cycles, %ld frames, %ld clicks "
                "(%ld on a control), %ld drags, %ld chunk round trips, %ld audio blocks in %.1f s: %ld failures\n",
                counts.instances, counts.sweeps, counts.suspensions, counts.cycles, counts.frames, counts.clicks, counts.clicks_checked,
                counts.drags, counts.chunks, counts.blocks.load(), clock.Seconds(), failures.count);
    return failures.count;
}
