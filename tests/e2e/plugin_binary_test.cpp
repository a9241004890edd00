// The real plug-in binary, loaded by path through the reference host. Each test loads its own
// copy of the binary under a new file name, so each starts from a fresh process-wide state.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "host/plugin_host.h"
#include "state/host_api.h"
#include "state/vst.h"

namespace {

const std::string kPlugin = std::string(QLV_PLUGIN_DIR) + "/qlv_preview.so";
const std::vector<std::string> kAllFive = {"get_ini_file", "Track_GetRawMIDI", "TimeMap2_timeToQN",
                                           "TimeMap2_beatsToTime", "TimeMap2_timeToBeats"};

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class PluginBinaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qlv-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        copy = dir + "/qlv_preview_copy.so";
        ini = dir + "/host.ini";
        const std::string bytes = Slurp(kPlugin);
        ASSERT_FALSE(bytes.empty()) << "cannot read " << kPlugin;
        std::ofstream(copy, std::ios::binary) << bytes;
        std::ofstream(ini, std::ios::binary) << "[qlview]\ntimeoffs=-40\n";
        SetHostIniFile(ini.c_str());
        host = std::make_unique<PluginHost>();
        std::string error;
        ASSERT_TRUE(host->Load(copy, &error)) << error;
    }
    void TearDown() override {
        host.reset();
        unlink(copy.c_str());
        unlink(ini.c_str());
        rmdir(dir.c_str());
    }
    intptr_t Dispatch(AEffect *e, int32_t opcode, int32_t index = 0, intptr_t value = 0, void *ptr = nullptr,
                      float opt = 0.0f) {
        return host->Dispatch(e, opcode, index, value, ptr, opt);
    }
    std::string AskString(AEffect *e, int32_t opcode, int32_t index = 0) {
        char text[128];
        std::memset(text, 'x', sizeof(text));
        Dispatch(e, opcode, index, 0, text);
        return std::string(text, strnlen(text, sizeof(text)));
    }
    std::vector<uint8_t> Chunk(AEffect *e) {
        void *data = nullptr;
        const intptr_t n = Dispatch(e, effGetChunk, 0, 0, &data);
        if (!data || n <= 0) return {};
        return std::vector<uint8_t>(static_cast<uint8_t *>(data), static_cast<uint8_t *>(data) + n);
    }

    std::string dir, copy, ini;
    std::unique_ptr<PluginHost> host;
};

TEST(PluginBinary, ExportsOnlyTheEntry) {
    FILE *pipe = popen(("nm -D --defined-only '" + kPlugin + "' 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[1024];
    while (std::fgets(line, sizeof(line), pipe)) {
        std::istringstream fields(line);
        std::string address, kind, name;
        fields >> address >> kind >> name;
        if (!name.empty()) names.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0);
    const std::set<std::string> toolchain = {"_init", "_fini", "_edata", "_end", "__bss_start"};
    EXPECT_EQ(names.count("VSTPluginMain"), 1u);
    for (const std::string &name : names) {
        EXPECT_TRUE(name == "VSTPluginMain" || toolchain.count(name)) << "exported: " << name;
    }
}

TEST_F(PluginBinaryTest, FirstInstanceResolvesTheHostOnce) {
    const int32_t ini_reads = HostIniFileRequests();
    AEffect *first = host->CreateInstance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(host->Lookups(), kAllFive);
    EXPECT_EQ(HostIniFileRequests(), ini_reads + 1);

    host->ClearLookups();
    AEffect *second = host->CreateInstance();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(host->Lookups().empty());
    EXPECT_EQ(HostIniFileRequests(), ini_reads + 1);
    EXPECT_NE(first, second);
    EXPECT_NE(first->user, second->user);
}

TEST_F(PluginBinaryTest, WithheldIniSourceIsRetried) {
    host->WithholdFunction("get_ini_file");
    EXPECT_EQ(host->CreateInstance(), nullptr);
    EXPECT_EQ(host->Lookups(), kAllFive);
    EXPECT_EQ(host->CreateInstance(), nullptr);
    EXPECT_EQ(host->Lookups().size(), 10u);
    host->WithholdFunction("get_ini_file", false);
    host->ClearLookups();
    EXPECT_NE(host->CreateInstance(), nullptr);
    EXPECT_EQ(host->Lookups(), kAllFive);
}

TEST_F(PluginBinaryTest, WithheldTimeMapFailsForever) {
    host->WithholdFunction("TimeMap2_beatsToTime");
    EXPECT_EQ(host->CreateInstance(), nullptr);
    EXPECT_EQ(host->Lookups(), kAllFive);
    host->WithholdFunction("TimeMap2_beatsToTime", false);
    EXPECT_EQ(host->CreateInstance(), nullptr);
    EXPECT_EQ(host->CreateInstance(), nullptr);
    EXPECT_EQ(host->Lookups().size(), 5u);
}

TEST_F(PluginBinaryTest, EffectRecordAndAnswers) {
    AEffect *e = host->CreateInstance();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_EQ(e->processDoubleReplacing, nullptr);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 1);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x131);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->uniqueID, VstFourCC('q', 'l', 'v', 'w'));
    EXPECT_EQ(e->version, 1100);
    EXPECT_NE(e->user, nullptr);
    EXPECT_NE(static_cast<void *>(e), e->user);  // the record lies inside the instance, not at its start

    EXPECT_EQ(AskString(e, effGetEffectName), "QLV Preview");
    EXPECT_EQ(AskString(e, effGetProductString), "QLV Preview");
    EXPECT_EQ(AskString(e, effGetVendorString), "QLV");
    EXPECT_EQ(AskString(e, effGetParamName, 0), "dummy");
    EXPECT_EQ(AskString(e, effGetParamName, 1), "");
    EXPECT_EQ(Dispatch(e, effIdentify), 0x4e764566);
    EXPECT_EQ(Dispatch(e, effGetPlugCategory), 2);
    EXPECT_EQ(Dispatch(e, effGetVstVersion), 2400);
    EXPECT_EQ(e->getParameter(e, 0), 0.0f);

    std::string time_info = "receiveVstTimeInfo";
    std::string ext(reinterpret_cast<const char *>(VENDOR_CAP_EXTENSIONS), sizeof(VENDOR_CAP_EXTENSIONS));
    std::string view(reinterpret_cast<const char *>(VENDOR_CAP_VIEW_AS_CONFIG), sizeof(VENDOR_CAP_VIEW_AS_CONFIG));
    std::string other = "sendVstEvents";
    EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, time_info.data()), 1);
    EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, ext.data()), HOST_EXT_CAN_DO_ANSWER);
    EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, view.data()), HOST_EXT_CAN_DO_ANSWER);
    EXPECT_EQ(Dispatch(e, effCanDo, 0, 0, other.data()), 0);
}

TEST_F(PluginBinaryTest, SettingsChunkRoundTrip) {
    AEffect *e = host->CreateInstance();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Chunk(e), (std::vector<uint8_t>{0x00, 0x00, 0xAA, 0x00}));
    uint8_t saved[] = {0x03, 0x01, 0x40, 0x06};
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 4, saved), 1);
    EXPECT_EQ(Chunk(e), (std::vector<uint8_t>{0x03, 0x01, 0x40, 0x06}));
    // Chunks too short to hold a setting change nothing and are answered 1, data or not.
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 1, saved), 1);
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, 0, nullptr), 1);
    EXPECT_EQ(Dispatch(e, effSetChunk, 0, -4, saved), 1);
    EXPECT_EQ(Chunk(e), (std::vector<uint8_t>{0x03, 0x01, 0x40, 0x06}));
    // Each instance keeps its own settings.
    AEffect *other = host->CreateInstance();
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Chunk(other), (std::vector<uint8_t>{0x00, 0x00, 0xAA, 0x00}));
}

TEST_F(PluginBinaryTest, AudioIsSilent) {
    AEffect *e = host->CreateInstance();
    ASSERT_NE(e, nullptr);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    Dispatch(e, effMainsChanged, 0, 1);
    HostTransport transport;
    transport.playing = true;
    transport.sample_pos = 96000.0;
    host->SetTransport(transport);
    std::vector<float> left(256, 0.5f), right(256, -0.5f);
    float *outputs[2] = {left.data(), right.data()};
    e->processReplacing(e, nullptr, outputs, 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(left[i], 0.0f);
        ASSERT_EQ(right[i], 0.0f);
    }
    std::fill(left.begin(), left.end(), 0.5f);
    e->process(e, nullptr, outputs, 256);
    EXPECT_EQ(left[0], 0.5f);
    Dispatch(e, effMainsChanged, 0, 0);
}

TEST_F(PluginBinaryTest, ClosingTheLastInstanceAndStartingAgain) {
    AEffect *e = host->CreateInstance();
    ASSERT_NE(e, nullptr);
    host->CloseInstance(e);
    host->ClearLookups();
    AEffect *again = host->CreateInstance();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(host->Lookups().empty());
    EXPECT_EQ(Chunk(again), (std::vector<uint8_t>{0x00, 0x00, 0xAA, 0x00}));
    host->CloseInstance(again);
}

TEST_F(PluginBinaryTest, HostAnswersContextAndTransportPerEffect) {
    AEffect *a = host->CreateInstance();
    AEffect *b = host->CreateInstance();
    ASSERT_TRUE(a && b);
    HostProject project;
    DefaultTimeMap map;
    project.time_map = &map;
    struct NoTrack : HostTrack {
        void AppendRawMidi(double, double, int32_t, MIDI_eventlist *) override {}
    } track;
    host->SetContext(a, &project, &track);
    auto ask = [](AEffect *e, intptr_t what) {
        return PluginHost::Callback(e, HOST_EXT_OPCODE, HOST_EXT_GET_CONTEXT, what, nullptr, 0.0f);
    };
    EXPECT_EQ(ask(a, HOST_CONTEXT_PROJECT), reinterpret_cast<intptr_t>(project.Handle()));
    EXPECT_EQ(ask(a, HOST_CONTEXT_TRACK), reinterpret_cast<intptr_t>(HostProject::HandleOf(&track)));
    EXPECT_EQ(ask(b, HOST_CONTEXT_PROJECT), 0);
    EXPECT_EQ(ask(b, HOST_CONTEXT_TRACK), 0);
    EXPECT_EQ(ask(a, 2), 0);

    HostTransport transport;
    transport.sample_pos = 12345.0;
    transport.sample_rate = 48000.0;
    transport.playing = true;
    transport.output_latency = 256;
    host->SetTransport(transport);
    auto *info = reinterpret_cast<VstTimeInfo *>(PluginHost::Callback(a, audioMasterGetTime, 0, 0, nullptr, 0.0f));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->samplePos, 12345.0);
    EXPECT_EQ(info->sampleRate, 48000.0);
    EXPECT_EQ(info->flags & kVstTransportPlaying, kVstTransportPlaying);
    EXPECT_EQ(PluginHost::Callback(a, audioMasterGetOutputLatency, 0, 0, nullptr, 0.0f), 256);
    transport.playing = false;
    transport.available = false;
    host->SetTransport(transport);
    EXPECT_EQ(PluginHost::Callback(a, audioMasterGetTime, 0, 0, nullptr, 0.0f), 0);
    transport.available = true;
    host->SetTransport(transport);
    info = reinterpret_cast<VstTimeInfo *>(PluginHost::Callback(b, audioMasterGetTime, 0, 0, nullptr, 0.0f));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->flags & kVstTransportPlaying, 0);
}

TEST(PluginHostLoad, BadBinariesAreReportedClearly) {
    PluginHost host;
    std::string error;
    EXPECT_FALSE(host.Load("/nonexistent/qlv_preview.so", &error));
    EXPECT_NE(error.find("/nonexistent/qlv_preview.so"), std::string::npos);
    EXPECT_FALSE(host.IsLoaded());
    EXPECT_EQ(host.CreateInstance(), nullptr);
    // A shared library without the entry.
    PluginHost other;
    error.clear();
    const std::string platform = std::string(QLV_PLUGIN_DIR) + "/libqlv_platform.so";
    EXPECT_FALSE(other.Load(platform, &error));
    EXPECT_NE(error.find("VSTPluginMain"), std::string::npos);
    EXPECT_FALSE(other.IsLoaded());
}

}  // namespace
