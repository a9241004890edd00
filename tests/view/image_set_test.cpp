// The process-wide image set: pictures found beside the plug-in, placeholders for missing ones,
// the per-slot cache of scaled copies, and loading/release by the first and last instance.
//
// The test process plays the plug-in: a small shared object is copied into a private folder and
// loaded, and module_handle is pointed into it, so "beside the plug-in" is that folder. The image
// set finds its folder once per process, so every test uses the same one and only its qlview/
// contents change.
#include "gfx/gfx.h"
#include "state/instance.h"
#include "tests/gfx/png_test_writer.h"
#include "tests/gfx/scratch_dir.h"
#include "view/image_set.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class PictureFolder {
public:
    static PictureFolder &Get() {
        static PictureFolder folder;
        return folder;
    }
    bool ok() const { return handle_ != nullptr; }
    std::string qlview() const { return dir_.path() + "/qlview"; }

    void Clear() {
        std::error_code ignored;
        std::filesystem::remove_all(qlview(), ignored);
        std::filesystem::create_directory(qlview(), ignored);
    }
    bool Put(const std::string &name, int width, int height, const std::vector<uint32_t> &pixels) {
        return qlv_test::WriteWholeFile(qlview() + "/" + name + ".png", qlv_test::EncodeRgba(width, height, pixels));
    }

private:
    PictureFolder() {
        if (!dir_.ok()) return;
        const std::string copy = dir_.file("qlv_image_anchor.so");
        std::error_code error;
        std::filesystem::copy_file(QLV_IMAGE_ANCHOR, copy, error);
        if (error) return;
        handle_ = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) return;
        void *inside = dlsym(handle_, "qlv_image_folder_anchor");
        if (!inside) return;
        module_handle = reinterpret_cast<HMODULE>(inside);
    }
    ~PictureFolder() {
        if (handle_) dlclose(handle_);
    }
    qlv_test::ScratchDir dir_;
    void *handle_ = nullptr;
};

// Image rows of a bitmap, top first, as words.
std::vector<GFX_Color32> Rows(GFX_IBitmap *bitmap) {
    std::vector<GFX_Color32> out;
    for (int y = 0; y < bitmap->PixelHeight(); ++y) {
        const GFX_Color32 *row = bitmap->PixelData() + static_cast<ptrdiff_t>(y) * bitmap->RowPitch();
        out.insert(out.end(), row, row + bitmap->PixelWidth());
    }
    return out;
}

class ImageSet : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PictureFolder::Get().ok());
        ASSERT_EQ(instance_count, 0);
        PictureFolder::Get().Clear();
    }
    void TearDown() override { ReleaseImageSet(); }
};

// Every name, in load order, with the slot or list entry it fills.
struct Loaded {
    const char *name;
    GFX_MemBitmap **where;
};

std::vector<Loaded> PlaceholderOrder() {
    std::vector<Loaded> order = {{"QLV_background1", &background_image},
                                 {"track_guitar", &guitar_track_image},
                                 {"track_drum", &drum_track_image}};
    const char *sustains[] = {"sustain_green", "sustain_red", "sustain_yellow",
                              "sustain_blue",  "sustain_orange", "sustain_style"};
    for (int i = 0; i < SUSTAIN_COUNT; ++i) order.push_back({sustains[i], &sustain_images[i]});
    const char *slots[SLOT_COUNT] = {
        "gem_green", "gem_red", "gem_yellow", "gem_blue", "gem_orange", "gem_hopo_green", "gem_hopo_red",
        "gem_hopo_yellow", "gem_hopo_blue", "gem_hopo_orange", "gem_cym_yellow", "gem_cym_blue", "gem_cym_green",
        "gem_style", "gem_hopo_style", "gem_cym_style", "gem_kick", "gem_kick_style", "beat_marker",
        "half_beat_marker", "measure", "smash_flare_green", "smash_flare_red", "smash_flare_yellow",
        "smash_flare_blue", "smash_flare_orange", "smash_flare_style", "smash_1", "smash_2", "smash_3", "smash_4",
        "smash_5", "smash_6", "smash_7", "smash_8", "smash_9", "smash_10", "kick_flash_1", "kick_flash_2",
        "kick_flash_3", "kick_flash_4", "kick_flash_5", "kick_flash_6", "kick_flash_7"};
    const int slot_order[] = {0,  1,  2,  3,  4,  21, 22, 23, 24, 25, 26, 5,  6,  7,  8,
                              9,  10, 11, 12, 16, 18, 19, 20, 13, 14, 15, 17, 27, 28, 29,
                              30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43};
    for (int slot : slot_order) order.push_back({slots[slot], &slot_images[slot]});
    return order;
}

// The placeholder drawn by hand: fill, white top row and left column, the name's glyphs in white
// from (2, 2), cut at the right edge.
std::vector<GFX_Color32> ExpectedPlaceholder(const char *name, GFX_Color32 fill) {
    std::vector<GFX_Color32> px(128 * 128, fill);
    for (int i = 0; i < 128; ++i) px[i] = px[i * 128] = 0xFFFFFFFF;
    for (int c = 0; name[c]; ++c) {
        const unsigned char *glyph = GFX_BuiltinFont8x8[static_cast<unsigned char>(name[c]) - 1];
        for (int row = 0; row < 8; ++row)
            for (int bit = 0; bit < 8; ++bit) {
                const int x = 2 + 8 * c + bit, y = 2 + row;
                if (x < 128 && (glyph[row] & (0x80 >> bit))) px[y * 128 + x] = 0xFFFFFFFF;
            }
    }
    return px;
}

// With an empty folder every picture but the optional highlighted sustains is a placeholder; the
// colours come from rand() in load order, three values (red, green, blue) per placeholder.
TEST_F(ImageSet, EmptyFolderGivesNamedPlaceholdersInLoadOrder) {
    std::srand(2024);
    LoadImageSet();
    std::srand(2024);
    for (const Loaded &entry : PlaceholderOrder()) {
        GFX_MemBitmap *picture = *entry.where;
        ASSERT_NE(picture, nullptr) << entry.name;
        ASSERT_EQ(picture->PixelWidth(), 128) << entry.name;
        ASSERT_EQ(picture->PixelHeight(), 128) << entry.name;
        const int red = std::rand() & 0x5F, green = std::rand() & 0x5F, blue = std::rand() & 0x5F;
        const GFX_Color32 fill = 0x19000000u | static_cast<GFX_Color32>(red) << 16 |
                                 static_cast<GFX_Color32>(green) << 8 | static_cast<GFX_Color32>(blue);
        const std::vector<GFX_Color32> want = ExpectedPlaceholder(entry.name, fill);
        const std::vector<GFX_Color32> got = Rows(picture);
        int wrong = 0;
        for (size_t i = 0; i < want.size(); ++i)
            if (got[i] != want[i] && ++wrong <= 3)
                ADD_FAILURE() << entry.name << " pixel (" << i % 128 << ", " << i / 128 << "): 0x" << std::hex
                              << got[i] << " want 0x" << want[i];
        ASSERT_EQ(wrong, 0) << entry.name;
    }
    for (GFX_MemBitmap *hi : sustain_hi_images) EXPECT_EQ(hi, nullptr);
}

// Files present are loaded as they are, from <plug-in folder>/qlview/<name>.png; the optional
// highlighted sustains load when their file exists.
TEST_F(ImageSet, PicturesFoundBesideThePluginAreLoaded) {
    const std::vector<uint32_t> gem = qlv_test::PatternPixels(64, 32, 3);
    const std::vector<uint32_t> hi = qlv_test::PatternPixels(8, 20, 4);
    ASSERT_TRUE(PictureFolder::Get().Put("gem_green", 64, 32, gem));
    ASSERT_TRUE(PictureFolder::Get().Put("sustain_blue_hi", 8, 20, hi));
    ASSERT_TRUE(PictureFolder::Get().Put("kick_flash_7", 8, 20, hi));
    LoadImageSet();

    ASSERT_NE(slot_images[SLOT_GEM], nullptr);
    EXPECT_EQ(Rows(slot_images[SLOT_GEM]), gem);
    ASSERT_NE(sustain_hi_images[3], nullptr);
    EXPECT_EQ(Rows(sustain_hi_images[3]), hi);
    ASSERT_NE(slot_images[SLOT_KICK_FLASH + 6], nullptr);
    EXPECT_EQ(Rows(slot_images[SLOT_KICK_FLASH + 6]), hi);
    for (int i = 0; i < SUSTAIN_COUNT; ++i) {
        if (i != 3) {
            EXPECT_EQ(sustain_hi_images[i], nullptr) << i;
        }
    }
    EXPECT_EQ(slot_images[SLOT_GEM + 1]->PixelWidth(), 128);  // missing file: placeholder

    // A damaged file is treated as missing.
    ASSERT_TRUE(qlv_test::WriteWholeFile(PictureFolder::Get().qlview() + "/gem_red.png", {0x89, 'P', 'N'}));
    GFX_MemBitmap *damaged = LoadHighwayImage("gem_red", true);
    EXPECT_EQ(damaged, nullptr);
    std::unique_ptr<GFX_MemBitmap> shown(LoadHighwayImage("gem_red", false));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->PixelWidth(), 128);
}

class ScaledCopies : public ImageSet {
protected:
    void SetUp() override {
        ImageSet::SetUp();
        // Opaque pixels, so a full-strength draw copies the scaled copy exactly.
        source_ = qlv_test::PatternPixels(64, 32, 11);
        for (auto &p : source_) p |= 0xFF000000;
        ASSERT_TRUE(PictureFolder::Get().Put("gem_yellow", 64, 32, source_));
        LoadImageSet();
        ASSERT_EQ(slot_images[2]->PixelWidth(), 64);
    }
    std::vector<uint32_t> source_;
};

TEST_F(ScaledCopies, ListStaysSortedByWidthAndReusesCopies) {
    GFX_MemBitmap dest(200, 200);
    GFX_SetAllPixels(&dest, 0);
    for (int width : {40, 20, 30}) DrawImageScaled(&dest, 2, 0, 100, width, 1.0f, 0.5f);
    ASSERT_EQ(ScaledCopyCount(2), 3);
    EXPECT_EQ(ScaledCopyAt(2, 0)->PixelWidth(), 20);
    EXPECT_EQ(ScaledCopyAt(2, 1)->PixelWidth(), 30);
    EXPECT_EQ(ScaledCopyAt(2, 2)->PixelWidth(), 40);
    EXPECT_EQ(ScaledCopyAt(2, 0)->PixelHeight(), 10);  // 32 * 20 / 64
    EXPECT_EQ(ScaledCopyAt(2, 1)->PixelHeight(), 15);

    GFX_MemBitmap *thirty = ScaledCopyAt(2, 1);
    DrawImageScaled(&dest, 2, 5, 5, 30, 1.0f, 0.0f);
    EXPECT_EQ(ScaledCopyCount(2), 3);
    EXPECT_EQ(ScaledCopyAt(2, 1), thirty);

    // Widths below, between and above the cached ones land in order.
    for (int width : {50, 10, 25}) DrawImageScaled(&dest, 2, 0, 100, width, 1.0f, 0.5f);
    const int want[] = {10, 20, 25, 30, 40, 50};
    ASSERT_EQ(ScaledCopyCount(2), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ScaledCopyAt(2, i)->PixelWidth(), want[i]);
    EXPECT_EQ(ScaledCopyCount(3), 0);  // other slots untouched

    FlushScaledCopies();
    EXPECT_EQ(ScaledCopyCount(2), 0);
    EXPECT_EQ(ScaledCopyAt(2, 0), nullptr);
}

// 64 x 32 at width 100 gives a 100 x 50 copy (the filtered scale of the whole picture); with
// anchor 1.0 at y = 200 its top row is row 150 and its bottom row 199.
TEST_F(ScaledCopies, CopyIsPlacedByItsAnchor) {
    GFX_MemBitmap dest(300, 300);
    GFX_SetAllPixels(&dest, 0);
    DrawImageScaled(&dest, 2, 7, 200, 100, 1.0f, 1.0f);
    ASSERT_EQ(ScaledCopyCount(2), 1);
    GFX_MemBitmap *copy = ScaledCopyAt(2, 0);
    ASSERT_EQ(copy->PixelWidth(), 100);
    ASSERT_EQ(copy->PixelHeight(), 50);

    GFX_MemBitmap reference(100, 50);
    GFX_DrawBitmapScaled(&reference, slot_images[2], 0, 0, 100, 50, 0.0f, 0.0f, 64.0f, 32.0f, 1.0f,
                         GFX_COMBINE_COPY | GFX_COMBINE_FILTERED);
    EXPECT_EQ(Rows(copy), Rows(&reference));

    const std::vector<GFX_Color32> shown = Rows(&dest);
    const std::vector<GFX_Color32> scaled = Rows(copy);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 7 && x < 107 && y >= 150 && y < 200;
            const GFX_Color32 want = inside ? scaled[(y - 150) * 100 + (x - 7)] : 0;
            ASSERT_EQ(shown[y * 300 + x], want) << "(" << x << ", " << y << ")";
        }

    // The top is y - h x anchor truncated toward zero: 200 - 26.5 gives row 173, and 20 - 26.5
    // gives row -6 (not -7), so destination row 0 shows the copy's row 6.
    GFX_SetAllPixels(&dest, 0);
    DrawImageScaled(&dest, 2, 0, 200, 100, 1.0f, 0.53f);
    EXPECT_EQ(Rows(&dest)[172 * 300], 0u);
    EXPECT_EQ(Rows(&dest)[173 * 300], scaled[0]);
    GFX_SetAllPixels(&dest, 0);
    DrawImageScaled(&dest, 2, 0, 20, 100, 1.0f, 0.53f);
    EXPECT_EQ(Rows(&dest)[0], scaled[6 * 100]);
    EXPECT_EQ(Rows(&dest)[43 * 300], scaled[49 * 100]);
    EXPECT_EQ(Rows(&dest)[44 * 300], 0u);

    // Anchor 0.5 centres it on y; the strength is passed on (half strength over black halves
    // each channel, roughly).
    GFX_SetAllPixels(&dest, 0);
    DrawImageScaled(&dest, 2, 0, 100, 100, 0.5f, 0.5f);
    EXPECT_EQ(Rows(&dest)[74 * 300], 0u);
    const GFX_Color32 half = Rows(&dest)[75 * 300];
    EXPECT_NE(half, 0u);
    EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), static_cast<int>((scaled[0] >> 16) & 0xFF) / 2, 2);
}

TEST_F(ScaledCopies, OutOfRangeAndDegenerateRequestsDrawNothing) {
    GFX_MemBitmap dest(64, 64);
    GFX_SetAllPixels(&dest, 0x01020304);
    const std::vector<GFX_Color32> before = Rows(&dest);
    for (int slot : {44, -1, 100, INT_MIN, INT_MAX}) DrawImageScaled(&dest, slot, 0, 10, 20, 1.0f, 0.0f);
    for (int width : {0, -5, INT_MIN}) DrawImageScaled(&dest, 2, 0, 10, width, 1.0f, 0.0f);
    DrawImageScaled(&dest, 2, 0, 10, 1, 1.0f, 0.0f);  // 32 * 1 / 64 rounds to 1 row: drawn
    DrawImageScaled(&dest, 2, 0, 10, INT_MAX, 1.0f, 0.0f);      // far too large to hold
    DrawImageScaled(&dest, 2, 0, 10, 20000000, 1.0f, 0.0f);     // 32-bit height product wraps
    EXPECT_EQ(ScaledCopyCount(2), 1);
    EXPECT_EQ(ScaledCopyAt(2, 0)->PixelWidth(), 1);
    DrawImageScaled(&dest, 2, 0, 10, 30, 1.0f, std::nanf(""));
    DrawImageScaled(&dest, 2, 0, INT_MAX, 30, 1.0f, -1e30f);
    DrawImageScaled(nullptr, 2, 0, 10, 30, 1.0f, 0.0f);
    std::vector<GFX_Color32> after = Rows(&dest);
    after[10 * 64] = before[10 * 64];  // the one-pixel draw
    EXPECT_EQ(after, before);

    // A missing or empty slot picture draws nothing and caches nothing.
    delete slot_images[4];
    slot_images[4] = nullptr;
    DrawImageScaled(&dest, 4, 0, 10, 20, 1.0f, 0.0f);
    slot_images[4] = new GFX_MemBitmap(0, 0);
    DrawImageScaled(&dest, 4, 0, 10, 20, 1.0f, 0.0f);
    EXPECT_EQ(ScaledCopyCount(4), 0);
    after = Rows(&dest);
    after[10 * 64] = before[10 * 64];
    EXPECT_EQ(after, before);
}

// The set lives from the first instance to the last; the last one releases every picture, the
// optional highlighted sustains and the cached copies included, and a new instance loads again.
TEST_F(ImageSet, FirstInstanceLoadsAndLastReleases) {
    std::vector<uint32_t> pixels = qlv_test::PatternPixels(16, 16, 5);
    const char *hi[] = {"sustain_green_hi", "sustain_red_hi",    "sustain_yellow_hi",
                        "sustain_blue_hi",  "sustain_orange_hi", "sustain_style_hi"};
    for (const char *name : hi) ASSERT_TRUE(PictureFolder::Get().Put(name, 16, 16, pixels));

    auto *first = new PreviewInstance(nullptr);
    ASSERT_NE(background_image, nullptr);
    GFX_MemBitmap *const loaded_gem = slot_images[0];
    for (GFX_MemBitmap *p : sustain_hi_images) ASSERT_NE(p, nullptr);
    auto *second = new PreviewInstance(nullptr);
    EXPECT_EQ(slot_images[0], loaded_gem);  // not loaded twice
    EXPECT_EQ(instance_count, 2);

    GFX_MemBitmap dest(50, 50);
    DrawImageScaled(&dest, 0, 0, 0, 30, 1.0f, 0.0f);
    delete first;
    EXPECT_EQ(slot_images[0], loaded_gem);
    EXPECT_EQ(ScaledCopyCount(0), 1);

    delete second;
    EXPECT_EQ(instance_count, 0);
    EXPECT_EQ(background_image, nullptr);
    EXPECT_EQ(guitar_track_image, nullptr);
    EXPECT_EQ(drum_track_image, nullptr);
    for (GFX_MemBitmap *p : slot_images) EXPECT_EQ(p, nullptr);
    for (GFX_MemBitmap *p : sustain_images) EXPECT_EQ(p, nullptr);
    for (GFX_MemBitmap *p : sustain_hi_images) EXPECT_EQ(p, nullptr);
    EXPECT_EQ(ScaledCopyCount(0), 0);

    auto *again = new PreviewInstance(nullptr);
    EXPECT_NE(slot_images[0], nullptr);
    EXPECT_NE(sustain_hi_images[5], nullptr);
    delete again;
    EXPECT_EQ(slot_images[0], nullptr);
}

}  // namespace
