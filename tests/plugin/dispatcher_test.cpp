#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "plugin/dispatcher.h"
#include "state/instance.h"

namespace {

// A host whose time info can be switched off; counts the calls it answers.
struct FakeHost {
    static inline int time_calls = 0;
    static inline bool give_time = false;
    static inline VstTimeInfo info{};
    static intptr_t Callback(AEffect *, int32_t opcode, int32_t, intptr_t, void *, float) {
        if (opcode == audioMasterGetTime) {
            ++time_calls;
            return give_time ? reinterpret_cast<intptr_t>(&info) : 0;
        }
        return 0;
    }
};

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        instance = new PreviewInstance(&FakeHost::Callback);
        effect = &instance->effect;
    }
    void TearDown() override {
        if (effect) PreviewDispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void *ptr = nullptr, float opt = 0.0f) {
        return PreviewDispatcher(effect, opcode, index, value, ptr, opt);
    }
    std::string AskString(int32_t opcode, int32_t index = 0) {
        char text[64];
        std::memset(text, 'x', sizeof(text));
        EXPECT_EQ(Dispatch(opcode, index, 0, text), 0);
        return std::string(text, strnlen(text, sizeof(text)));
    }
    std::vector<uint8_t> Chunk(intptr_t *length = nullptr) {
        void *data = nullptr;
        const intptr_t n = Dispatch(effGetChunk, 0, 0, &data);
        if (length) *length = n;
        if (!data || n <= 0) return {};
        const uint8_t *bytes = static_cast<const uint8_t *>(data);
        return std::vector<uint8_t>(bytes, bytes + n);
    }

    PreviewInstance *instance = nullptr;
    AEffect *effect = nullptr;
};

TEST_F(DispatcherTest, StringRequestsStayWithinTheirLimits) {
    EXPECT_EQ(AskString(effGetParamName, -3), "");
    EXPECT_EQ(AskString(effGetProgramName), "");
    EXPECT_EQ(AskString(effGetParamLabel), "");
    EXPECT_EQ(AskString(effGetParamDisplay), "");
    EXPECT_EQ(AskString(effGetProgramNameIndexed), "");
    // The parameter name may use 9 bytes, names 32; the bytes after the terminator are untouched.
    char text[64];
    std::memset(text, 'x', sizeof(text));
    Dispatch(effGetParamName, 0, 0, text);
    EXPECT_STREQ(text, "dummy");
    EXPECT_EQ(text[6], 'x');
    std::memset(text, 'x', sizeof(text));
    Dispatch(effGetVendorString, 0, 0, text);
    EXPECT_EQ(text[4], 'x');
    EXPECT_EQ(Dispatch(effOpen), 0);
    EXPECT_EQ(Dispatch(effEditGetRect), 0);
}

TEST_F(DispatcherTest, UnhandledOpcodesAnswerZero) {
    std::vector<int32_t> others = {2, 3, 4, 9, 11, 16, 17, 18, 19, 20, 21, 25, 26, 27, 28, 30, 31, 32, 33, 34,
                                   36, 37, 40, 44, 46, 49, 50, 52, 53, 57, 59, 60, 100, -1, 0x7fffffff};
    char text[8] = "keep";
    for (int32_t opcode : others) {
        EXPECT_EQ(Dispatch(opcode, 1, 1, text, 1.0f), 0) << opcode;
        EXPECT_STREQ(text, "keep") << opcode;
    }
}

TEST_F(DispatcherTest, NearMissesOfCapabilityStringsAreOtherStrings) {
    std::string ext(reinterpret_cast<const char *>(VENDOR_CAP_EXTENSIONS), sizeof(VENDOR_CAP_EXTENSIONS));
    std::string view(reinterpret_cast<const char *>(VENDOR_CAP_VIEW_AS_CONFIG), sizeof(VENDOR_CAP_VIEW_AS_CONFIG));
    std::vector<std::string> others = {"", "receiveVstTimeInf", "receiveVstTimeInfoX", "RECEIVEVSTTIMEINFO",
                                       ext.substr(0, ext.size() - 1), ext + "s", view.substr(0, 9)};
    for (std::string &other : others) EXPECT_EQ(Dispatch(effCanDo, 0, 0, other.data()), 0) << other;
    EXPECT_EQ(Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(DispatcherTest, ChunkRoundTrip) {
    uint8_t bytes[] = {0x03, 0x01, 0x40, 0x06};
    instance->highway_dirty = 0;
    EXPECT_EQ(Dispatch(effSetChunk, 0, 4, bytes), 1);
    EXPECT_EQ(instance->skill.load(), 3);
    EXPECT_EQ(instance->mode.load(), 1);
    EXPECT_EQ(instance->hopo_threshold.load(), 1600);
    EXPECT_EQ(instance->highway_dirty, 1);
    EXPECT_EQ(Chunk(), (std::vector<uint8_t>{0x03, 0x01, 0x40, 0x06}));
    // The index is ignored, bytes beyond the fourth too.
    uint8_t longer[] = {0x02, 0x00, 0xFF, 0xFF, 0x77, 0x88};
    EXPECT_EQ(Dispatch(effSetChunk, 9, 6, longer), 1);
    EXPECT_EQ(instance->hopo_threshold.load(), 65535);
    EXPECT_EQ(Chunk(), (std::vector<uint8_t>{0x02, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(instance->chunk_buf.used, 4);  // rebuilt in place, not appended
    EXPECT_EQ(instance->chunk_read_pos, 0);
}

TEST_F(DispatcherTest, ShortChunksSetWhatTheyHold) {
    uint8_t two[] = {0xFF, 0x05};
    instance->highway_dirty = 0;
    EXPECT_EQ(Dispatch(effSetChunk, 0, 2, two), 1);
    EXPECT_EQ(instance->skill.load(), -1);
    EXPECT_EQ(instance->mode.load(), 5);
    EXPECT_EQ(instance->hopo_threshold.load(), 170);
    EXPECT_EQ(instance->highway_dirty, 1);
    // Out-of-range settings travel back out by their low bits.
    EXPECT_EQ(Chunk(), (std::vector<uint8_t>{0xFF, 0x05, 0xAA, 0x00}));

    uint8_t three[] = {0x80, 0x7F, 0x10};
    EXPECT_EQ(Dispatch(effSetChunk, 0, 3, three), 1);
    EXPECT_EQ(instance->skill.load(), -128);
    EXPECT_EQ(instance->mode.load(), 127);
    EXPECT_EQ(instance->hopo_threshold.load(), 170);

    uint8_t one[] = {0x02};
    instance->highway_dirty = 0;
    EXPECT_EQ(Dispatch(effSetChunk, 0, 1, one), 1);
    EXPECT_EQ(Dispatch(effSetChunk, 0, 0, one), 1);
    EXPECT_EQ(instance->skill.load(), -128);
    EXPECT_EQ(instance->highway_dirty, 0);
}

TEST_F(DispatcherTest, BadChunkRequestsChangeNothing) {
    uint8_t bytes[] = {0x03, 0x01, 0x40, 0x06};
    instance->highway_dirty = 0;
    EXPECT_EQ(Dispatch(effSetChunk, 0, 4, nullptr), 0);
    // Too short to hold a setting, whatever the pointer: ignored, and still answered 1.
    EXPECT_EQ(Dispatch(effSetChunk, 0, -4, bytes), 1);
    EXPECT_EQ(Dispatch(effSetChunk, 0, 1, nullptr), 1);
    EXPECT_EQ(Dispatch(effSetChunk, 0, -1, nullptr), 1);
    EXPECT_EQ(instance->skill.load(), 0);
    EXPECT_EQ(instance->hopo_threshold.load(), 170);
    EXPECT_EQ(instance->highway_dirty, 0);
    // Nowhere to store the pointer: nothing handed out, nothing written.
    EXPECT_EQ(Dispatch(effGetChunk, 0, 0, nullptr), 0);
}

TEST_F(DispatcherTest, ChunkThatCannotBeBuiltIsNotHandedOut) {
    GrowBufFailNextAllocations(2);
    void *data = reinterpret_cast<void *>(1);
    const intptr_t length = Dispatch(effGetChunk, 0, 0, &data);
    GrowBufFailNextAllocations(0);
    // The first byte failed and the three after it got a buffer: a shifted, incomplete chunk
    // that must not be handed out as settings.
    EXPECT_EQ(length, 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(Chunk(), (std::vector<uint8_t>{0x00, 0x00, 0xAA, 0x00}));
}

TEST_F(DispatcherTest, StringRequestsWithoutPointerWriteNothing) {
    for (int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
                           effGetProgramNameIndexed, effGetEffectName, effGetVendorString, effGetProductString}) {
        EXPECT_EQ(Dispatch(opcode, 0, 0, nullptr), 0) << opcode;
    }
}

TEST_F(DispatcherTest, SampleRateAcceptsOnlyUsableRates) {
    EXPECT_EQ(Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(instance->sample_rate, 48000.0);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.5f);
    EXPECT_EQ(instance->sample_rate, 22050.5);
    for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        Dispatch(effSetSampleRate, 0, 0, nullptr, bad);
        EXPECT_EQ(instance->sample_rate, 22050.5) << bad;
    }
}

TEST_F(DispatcherTest, MainsOffResetsTheChartMainsOnDoesNot) {
    instance->chart_events.Resize(64);
    instance->last_position = 10.0;
    instance->display_position = 20.0;
    instance->flip_count = 2;
    instance->fetched_end = 30.0;
    EXPECT_EQ(Dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(instance->chart_events.used, 64);
    EXPECT_EQ(instance->last_position, 10.0);
    EXPECT_EQ(instance->display_position, 20.0);
    EXPECT_EQ(instance->flip_count, 2);
    EXPECT_EQ(Dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(instance->chart_events.used, 0);
    EXPECT_EQ(instance->last_position, -1.0);
    EXPECT_EQ(instance->display_position, -1.0);
    EXPECT_EQ(instance->flip_count, 0);
    EXPECT_EQ(instance->fetched_end, 30.0);
}

TEST_F(DispatcherTest, EditorThatCannotBeCreatedStaysClosed) {
    // Linked statically into this test there is no library with the dialog resource, so the
    // dialog cannot be created: the answer is 0 and no window is recorded.
    ASSERT_EQ(module_handle, nullptr);
    EXPECT_EQ(Dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(instance->editor_window.load(), nullptr);
    EXPECT_EQ(Dispatch(effEditClose), 0);
    EXPECT_EQ(instance->editor_window.load(), nullptr);
}

TEST_F(DispatcherTest, ProcessReplacingWritesSilence) {
    std::vector<float> left(256 + 4, 0.5f), right(256 + 4, -0.5f);
    float *outputs[2] = {left.data(), right.data()};
    const int before = FakeHost::time_calls;
    PreviewProcessReplacing(effect, nullptr, outputs, 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(left[i], 0.0f) << i;
        ASSERT_EQ(right[i], 0.0f) << i;
    }
    EXPECT_EQ(left[256], 0.5f);  // nothing past the block
    EXPECT_EQ(right[256], -0.5f);
    EXPECT_EQ(FakeHost::time_calls, before + 1);

    // Accumulating leaves the outputs as they are.
    std::fill(left.begin(), left.end(), 0.25f);
    PreviewProcess(effect, nullptr, outputs, 256);
    EXPECT_EQ(left[0], 0.25f);
    EXPECT_EQ(left[255], 0.25f);
}

TEST_F(DispatcherTest, ProcessWithNothingToDoTouchesNothing) {
    std::vector<float> left(16, 0.5f);
    float *outputs[2] = {left.data(), nullptr};
    PreviewProcessReplacing(effect, nullptr, outputs, 0);
    PreviewProcessReplacing(effect, nullptr, outputs, -5);
    EXPECT_EQ(left[0], 0.5f);
    PreviewProcessReplacing(effect, nullptr, outputs, 16);  // a missing channel is skipped
    EXPECT_EQ(left[15], 0.0f);
    PreviewProcessReplacing(effect, nullptr, nullptr, 16);
    // Time info present but the editor closed: nothing is locked or fetched.
    FakeHost::give_time = true;
    PreviewProcessReplacing(effect, nullptr, outputs, 16);
    FakeHost::give_time = false;
    EXPECT_EQ(instance->chart_events.used, 0);
    EXPECT_EQ(instance->last_position, -1.0);
}

TEST_F(DispatcherTest, RequestsWithoutAnInstanceAnswerZero) {
    AEffect orphan{};
    char text[8] = "keep";
    uint8_t bytes[] = {3, 1, 0x40, 6};
    for (int32_t opcode : {effClose, effGetParamName, effGetEffectName, effIdentify, effGetChunk, effSetChunk, effCanDo,
                           effGetVstVersion, effGetPlugCategory, effSetSampleRate, effMainsChanged, effEditOpen}) {
        void *ptr = opcode == effSetChunk ? static_cast<void *>(bytes) : static_cast<void *>(text);
        EXPECT_EQ(PreviewDispatcher(&orphan, opcode, 0, 4, ptr, 48000.0f), 0) << opcode;
    }
    EXPECT_STREQ(text, "keep");
    EXPECT_EQ(PreviewDispatcher(nullptr, effIdentify, 0, 0, nullptr, 0.0f), 0);
    float left[4] = {1, 1, 1, 1};
    float *outputs[2] = {left, left};
    PreviewProcessReplacing(&orphan, nullptr, outputs, 4);
    PreviewProcess(nullptr, nullptr, outputs, 4);
    EXPECT_EQ(left[0], 1.0f);
}

TEST_F(DispatcherTest, CloseFreesTheInstance) {
    const int32_t before = instance_count;
    EXPECT_EQ(Dispatch(effClose), 0);
    effect = nullptr;
    EXPECT_EQ(instance_count, before - 1);
}

}  // namespace
