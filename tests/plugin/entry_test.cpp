#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "plugin/entry.h"
#include "state/instance.h"

namespace {

// A host with a lookup log. (Lookup order, withheld functions and retries are checked through
// the real binary; these tests see the process-wide state directly.)
struct LookupHost {
    static inline std::vector<std::string> lookups;
    static inline std::string ini_path;
    static inline bool ini_is_null = false;

    static const char *IniFile() { return ini_is_null ? nullptr : ini_path.c_str(); }
    static intptr_t RawMidi(TrackHandle, RawMidiRequest *) { return 0; }
    static double TimeToQN(ProjectHandle, double s) { return s; }
    static double BeatsToTime(ProjectHandle, double b, const int *) { return b; }
    static double TimeToBeats(ProjectHandle, double s, int *, int *, double *, int *) { return s; }

    static intptr_t Callback(AEffect *effect, int32_t opcode, int32_t index, intptr_t, void *ptr, float) {
        if (opcode != HOST_EXT_OPCODE || index != HOST_EXT_GET_FUNCTION || effect != nullptr || !ptr) return 0;
        const std::string name = static_cast<const char *>(ptr);
        lookups.push_back(name);
        if (name == "get_ini_file") return reinterpret_cast<intptr_t>(&IniFile);
        if (name == "Track_GetRawMIDI") return reinterpret_cast<intptr_t>(&RawMidi);
        if (name == "TimeMap2_timeToQN") return reinterpret_cast<intptr_t>(&TimeToQN);
        if (name == "TimeMap2_beatsToTime") return reinterpret_cast<intptr_t>(&BeatsToTime);
        if (name == "TimeMap2_timeToBeats") return reinterpret_cast<intptr_t>(&TimeToBeats);
        return 0;
    }
};

const std::vector<std::string> kAllFive = {"get_ini_file", "Track_GetRawMIDI", "TimeMap2_timeToQN",
                                           "TimeMap2_beatsToTime", "TimeMap2_timeToBeats"};

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts from a process that has not met a host yet.
        HostFunctions = HostFunctionSet{};
        time_offset_ms = 0;
        LookupHost::lookups.clear();
        LookupHost::ini_is_null = false;
        char pattern[] = "/tmp/qlv-entry-XXXXXX";
        const int fd = mkstemp(pattern);
        ASSERT_GE(fd, 0);
        close(fd);
        LookupHost::ini_path = pattern;
    }
    void TearDown() override {
        for (AEffect *e : opened) e->dispatcher(e, 1, 0, 0, nullptr, 0.0f);
        unlink(LookupHost::ini_path.c_str());
    }
    void WriteIni(const char *text) {
        FILE *f = std::fopen(LookupHost::ini_path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(text, f);
        std::fclose(f);
    }
    AEffect *Open() {
        AEffect *e = VSTPluginMain(&LookupHost::Callback);
        if (e) opened.push_back(e);
        return e;
    }
    std::vector<AEffect *> opened;
};

TEST_F(EntryTest, FirstCallLooksUpFiveFunctionsAndReadsTheOffset) {
    WriteIni("[other]\ntimeoffs=99\n[QLVIEW]\nTIMEOFFS=-25\n");
    AEffect *effect = Open();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(LookupHost::lookups, kAllFive);
    EXPECT_EQ(time_offset_ms.load(), -25);
    EXPECT_EQ(HostFunctions.get_ini_file, &LookupHost::IniFile);
    EXPECT_EQ(HostFunctions.TimeMap2_timeToBeats, &LookupHost::TimeToBeats);
    // The record returned is the instance's effect, not the instance.
    auto *instance = static_cast<PreviewInstance *>(effect->user);
    EXPECT_EQ(effect, &instance->effect);
    EXPECT_EQ(instance->host_callback, &LookupHost::Callback);
}

TEST_F(EntryTest, LaterInstancesNeitherLookUpNorReadAgain) {
    WriteIni("[qlview]\ntimeoffs=10\n");
    ASSERT_NE(Open(), nullptr);
    LookupHost::lookups.clear();
    WriteIni("[qlview]\ntimeoffs=20\n");
    time_offset_ms = 33;  // as if dragged in an editor
    AEffect *second = Open();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(LookupHost::lookups.empty());
    EXPECT_EQ(time_offset_ms.load(), 33);
    EXPECT_NE(second->user, opened[0]->user);
}

TEST_F(EntryTest, MissingFileKeyOrPathGivesZero) {
    unlink(LookupHost::ini_path.c_str());
    time_offset_ms = 5;
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(time_offset_ms.load(), 0);

    HostFunctions = HostFunctionSet{};
    WriteIni("[qlview]\nother=3\n");
    time_offset_ms = 5;
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(time_offset_ms.load(), 0);

    HostFunctions = HostFunctionSet{};
    LookupHost::ini_is_null = true;
    time_offset_ms = 5;
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(time_offset_ms.load(), 0);
}

TEST_F(EntryTest, NoCallbackNoInstance) {
    EXPECT_EQ(VSTPluginMain(nullptr), nullptr);
    EXPECT_TRUE(LookupHost::lookups.empty());
}

}  // namespace
