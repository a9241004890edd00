// What the Wine tests share: a fixture that skips with the reason when Windows programs cannot
// run here and gives each test a fresh scratch folder, and readers for the files the programs
// leave there.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "wine_runner.h"

class WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!WineRunner::Get().Unavailable().empty()) GTEST_SKIP() << WineRunner::Get().Unavailable();
        scratch_ = MakeScratchDir("wine-test");
        ASSERT_FALSE(scratch_.empty());
    }
    void TearDown() override { RemoveScratchDir(scratch_); }

    std::string scratch_;
};

// A whole file's bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Decoded pixels of a PNG file and its size; empty (size untouched) when it cannot be read.
inline std::vector<uint32_t> ReadPngPixels(const std::string &path, int *width, int *height) {
    std::unique_ptr<GFX_IBitmap, void (*)(GFX_IBitmap *)> bitmap(GFX_ReadPngFile(path.c_str(), nullptr),
                                                                  [](GFX_IBitmap *b) { delete b; });
    if (!bitmap) return {};
    *width = bitmap->PixelWidth();
    *height = bitmap->PixelHeight();
    const GFX_Color32 *px = bitmap->PixelData();
    return std::vector<uint32_t>(px, px + static_cast<size_t>(*width) * *height);
}
