// The renderer when the static board cannot be allocated. This executable replaces the global
// allocation functions so that one allocation of a board-sized object can be made to fail.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "gfx/gfx.h"
#include "highway_pictures.h"
#include "highway_scene.h"
#include "state/instance.h"
#include "view/renderer.h"

// The replacements below pair malloc with free on purpose; the compiler sees operator new
// matched with free once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

// Armed: the next allocation of exactly sizeof(GFX_MemBitmap) bytes fails.
bool fail_next_board = false;

bool TakeFailure(std::size_t size) {
    if (!fail_next_board || size != sizeof(GFX_MemBitmap)) return false;
    fail_next_board = false;
    return true;
}

}  // namespace

void *operator new(std::size_t size) {
    if (TakeFailure(size)) throw std::bad_alloc();
    if (void *p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    if (TakeFailure(size)) return nullptr;
    return std::malloc(size ? size : 1);
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }

namespace {

constexpr int GREEN = 96;

TEST(BoardAllocation, FrameIsSkippedUntilTheBoardCanBeMade) {
    HighwayScene scene{SolidPictureSet()};
    ASSERT_TRUE(scene.ok()) << scene.error();
    scene.AddAt(GREEN, 0.5);
    PreviewInstance *instance = scene.instance();
    ASSERT_EQ(instance->highway_image, nullptr);
    instance->back_buffer = new GFX_SysBitmap(400, 300);
    constexpr uint32_t kLastFrame = 0xFF123456u;
    GFX_SetAllPixels(instance->back_buffer, kLastFrame);

    fail_next_board = true;
    EXPECT_NO_THROW(RenderHighway(instance, 400, 300));
    EXPECT_FALSE(fail_next_board);  // the board was asked for
    EXPECT_EQ(instance->highway_image, nullptr);
    // Nothing is drawn over the previous frame: no gem over a stale picture.
    EXPECT_EQ(scene.Count("gem_green"), 0);
    EXPECT_EQ(scene.Pixel(0, 0), kLastFrame);
    EXPECT_EQ(scene.Pixel(200, 150), kLastFrame);

    // The next frame makes the board and draws as usual.
    scene.Render(400, 300);
    ASSERT_NE(instance->highway_image, nullptr);
    EXPECT_EQ(instance->highway_dirty, 0);
    EXPECT_EQ(scene.Pixel(0, 0), SolidColour("QLV_background1"));
    EXPECT_GT(scene.Count("gem_green"), 0);
}

}  // namespace
