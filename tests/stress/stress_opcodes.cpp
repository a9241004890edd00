// Opcode answers, string limits, untouched buffers of no-op opcodes and the chunk rules.
#include "stress.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "state/host_api.h"

namespace {

constexpr uint8_t kSentinel = 0xA5;
constexpr size_t kBuffer = 512;

// Opcodes answered with nothing done: 0 unless listed in Answer, and the buffer behind ptr stays
// as it was. Processing-state opcodes (11 block size, 12 processing switch) come only when the
// instance is suspended, and are checked there.
const int32_t kNoOps[] = {0,  2,  3,  4,  9,  13, 16, 17, 18, 19, 20, 21, 22, 25, 26, 27, 28, 30, 31, 32, 33,
                          34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 46, 49, 50, 52, 53, 54, 55, 56, 57, 58,
                          59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79,
                          80, 1000, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};

intptr_t Answer(int32_t opcode) {
    switch (opcode) {
        case effIdentify: return 0x4e764566;
        case effGetPlugCategory: return 2;
        case effGetVstVersion: return 2400;
        default: return 0;
    }
}

intptr_t HostileValue(std::mt19937_64 &random) {
    const intptr_t values[] = {0, 1, -1, 4, 0x7fffffff, std::numeric_limits<intptr_t>::min(),
                               std::numeric_limits<intptr_t>::max(), static_cast<intptr_t>(random())};
    return values[random() % std::size(values)];
}

int32_t HostileIndex(std::mt19937_64 &random) {
    const int32_t values[] = {0, 1, -1, 2, 1000, std::numeric_limits<int32_t>::min(), static_cast<int32_t>(random())};
    return values[random() % std::size(values)];
}

float HostileFloat(std::mt19937_64 &random) {
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min(), 1e30f};
    return values[random() % std::size(values)];
}

// First index where the buffer no longer holds the sentinel, from `from` on; kBuffer if none.
size_t TouchedFrom(const std::vector<uint8_t> &buffer, size_t from) {
    for (size_t i = from; i < buffer.size(); ++i) {
        if (buffer[i] != kSentinel) return i;
    }
    return buffer.size();
}

std::string Describe(int32_t opcode, int32_t index, intptr_t value, float opt) {
    char text[160];
    std::snprintf(text, sizeof text, "opcode %d (index %d, value %lld, opt %g)", opcode, index,
                  static_cast<long long>(value), static_cast<double>(opt));
    return text;
}

// A string request: the expected text with its terminator, and nothing written at or after
// `limit` bytes.
void CheckString(PluginHost &host, AEffect *effect, int32_t opcode, int32_t index, const char *expected, size_t limit,
                 StressFailures &failures) {
    std::vector<uint8_t> buffer(kBuffer, kSentinel);
    const intptr_t answer = host.Dispatch(effect, opcode, index, 0, buffer.data(), 0.0f);
    const std::string where = Describe(opcode, index, 0, 0.0f);
    if (answer != 0) failures.Fail(where + ": answer " + std::to_string(answer));
    const size_t length = std::strlen(expected);
    if (std::memcmp(buffer.data(), expected, length + 1) != 0) failures.Fail(where + ": wrong text");
    const size_t touched = TouchedFrom(buffer, length + 1);
    if (touched < buffer.size() && touched >= limit) failures.Fail(where + ": wrote beyond " + std::to_string(limit) + " bytes");
    // No ptr: nothing to write, nothing to crash.
    host.Dispatch(effect, opcode, index, 0, nullptr, 0.0f);
}

void CheckCanDo(PluginHost &host, AEffect *effect, StressFailures &failures) {
    const std::string extensions(reinterpret_cast<const char *>(VENDOR_CAP_EXTENSIONS), sizeof VENDOR_CAP_EXTENSIONS);
    const std::string view(reinterpret_cast<const char *>(VENDOR_CAP_VIEW_AS_CONFIG), sizeof VENDOR_CAP_VIEW_AS_CONFIG);
    const struct {
        std::string text;
        intptr_t answer;
    } cases[] = {{"receiveVstTimeInfo", 1}, {extensions, HOST_EXT_CAN_DO_ANSWER}, {view, HOST_EXT_CAN_DO_ANSWER},
                 {"", 0}, {"receiveVstTimeInf", 0}, {extensions + "x", 0}, {extensions.substr(1), 0},
                 {"sendVstEvents", 0}, {std::string(5000, 'y'), 0}};
    for (const auto &c : cases) {
        std::string text = c.text;  // a private copy: the plug-in gets a writable pointer
        const intptr_t answer = host.Dispatch(effect, effCanDo, 0, 0, text.data(), 0.0f);
        if (answer != c.answer) failures.Fail("effCanDo \"" + c.text.substr(0, 40) + "\": answer " + std::to_string(answer));
    }
    if (host.Dispatch(effect, effCanDo, 0, 0, nullptr, 0.0f) != 0) failures.Fail("effCanDo without a string");
}

}  // namespace

std::string ReadChunk(PluginHost &host, AEffect *effect) {
    void *data = nullptr;
    const intptr_t length = host.Dispatch(effect, effGetChunk, 0, 0, &data, 0.0f);
    if (length != 4 || !data) return {};
    return std::string(static_cast<const char *>(data), 4);
}

void ChunkRoundTrip(PluginHost &host, AEffect *effect, std::mt19937_64 &random, StressFailures &failures) {
    const std::string before = ReadChunk(host, effect);
    if (before.size() != 4) {
        failures.Fail("effGetChunk: no 4-byte chunk");
        return;
    }
    const size_t length = random() % 9;
    const bool no_data = random() % 8 == 0;
    std::string bytes(length, '\0');
    for (char &b : bytes) b = static_cast<char>(random());
    // Half the time the settings a user can pick, so that the editor's clicks meet them too.
    if (random() % 2) {
        for (size_t i = 0; i < length && i < 2; ++i) bytes[i] = static_cast<char>(random() % 4);
    }
    host.Dispatch(effect, effSetChunk, HostileIndex(random), static_cast<intptr_t>(length), no_data ? nullptr : bytes.data(),
                  HostileFloat(random));
    std::string expected = before;
    if (!no_data && length >= 2) expected.replace(0, length >= 4 ? 4 : 2, bytes.substr(0, length >= 4 ? 4 : 2));
    const std::string after = ReadChunk(host, effect);
    if (after != expected) failures.Fail("chunk of " + std::to_string(length) + (no_data ? " bytes without data" : " bytes") + " does not read back as loaded");
}

void SweepOpcodes(PluginHost &host, AEffect *effect, std::mt19937_64 &random, bool suspended, StressFailures &failures) {
    for (int32_t opcode : kNoOps) {
        const int32_t index = HostileIndex(random);
        const intptr_t value = HostileValue(random);
        const float opt = HostileFloat(random);
        std::vector<uint8_t> buffer(kBuffer, kSentinel);
        void *ptr = random() % 4 ? buffer.data() : nullptr;
        const intptr_t answer = host.Dispatch(effect, opcode, index, value, ptr, opt);
        const std::string where = Describe(opcode, index, value, opt);
        if (answer != Answer(opcode)) failures.Fail(where + ": answer " + std::to_string(answer));
        if (TouchedFrom(buffer, 0) != buffer.size()) failures.Fail(where + ": wrote into the buffer of a no-op");
    }
    if (suspended) {
        if (host.Dispatch(effect, effSetBlockSize, 0, HostileValue(random), nullptr, 0.0f) != 0) failures.Fail("effSetBlockSize answer");
    }
    // Strings: VST limits are 24 bytes for program names, 8 for parameter texts, 32 for names.
    CheckString(host, effect, effGetProgramName, HostileIndex(random), "", 24, failures);
    CheckString(host, effect, effGetProgramNameIndexed, HostileIndex(random), "", 24, failures);
    CheckString(host, effect, effGetParamLabel, HostileIndex(random), "", 8, failures);
    CheckString(host, effect, effGetParamDisplay, HostileIndex(random), "", 8, failures);
    CheckString(host, effect, effGetParamName, 0, "dummy", 9, failures);
    const int32_t other = HostileIndex(random);
    CheckString(host, effect, effGetParamName, other == 0 ? 1 : other, "", 9, failures);
    CheckString(host, effect, effGetEffectName, 0, "QLV Preview", 32, failures);
    CheckString(host, effect, effGetVendorString, 0, "QLV", 32, failures);
    CheckString(host, effect, effGetProductString, 0, "QLV Preview", 32, failures);
    CheckCanDo(host, effect, failures);
    if (effect->getParameter(effect, HostileIndex(random)) != 0.0f) failures.Fail("getParameter is not 0");
    effect->setParameter(effect, HostileIndex(random), HostileFloat(random));
    ChunkRoundTrip(host, effect, random, failures);
}
